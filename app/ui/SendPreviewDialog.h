#pragma once

#include "app/update/FtpServer.h"
#include "app/update/SubmitFlow.h"

#include <QDialog>

class QLabel;
class QPushButton;
class QTreeWidget;

namespace quorvane::app {

/// "Send Custom List": what a submission would send, before anything goes:
/// the server's host, the records (name, ID, whether it boots, nick), the
/// size, and that the nick in each record goes along. "Send" accepts,
/// "Cancel" (the default, as Escape and the close box) rejects.
class SendPreviewDialog : public QDialog {
    Q_OBJECT
public:
    SendPreviewDialog(const CheckedSubmission& list, const FtpServer& server, QWidget* parent = nullptr);

    QLabel* lblHost = nullptr;
    QTreeWidget* viewRecords = nullptr;
    QLabel* lblSize = nullptr;
    QLabel* lblNick = nullptr;
    QPushButton* btnSend = nullptr;
    QPushButton* btnCancel = nullptr;
};

} // namespace quorvane::app
