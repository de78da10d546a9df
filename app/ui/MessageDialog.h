#pragma once

#include <QDialog>
#include <QString>

#include <vector>

class QPushButton;

namespace quorvane::app {

/// Kind of a message dialog: picks its window caption and icon.
enum class MsgDlgType : int {
    Warning = 0,      ///< "Warning", exclamation icon
    Error = 1,        ///< "Error", stop icon
    Information = 2,  ///< "Information", asterisk icon
    Confirmation = 3, ///< "Confirm", question icon
    Custom = 4,       ///< the application title, no icon
};

/// Buttons a message dialog may hold; combine them with |. The bit positions
/// also fix the left-to-right order of the buttons.
enum MsgDlgButton : unsigned {
    MbYes = 1u << 0,
    MbNo = 1u << 1,
    MbOK = 1u << 2,
    MbCancel = 1u << 3,
    MbAbort = 1u << 4,
    MbRetry = 1u << 5,
    MbIgnore = 1u << 6,
    MbAll = 1u << 7,
    MbNoToAll = 1u << 8,
    MbYesToAll = 1u << 9,
    MbHelp = 1u << 10,
};
using MsgDlgButtons = unsigned;

/// Result numbers a message dialog returns.
enum MsgResult : int {
    MrNone = 0,
    MrOk = 1,
    MrCancel = 2, ///< also what the close box gives
    MrAbort = 3,
    MrRetry = 4,
    MrIgnore = 5,
    MrYes = 6,
    MrNo = 7,
    MrAll = 8,
    MrNoToAll = 9,
    MrYesToAll = 10,
};

/// A modal question with a text, an icon and a row of equally wide buttons.
/// Enter presses the default button (OK, else Yes, else Retry), Escape the
/// cancel button (Cancel, else No, else OK); the close box gives MrCancel.
/// The dialog's result() is the pressed button's result number.
class MessageDialog : public QDialog {
    Q_OBJECT
public:
    /// Builds the dialog; nothing is shown until show() or exec().
    MessageDialog(const QString& text, MsgDlgType type, MsgDlgButtons buttons, QWidget* parent = nullptr);

    /// Caption of a single button, e.g. "&Yes" for MbYes; empty for a
    /// value that is not exactly one button.
    static QString buttonCaption(MsgDlgButton button);
    /// Result number of a single button (MbHelp gives MrNone).
    static int buttonResult(MsgDlgButton button);
    /// Window caption for a dialog type.
    static QString typeCaption(MsgDlgType type);

    /// The button that Enter presses, or nullptr.
    QPushButton* defaultButton() const { return defaultButton_; }
    /// The button that Escape presses, or nullptr.
    QPushButton* cancelButton() const { return cancelButton_; }
    /// The buttons in their left-to-right order.
    const std::vector<QPushButton*>& buttons() const { return buttons_; }

    /// Shows the dialog modally, centred on the screen; returns the result.
    static int execute(const QString& text, MsgDlgType type, MsgDlgButtons buttons);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    /// The close box ends the dialog with MrCancel.
    void reject() override;

private:
    std::vector<QPushButton*> buttons_;
    QPushButton* defaultButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
};

} // namespace quorvane::app
