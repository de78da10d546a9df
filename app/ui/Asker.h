#pragma once

#include "app/ui/MessageDialog.h"

#include <QString>

class QDialog;

namespace quorvane::app {

/// Everything the windows ask of the user in a modal way goes through the
/// current Asker: questions, the application error box and modal runs of a
/// window. The default one shows real dialogs; tests install one that gives
/// scripted answers and records what was shown, so no test ever waits on a
/// modal dialog.
class Asker {
public:
    virtual ~Asker() = default;

    /// Asks `text` with a message dialog and returns the pressed button's
    /// result number (MrYes, MrNo, MrOk, MrCancel for the close box, ...).
    virtual int question(const QString& text, MsgDlgType type, MsgDlgButtons buttons) = 0;

    /// Shows the application error box with `text`, already completed by
    /// the error box's period rule. Returns when the user dismissed it.
    virtual void showError(const QString& text) = 0;

    /// Runs `window` modally and returns its result when the run ends.
    virtual int runModal(QDialog& window) = 0;

    /// The Asker in force; the dialog one unless another was installed.
    static Asker& current();

    /// Puts `asker` in force (not owned; it must outlive its use) and
    /// returns the previous one. nullptr restores the dialog Asker.
    static Asker* install(Asker* asker);

    /// The message dialog operation used by the program's handlers. The
    /// help context is accepted for the callers' sake; the program has no
    /// help file and always passes 0.
    static int messageDlg(const QString& text, MsgDlgType type, MsgDlgButtons buttons, int helpContext = 0);
};

/// The Asker that shows real modal dialogs.
class DialogAsker : public Asker {
public:
    int question(const QString& text, MsgDlgType type, MsgDlgButtons buttons) override;
    void showError(const QString& text) override;
    int runModal(QDialog& window) override;
};

} // namespace quorvane::app
