#include "app/ui/MyGamesPage.h"

#include "app/list/MainList.h"
#include "app/scan/GameScan.h"
#include "app/scan/ScanControl.h"
#include "app/settings/SettingsKeys.h"
#include "app/settings/UserSettings.h"
#include "app/ui/ErrorBox.h"
#include "app/ui/FormControls.h"
#include "app/ui/Images.h"
#include "app/ui/SortedListView.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QTimer>
#include <QToolButton>

#include <exception>
#include <memory>

namespace quorvane::app {

namespace {

const QSize kPageSize(627, 501);
constexpr int kProgressIntervalMs = 100;

std::vector<SortedListView::Column> gamesColumns()
{
    return {
        {QStringLiteral("Name"), 155},  {QStringLiteral("ID"), 55},    {QStringLiteral("Disc"), 35},
        {QStringLiteral("Status"), 90}, {QStringLiteral("Notes"), 95}, {QStringLiteral("Instructions"), 95},
        {QStringLiteral("File"), 100},
    };
}

/// A scanned image as a row of the view: caption the shown name, then ID,
/// disc, status, notes, instructions and file; the tick, the cross or the
/// "not in list" image.
ListItem rowOf(const ScannedImage& image)
{
    ListItem row;
    row.caption = image.ShownName();
    row.subItems = {image.gameId, QString::number(image.disc), image.StatusText(),
                    image.notes,  image.instructions,          image.path};
    row.image = image.status == ImageStatus::Boots         ? BootImage::Tick
                : image.status == ImageStatus::DoesNotBoot ? BootImage::Cross
                                                           : BootImage::NotInList;
    return row;
}

constexpr std::size_t kIdColumn = 0;
constexpr std::size_t kFileColumn = 5;

} // namespace

/// What the worker hands back: the report, or the failure that ended it.
struct MyGamesPage::Outcome {
    /// The folder scanned, as a full path.
    QString folder;
    ScanReport report;
    std::exception_ptr error;
};

MyGamesPage::MyGamesPage(QString listFolder, QWidget* parent)
    : AnchoredPage(kPageSize, parent), listFolder_(std::move(listFolder))
{
    auto guarded = [this](void (MyGamesPage::*handler)()) {
        return [this, handler] { ErrorBox::guard([this, handler] { (this->*handler)(); }); };
    };

    Label14 = named(new QLabel(QStringLiteral("Folder:"), this), "Label14");
    Label14->move(8, 11);
    scanFolder = named(new QLineEdit(this), "scanFolder");
    scanFolder->setGeometry(56, 8, 361, 21);
    btnChooseFolder = named(new QToolButton(this), "btnChooseFolder");
    btnChooseFolder->setText(QStringLiteral("..."));
    btnChooseFolder->setGeometry(420, 8, 25, 21);
    btnScan = named(new QPushButton(QStringLiteral("&Scan"), this), "btnScan");
    btnScan->setGeometry(452, 6, 81, 25);
    btnScan->setDefault(true);

    btnAddToCustomList = named(new QPushButton(QStringLiteral("Add &to Custom List"), this), "btnAddToCustomList");
    btnAddToCustomList->setGeometry(56, 34, 121, 25);
    // The counts stand here too: the status panel is narrower than they are.
    scanCounts = named(new QLabel(this), "scanCounts");
    scanCounts->setTextFormat(Qt::PlainText);
    scanCounts->setGeometry(184, 38, 443, 17);
    scanProgress = named(new QProgressBar(this), "scanProgress");
    scanProgress->setGeometry(184, 38, 261, 17);
    scanProgress->setRange(0, 0); // the number of files is not known ahead
    btnCancelScan = named(new QPushButton(QStringLiteral("&Cancel"), this), "btnCancelScan");
    btnCancelScan->setGeometry(452, 34, 81, 25);

    gamesView = named(new SortedListView(gamesColumns(), SortedListModel::CaptionEditing::ReadOnly,
                                         SortedListModel::RowImages::Shown, this),
                      "gamesView");
    gamesView->setGeometry(0, 64, 627, 432);
    anchorAllSides(gamesView);

    connect(btnChooseFolder, &QToolButton::clicked, this, guarded(&MyGamesPage::btnChooseFolderClick));
    connect(btnScan, &QPushButton::clicked, this, guarded(&MyGamesPage::btnScanClick));
    connect(scanFolder, &QLineEdit::returnPressed, this, guarded(&MyGamesPage::btnScanClick));
    connect(btnCancelScan, &QPushButton::clicked, this, guarded(&MyGamesPage::btnCancelScanClick));
    connect(btnAddToCustomList, &QPushButton::clicked, this, guarded(&MyGamesPage::btnAddToCustomListClick));
    connect(gamesView, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex& index) { ErrorBox::guard([this, index] { gamesViewDblClick(index.row()); }); });

    progressTimer_ = new QTimer(this);
    progressTimer_->setInterval(kProgressIntervalMs);
    connect(progressTimer_, &QTimer::timeout, this, [this] { ShowProgress(); });

    scanFolder->setText(UserSettings::Open()->value(QString::fromLatin1(ScanFolderKey)).toString());
    SetRunning(false);
}

MyGamesPage::~MyGamesPage()
{
    if (worker_.joinable()) {
        control_->cancelled = true;
        worker_.join();
    }
}

void MyGamesPage::SetRunning(bool running)
{
    btnScan->setEnabled(!running);
    scanCounts->setVisible(!running);
    scanProgress->setVisible(running);
    btnCancelScan->setVisible(running);
    if (running)
        progressTimer_->start();
    else
        progressTimer_->stop();
}

void MyGamesPage::SetStatusText(const QString& text)
{
    statusText_ = text;
    Q_EMIT statusChanged(text);
}

void MyGamesPage::ShowProgress()
{
    if (control_)
        SetStatusText(QStringLiteral("Scanning: %1 files").arg(control_->filesSeen.load()));
}

void MyGamesPage::btnChooseFolderClick()
{
    const QString chosen =
        QFileDialog::getExistingDirectory(this, QStringLiteral("Folder to scan"), scanFolder->text());
    if (!chosen.isEmpty())
        scanFolder->setText(QDir::toNativeSeparators(chosen));
}

void MyGamesPage::btnScanClick()
{
    if (Scanning())
        return;
    const QString folder = scanFolder->text();
    control_ = std::make_shared<ScanControl>();
    auto outcome = std::make_shared<Outcome>();
    outcome->folder = QFileInfo(folder).absoluteFilePath();
    SetRunning(true);
    ShowProgress();
    // The worker loads the Main List into a document of its own, so nothing
    // it reads is shared with the window's document.
    worker_ = std::thread([this, folder, outcome, control = control_, listFolder = listFolder_] {
        try {
            MainList list(listFolder);
            GameScan::LoadMainList(list);
            outcome->report = GameScan::Run(list, QFile::encodeName(folder).toStdString(), control.get());
        } catch (...) {
            outcome->error = std::current_exception();
        }
        // Queued to the page: a page destroyed meanwhile has joined this
        // thread first, and its pending calls go with it.
        QMetaObject::invokeMethod(
            this, [this, outcome] { ScanDone(outcome); }, Qt::QueuedConnection);
    });
}

void MyGamesPage::btnCancelScanClick()
{
    if (control_)
        control_->cancelled = true;
}

void MyGamesPage::ScanDone(const std::shared_ptr<Outcome>& outcome)
{
    worker_.join();
    SetRunning(false);
    ErrorBox::guard([this, &outcome] {
        if (outcome->error) {
            SetStatusText(QString());
            std::rethrow_exception(outcome->error);
        }
        if (outcome->report.cancelled) {
            SetStatusText(QStringLiteral("Scan cancelled"));
            return;
        }
        report_ = std::move(outcome->report);
        ShowReport();
        // Through the one writer of the settings file, which keeps it private
        // to its owner: it may hold the update server's password.
        const std::unique_ptr<QSettings> settings = UserSettings::Open();
        settings->setValue(QString::fromLatin1(ScanFolderKey), outcome->folder);
        UserSettings::Save(*settings);
    });
}

void MyGamesPage::ShowReport()
{
    gamesView->Clear();
    // The report is in the view's order already; the view's own sort by name
    // is stable, so disc and path stay in order among equal names.
    for (const ScannedImage& image : report_.images)
        gamesView->AddItem(rowOf(image));
    gamesView->FillFinished();
    scanCounts->setText(report_.counts.Summary());
    SetStatusText(scanCounts->text());
}

void MyGamesPage::gamesViewDblClick(int row)
{
    if (row < 0 || row >= gamesView->rows().size())
        return;
    const ListItem& item = gamesView->rows().item(row);
    if (item.image != BootImage::NotInList)
        Q_EMIT showRecordRequested(item.caption);
}

void MyGamesPage::btnAddToCustomListClick()
{
    const int row = gamesView->currentIndex().row();
    if (row < 0 || row >= gamesView->rows().size())
        return;
    const ListItem& item = gamesView->rows().item(row);
    const QString name =
        item.image == BootImage::NotInList ? QFileInfo(item.subItems[kFileColumn]).completeBaseName() : item.caption;
    Q_EMIT addToCustomListRequested(item.subItems[kIdColumn], name);
}

} // namespace quorvane::app
