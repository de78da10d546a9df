#include "app/ui/SendWindow.h"

#include "app/text/MessageWithFullStop.h"
#include "app/ui/CertificateDialog.h"
#include "net/ftp/FtpClient.h"

#include <QFile>

#include <chrono>
#include <exception>

namespace quorvane::app {

SendWindow::SendWindow(CheckedSubmission list, FtpServer server, QString logPath, QWidget* parent)
    : NetworkJobWindow(
          QStringLiteral("Sending Custom List"), [this](const Report& report) { return Send(report); },
          [this] { flow_.Abort(); }, static_cast<std::int64_t>(list.bytes.size()),
          QStringLiteral("Sending was cancelled."), parent),
      list_(std::move(list)),
      server_(std::move(server)),
      logPath_(std::move(logPath)),
      flow_(server_)
{
    setObjectName(QStringLiteral("SendWindow"));
    // A certificate that does not verify is put to the user before the
    // login, as the Download Window does.
    flow_.Client().OnUnverifiedCertificate = [this](const ftp::FtpClient::UnverifiedCertificate& certificate) {
        return CertificateDialog::AskToTrust(CertificateQuestion::About(certificate), server_.Host, server_.Port,
                                             CertificateDialog::RequirementOf(server_), this);
    };
}

SendWindow::~SendWindow() = default;

std::string SendWindow::Send(const Report& report)
{
    try {
        sent_ = flow_.Send(list_, report.status, report.progress);
    } catch (...) {
        // A server may keep the part it received; after a cancel it is asked
        // to delete it.
        if (Cancelled())
            flow_.RemovePartial();
        throw;
    }
    std::string outcome = sent_.Text();
    try {
        SubmitFlow::AppendToLog(QFile::encodeName(logPath_).toStdString(), server_.Host, sent_,
                                std::chrono::system_clock::now());
    } catch (const std::exception& error) {
        outcome += ' ' + MessageWithFullStop(error.what());
    }
    return outcome;
}

} // namespace quorvane::app
