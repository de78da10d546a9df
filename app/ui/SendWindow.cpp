#include "app/ui/SendWindow.h"

#include "app/text/MessageWithFullStop.h"
#include "app/text/Utf8Text.h"
#include "app/ui/AntiFreeze.h"
#include "app/ui/CertificateDialog.h"
#include "app/ui/DesignFont.h"
#include "app/ui/Images.h"
#include "app/update/ShownError.h"
#include "net/ftp/FtpClient.h"

#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <chrono>
#include <exception>

namespace quorvane::app {

namespace {

const QString kCancelled = QStringLiteral("Sending was cancelled.");

} // namespace

SendWindow::SendWindow(CheckedSubmission list, FtpServer server, QString logPath, QWidget* parent)
    : QDialog(parent),
      list_(std::move(list)),
      server_(std::move(server)),
      logPath_(std::move(logPath)),
      flow_(server_),
      antiFreeze_(std::make_unique<AntiFreeze>())
{
    // A certificate that does not verify is put to the user before the
    // login, as the Download Window does.
    flow_.Client().OnUnverifiedCertificate = [this](const ftp::FtpClient::UnverifiedCertificate& certificate) {
        return CertificateDialog::AskToTrust(CertificateQuestion::About(certificate), server_.Host, server_.Port,
                                             CertificateDialog::RequirementOf(server_), this);
    };
    setObjectName(QStringLiteral("SendWindow"));
    setWindowTitle(QStringLiteral("Sending Custom List"));
    setWindowIcon(Images::applicationIcon());
    DesignFont::apply(*this);

    lblStatus = new QLabel(this);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    // Server replies and file names are never read as markup.
    lblStatus->setTextFormat(Qt::PlainText);
    lblStatus->setWordWrap(true);
    lblStatus->setMinimumWidth(360);
    progress = new QProgressBar(this);
    progress->setObjectName(QStringLiteral("progress"));
    progress->setRange(0, static_cast<int>(list_.bytes.size()));
    progress->setValue(0);
    btnCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    connect(btnCancel, &QPushButton::clicked, this, &SendWindow::btnCancelClick);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblStatus);
    layout->addWidget(progress);
    layout->addWidget(btnCancel, 0, Qt::AlignRight);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

SendWindow::~SendWindow() = default;

void SendWindow::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (sendQueued_)
        return;
    sendQueued_ = true;
    // Queued, so that the window is on screen and its modal run in force
    // before the send waits on the network: Cancel then reaches the flow.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (isVisible())
                FormCreate();
        },
        Qt::QueuedConnection);
}

void SendWindow::FormCreate()
{
    if (finished_ || sending_)
        return;
    if (cancelled_) {
        Finish(kCancelled);
        return;
    }
    sending_ = true;
    QString outcome;
    try {
        sent_ = flow_.Send(
            list_, [this](const std::string& text) { SetStatus(Utf8Text::Decode(text)); },
            [this](std::int64_t bytes) { progress->setValue(static_cast<int>(bytes)); });
        outcome = Utf8Text::Decode(sent_.Text());
    } catch (const std::exception& error) {
        outcome = cancelled_ ? kCancelled : Utf8Text::Decode(ShownError(error));
    }
    sending_ = false;
    if (cancelled_ && sent_.name.empty()) {
        // What the abort left behind (a closed connection, the server's 426)
        // is not shown: the cancel is. A server may keep the part it
        // received; it is asked to delete it.
        flow_.RemovePartial();
        Finish(kCancelled);
        return;
    }
    if (!sent_.name.empty()) {
        try {
            SubmitFlow::AppendToLog(QFile::encodeName(logPath_).toStdString(), server_.Host, sent_,
                                    std::chrono::system_clock::now());
        } catch (const std::exception& error) {
            outcome += QLatin1Char(' ') + Utf8Text::Decode(MessageWithFullStop(error.what()));
        }
    }
    Finish(outcome);
}

void SendWindow::btnCancelClick()
{
    if (finished_) {
        accept();
        return;
    }
    cancelled_ = true;
    SetStatus(QStringLiteral("Cancelling..."));
    btnCancel->setEnabled(false);
    if (sending_)
        flow_.Abort();
}

void SendWindow::reject()
{
    if (!finished_) {
        cancelled_ = true;
        if (sending_)
            flow_.Abort();
    }
    QDialog::reject();
}

QString SendWindow::StatusText() const
{
    return lblStatus->text();
}

void SendWindow::SetStatus(const QString& text)
{
    lblStatus->setText(text);
}

void SendWindow::Finish(const QString& text)
{
    finished_ = true;
    SetStatus(text);
    if (!sent_.name.empty())
        progress->setValue(progress->maximum());
    btnCancel->setText(QStringLiteral("&Close"));
    btnCancel->setEnabled(true);
    btnCancel->setDefault(true);
}

} // namespace quorvane::app
