#include "app/ui/UpdateBehaviour.h"

#include "app/list/ListFileNames.h"
#include "app/text/ControlEscapes.h"
#include "app/text/Utf8Text.h"
#include "app/ui/Asker.h"
#include "app/ui/CertificateDialog.h"
#include "app/ui/DownloadWindow.h"
#include "app/ui/ErrorBox.h"
#include "app/ui/MainListHost.h"
#include "app/update/ServerNotReached.h"
#include "net/ftp/FtpClient.h"

#include <QStringList>

namespace quorvane::app {

namespace {

const QString kUpToDate = QStringLiteral("Your version is already up to date. Closing download window.");
const QString kServerHint = QStringLiteral("Check the update server under File > Update Server...");
const QString kGuide = QStringLiteral("Double-click gcmList.xml, or press Download, to fetch the list.");

} // namespace

UpdateBehaviour::UpdateBehaviour(MainListHost& host, FtpServer server)
    : owner_(host), host_(server.Host), port_(server.Port), server_(server), flow_(host.ListLogic(), std::move(server))
{}

bool UpdateBehaviour::TrustCertificate(const CertificateQuestion& certificate)
{
    // Asked afresh: a trust decision made since the check began applies.
    return CertificateDialog::AskToTrust(certificate, host_, port_, CertificateDialog::RequirementOf(server_), window_);
}

DownloadBehaviourFactory UpdateBehaviour::factory(FtpServer server)
{
    return [server](MainListHost& host) { return std::make_unique<UpdateBehaviour>(host, server); };
}

DownloadBehaviourFactory UpdateBehaviour::factory()
{
    return [](MainListHost& host) { return std::make_unique<UpdateBehaviour>(host, host.UpdateServer().server); };
}

void UpdateBehaviour::FormCreate(DownloadWindow& window)
{
    window_ = &window;
    systemText_.clear();
    connecting_ = true;
    try {
        flow_.Connect(*this);
    } catch (const OperationAborted&) {
        connecting_ = false;
        throw;
    } catch (const std::exception& error) {
        connecting_ = false;
        // The window shows the error's own text, completed as the error box
        // does, and for a server that was not reached at all where it can be
        // changed.
        QString text = ErrorBox::textFor(error.what());
        if (flow_.FailedOpeningConnection() && ServerNotReached(error))
            text += QLatin1Char('\n') + kServerHint;
        window.ShowFailure(text);
        return;
    }
    connecting_ = false;
    if (!flow_.Client().IsConnected())
        return; // closed while connecting
    // The progress is over: the panel shows what the server said it is.
    window.SetStatusText(systemText_);
    window.SetGuideText(kGuide);
    window.SelectFile(QString::fromLatin1(MainListFileName));
}

void UpdateBehaviour::ListDblClick(DownloadWindow& window)
{
    window_ = &window;
    const UpdateOutcome outcome = flow_.DownloadAndInstall(*this);
    if (outcome == UpdateOutcome::Installed) {
        window.SetGuideText(
            QStringLiteral("Done: list version %1 is in use.").arg(Utf8Text::Decode(flow_.InstalledVersion())));
        // The installed list is used at once; a list that fails to load
        // leaves the Main Window with the one it had, and the error box says
        // why.
        owner_.ReloadMainList();
    }
    if (outcome != UpdateOutcome::AlreadyUpToDate)
        return;
    if (Asker::messageDlg(kUpToDate, MsgDlgType::Information, MbOK, 0) == MrOk)
        window.CloseWindow();
}

void UpdateBehaviour::FormClose(DownloadWindow&)
{
    flow_.Abort();
}

void UpdateBehaviour::MainStatus(const QString& text)
{
    owner_.SetStatusText(text);
    // While it connects the window tells its own progress too.
    if (connecting_)
        window_->SetStatusText(text);
}

void UpdateBehaviour::WindowStatus(const QString& text)
{
    // The status shows what the server says of its system: its control
    // characters are shown, not passed on.
    const QString shown = Utf8Text::Decode(EscapeControls(text.toStdString()));
    window_->SetStatusText(shown);
    if (connecting_)
        systemText_ = shown;
}

void UpdateBehaviour::ChangesStatus(const QString& text)
{
    window_->SetChangesText(text);
}

void UpdateBehaviour::Secured(const QString& version, const QString& unverifiedReason)
{
    window_->SetSecurityText(version, unverifiedReason);
}

void UpdateBehaviour::NotEncrypted()
{
    window_->SetNotEncrypted();
}

void UpdateBehaviour::Note(const QString& text)
{
    owner_.ShowPassingMessage(text);
}

void UpdateBehaviour::ShowListing(const std::vector<std::string>& lines)
{
    QStringList shown;
    shown.reserve(static_cast<qsizetype>(lines.size()));
    for (const std::string& line : lines)
        shown << Utf8Text::Decode(EscapeControls(line));
    window_->SetListLines(shown);
}

void UpdateBehaviour::DownloadProgress(std::int64_t bytes)
{
    window_->SetStatusText(QStringLiteral("Downloading... %1 bytes").arg(bytes));
}

} // namespace quorvane::app
