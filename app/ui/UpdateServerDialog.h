#pragma once

#include "app/settings/UpdateServerSetting.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace quorvane::app {

/// "Update Server": shows the update server in use, with its password
/// masked, and lets the user set another one (a URL in the form
/// --update-server takes, the password in a masked field of its own) or go
/// back to the built-in one. Either is written to the settings file at once
/// and closes the dialog accepted; a malformed URL is refused with the
/// command line's message, and the dialog stays open.
class UpdateServerDialog : public QDialog {
    Q_OBJECT
public:
    UpdateServerDialog(const UpdateServerChoice& inUse, QWidget* parent = nullptr);

    /// The server chosen, once the dialog was accepted.
    const UpdateServerChoice& Chosen() const { return chosen_; }

    /// Handler of "Save": writes the URL (with the password field's password
    /// unless the URL has one of its own) to the settings file.
    void btnSaveClick();
    /// Handler of "Use Built-in Server": takes the server out of the file.
    void btnBuiltInClick();

    QLabel* lblInUse = nullptr;
    QLineEdit* editUrl = nullptr;
    QLineEdit* editPassword = nullptr;
    QPushButton* btnSave = nullptr;
    QPushButton* btnBuiltIn = nullptr;
    QPushButton* btnCancel = nullptr;

private:
    UpdateServerChoice chosen_;
};

} // namespace quorvane::app
