#include "app/ui/UpdateBehaviour.h"

#include "app/settings/UpdateServerSetting.h"
#include "app/text/ControlEscapes.h"
#include "app/text/Utf8Text.h"
#include "app/ui/Asker.h"
#include "app/ui/CertificateDialog.h"
#include "app/ui/DownloadWindow.h"
#include "app/ui/ErrorBox.h"
#include "app/ui/MainWindow.h"
#include "net/transport/NetError.h"
#include "net/transport/SocketErrorCodes.h"

#include <QStringList>

namespace quorvane::app {

namespace {

const QString kUpToDate = QStringLiteral("Your version is already up to date. Closing download window.");
const QString kServerHint = QStringLiteral("Check the update server under File > Update Server...");

/// True for the system error codes that say the server is not there: no
/// address for its name, nothing listening, no answer in time.
bool IsUnreachableCode(std::int32_t code)
{
    namespace codes = net::SocketErrorCode;
    return code == codes::HostNotFound || code == codes::ConnectionRefused || code == codes::TimedOut;
}

/// True when `error` says the server could not be reached at all, judged by
/// its class and code: a wrong or outdated server address is the usual cause.
bool ServerNotReached(const std::exception& error)
{
    if (dynamic_cast<const net::ConnectTimeoutError*>(&error) != nullptr)
        return true;
    if (const auto* socket = dynamic_cast<const net::SocketError*>(&error))
        return IsUnreachableCode(socket->Code());
    if (const auto* connect = dynamic_cast<const net::ConnectError*>(&error))
        return IsUnreachableCode(connect->Code());
    return false;
}

} // namespace

UpdateBehaviour::UpdateBehaviour(MainWindow& mainWindow, UpdateSettings settings)
    : mainWindow_(mainWindow),
      host_(settings.Host),
      port_(settings.Port),
      storedFingerprint_(settings.FingerprintStored ? settings.TrustedFingerprint : std::string()),
      flow_(mainWindow.ListLogic(), std::move(settings))
{}

bool UpdateBehaviour::TrustCertificate(const CertificateQuestion& certificate)
{
    return CertificateDialog::AskToTrust(certificate, host_, port_, window_);
}

DownloadBehaviourFactory UpdateBehaviour::factory(UpdateSettings settings)
{
    return [settings](MainWindow& mainWindow) { return std::make_unique<UpdateBehaviour>(mainWindow, settings); };
}

DownloadBehaviourFactory UpdateBehaviour::factory()
{
    return [](MainWindow& mainWindow) {
        return std::make_unique<UpdateBehaviour>(mainWindow, mainWindow.UpdateServer().settings);
    };
}

void UpdateBehaviour::FormCreate(DownloadWindow& window)
{
    window_ = &window;
    try {
        flow_.Connect(*this);
        // A new certificate of a server trusted by its fingerprint got this far
        // only by verifying: it replaces the kept fingerprint.
        const std::string& shown = flow_.ServerFingerprint();
        if (!storedFingerprint_.empty() && !shown.empty() && shown != storedFingerprint_) {
            UpdateServerSetting::StoreFingerprint(host_, port_, shown);
            storedFingerprint_ = shown;
        }
    } catch (const std::exception& error) {
        if (!flow_.FailedOpeningConnection() || !ServerNotReached(error))
            throw;
        // The box keeps the error's own text, completed as always, and adds
        // where the server can be changed.
        Asker::current().showError(ErrorBox::textFor(error.what()) + QLatin1Char('\n') + kServerHint);
    }
}

void UpdateBehaviour::ListDblClick(DownloadWindow& window)
{
    window_ = &window;
    const UpdateOutcome outcome = flow_.DownloadAndInstall(*this);
    // The installed list is used at once; a list that fails to load leaves
    // the Main Window with the one it had, and the error box says why.
    if (outcome == UpdateOutcome::Installed)
        mainWindow_.ReloadMainList();
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
    mainWindow_.SetStatusText(text);
}

void UpdateBehaviour::WindowStatus(const QString& text)
{
    // The status shows what the server says of its system: its control
    // characters are shown, not passed on.
    window_->SetStatusText(Utf8Text::Decode(EscapeControls(text.toStdString())));
}

void UpdateBehaviour::ChangesStatus(const QString& text)
{
    window_->SetChangesText(text);
}

void UpdateBehaviour::Secured(const QString& version, const QString& unverifiedReason)
{
    window_->SetSecurityText(version, unverifiedReason);
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
