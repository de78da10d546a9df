#pragma once

#include "app/update/FtpServer.h"
#include "app/update/SubmitFlow.h"

#include <QDialog>

#include <memory>

class QLabel;
class QProgressBar;
class QPushButton;

namespace quorvane::app {

class AntiFreeze;

/// "Sending Custom List": sends a checked Custom List once the window is on
/// screen, with a status line, a progress bar over its bytes and "Cancel".
/// The other windows keep repainting meanwhile. A certificate that does not
/// verify is asked about before the login. "Cancel" stops the upload
/// ("ABOR") and asks the server to delete the part it received; the close box
/// and Escape do the same and close the window. At the end the status line
/// shows the name sent or the failure in words, and the button reads "Close".
/// Each success is noted in the log beside the Custom List.
class SendWindow : public QDialog {
    Q_OBJECT
public:
    SendWindow(CheckedSubmission list, FtpServer server, QString logPath, QWidget* parent = nullptr);
    ~SendWindow() override;

    /// Runs the send (from the event loop once the window is first shown).
    void FormCreate();
    /// "Cancel" while sending, "Close" afterwards.
    void btnCancelClick();

    QString StatusText() const;
    /// Whether the send has ended, either way.
    bool Finished() const { return finished_; }
    /// The name the list was stored under; empty until a send succeeded.
    const std::string& SentName() const { return sent_.name; }

    QLabel* lblStatus = nullptr;
    QProgressBar* progress = nullptr;
    QPushButton* btnCancel = nullptr;

    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void SetStatus(const QString& text);
    void Finish(const QString& text);

    CheckedSubmission list_;
    FtpServer server_;
    QString logPath_;
    SubmitFlow flow_;
    std::unique_ptr<AntiFreeze> antiFreeze_;
    SentSubmission sent_;
    bool sendQueued_ = false;
    bool sending_ = false;
    bool cancelled_ = false;
    bool finished_ = false;
};

} // namespace quorvane::app
