#include "app/ui/UpdateBehaviour.h"

#include "app/text/Utf8Text.h"
#include "app/ui/Asker.h"
#include "app/ui/DownloadWindow.h"
#include "app/ui/MainWindow.h"

#include <QStringList>

namespace quorvane::app {

namespace {

const QString kUpToDate = QStringLiteral("Your version is already up to date. Closing download window.");

} // namespace

UpdateBehaviour::UpdateBehaviour(MainWindow& mainWindow, UpdateSettings settings)
    : mainWindow_(mainWindow), flow_(mainWindow.ListLogic(), std::move(settings))
{}

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
    flow_.Connect(*this);
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
    window_->SetStatusText(text);
}

void UpdateBehaviour::Secured(const QString& version)
{
    window_->SetSecurityText(version);
}

void UpdateBehaviour::ShowListing(const std::vector<std::string>& lines)
{
    QStringList shown;
    shown.reserve(static_cast<qsizetype>(lines.size()));
    for (const std::string& line : lines)
        shown << Utf8Text::Decode(line);
    window_->SetListLines(shown);
}

void UpdateBehaviour::DownloadProgress(std::int64_t bytes)
{
    window_->SetStatusText(QStringLiteral("Downloading... %1 bytes").arg(bytes));
}

} // namespace quorvane::app
