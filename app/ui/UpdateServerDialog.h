#pragma once

#include "app/settings/UpdateServerSetting.h"

#include <QDialog>

#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace quorvane::app {

/// "Update Server": shows the update server in use, with its password
/// masked, and lets the user set another one (a URL in the form
/// --update-server takes, the password in a masked field of its own) or go
/// back to the built-in one. Either is written to the settings file at once
/// and closes the dialog accepted; a malformed URL is refused with the
/// command line's message, and the dialog stays open. Below, "Send reports
/// to:" names the server Custom Lists are sent to, with its own masked
/// password, in the same form; empty, reports go to the update server's
/// incoming/ folder. "Keepers' server:" names the list's keepers' account
/// that the keepers' window fetches reports from, in the same form. Both
/// buttons write these too.
class UpdateServerDialog : public QDialog {
    Q_OBJECT
public:
    UpdateServerDialog(const UpdateServerChoice& inUse, QWidget* parent = nullptr);

    /// The server chosen, once the dialog was accepted.
    const UpdateServerChoice& Chosen() const { return chosen_; }

    /// Handler of "Save": writes the URL (with the password field's password
    /// unless the URL has one of its own) to the settings file, and the
    /// reports' servers beside it. Nothing is written unless all are well
    /// formed.
    void btnSaveClick();
    /// Handler of "Use Built-in Server": takes the update server out of the
    /// file and writes the reports' servers. What the trust store keeps of
    /// the server stays.
    void btnBuiltInClick();
    /// Handler of "Forget This Server": removes what the trust store keeps of
    /// the server in the URL field (its pinned certificate, the memory that it
    /// showed a verified one) and says what was removed; the dialog stays open.
    void btnForgetClick();

    QLabel* lblInUse = nullptr;
    QLineEdit* editUrl = nullptr;
    QLineEdit* editPassword = nullptr;
    QLineEdit* editSubmitUrl = nullptr;
    QLineEdit* editSubmitPassword = nullptr;
    QLineEdit* editKeepersUrl = nullptr;
    QLineEdit* editKeepersPassword = nullptr;
    QPushButton* btnSave = nullptr;
    QPushButton* btnBuiltIn = nullptr;
    QPushButton* btnForget = nullptr;
    QPushButton* btnCancel = nullptr;

private:
    /// A reports' server named in its fields; none when the URL is empty.
    /// Raises ServerUrlError, the password masked, when malformed.
    static std::optional<FtpServer> ReportServer(const QLineEdit& url, const QLineEdit& password);
    /// Writes the two reports' servers (Custom Lists, keepers) to the settings file.
    void StoreReportServers() const;

    UpdateServerChoice chosen_;
};

} // namespace quorvane::app
