#include "app/ui/MainWindow.h"

#include "app/list/ListFileNames.h"
#include "app/ui/AboutWindow.h"
#include "app/ui/AnchoredPage.h"
#include "app/ui/AntiFreeze.h"
#include "app/ui/Asker.h"
#include "app/ui/ChangesWindow.h"
#include "app/ui/CustomListPage.h"
#include "app/ui/DesignFont.h"
#include "app/ui/DownloadWindow.h"
#include "app/ui/ErrorBox.h"
#include "app/ui/FormControls.h"
#include "app/ui/Images.h"
#include "app/ui/KeepersWindow.h"
#include "app/ui/KeyCodes.h"
#include "app/ui/MenuBarStyle.h"
#include "app/ui/MessagePanel.h"
#include "app/ui/MyGamesPage.h"
#include "app/ui/SortedListView.h"
#include "app/ui/UpdateServerDialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

namespace quorvane::app {

namespace {

// Client area below the menu bar, and the page control's design geometry.
constexpr int kClientWidth = 639;
constexpr int kClientHeight = 554;
constexpr int kStatusHeight = 19;
const QSize kPageControlSize(635, 529);
const QSize kPageSize(627, 501);

/// The key code of "Check for List Updates": C (67) + Ctrl (16384) + Alt (32768).
constexpr int kCheckForUpdatesShortcut = 49219;

const QString kMissingListQuestion = QStringLiteral("Can't find the GCM data file, do you want to download it?");
const QString kUpdateQuestion =
    QStringLiteral("Are you sure you want to check for updates? This could take a couple of minutes "
                   "depending on your internet connection.");
const QString kCloseQuestion = QStringLiteral("Save your Custom List before closing?");

std::vector<SortedListView::Column> searchColumns()
{
    return {
        {QStringLiteral("Name"), 100},
        {QStringLiteral("ID:"), 50},
        {QStringLiteral("Boot Status:"), 100},
        {QStringLiteral("Shrunk Size (MB)"), 90, SortedListModel::ColumnOrder::Number},
        {QStringLiteral("Good:"), 50},
        {QStringLiteral("Nick:"), 80},
        {QStringLiteral("Instructions:"), 100},
    };
}

/// "Saved 3 records to custGCMList.xml." for a moment in the message panel,
/// with the folder of the file in its tool tip.
void TellWritten(MessagePanel& messages, const MainList& list, const QString& verb, std::size_t records,
                 const char* fileName)
{
    const QString name = QString::fromLatin1(fileName);
    const QString counted =
        records == 1 ? QStringLiteral("1 record") : QStringLiteral("%1 records").arg(static_cast<qulonglong>(records));
    messages.ShowPassing(QStringLiteral("%1 %2 to %3.").arg(verb, counted, name),
                         QDir::toNativeSeparators(QFileInfo(list.FilePath(name)).absolutePath()));
}

} // namespace

template <typename Sender, typename Signal>
void MainWindow::Wire(Sender* sender, Signal signal, void (MainWindow::*handler)())
{
    connect(sender, signal, this, [this, handler] { ErrorBox::guard([this, handler] { (this->*handler)(); }); });
}

MainWindow::MainWindow(const QString& folder, DownloadBehaviourFactory downloadBehaviour,
                       UpdateServerChoice updateServer, WindowLayout::Start layout)
    : list_(folder), downloadBehaviour_(std::move(downloadBehaviour)), updateServer_(std::move(updateServer))
{
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(QStringLiteral("Quorvane v1.00 - Marrisk"));
    setWindowIcon(Images::applicationIcon());
    DesignFont::apply(*this);

    auto* client = new AnchoredPage(QSize(kClientWidth, kClientHeight - kStatusHeight), this);
    client->setObjectName(QStringLiteral("ClientArea"));
    setCentralWidget(client);

    PageControl1 = named(new QTabWidget(client), "PageControl1");
    PageControl1->setGeometry(QRect(QPoint(0, 0), kPageControlSize));
    PageControl1->setIconSize(QSize(16, 16));
    client->anchorAllSides(PageControl1);

    BuildSearchPage();
    BuildEditorPage();
    BuildMyGamesPage(folder);
    PageControl1->setCurrentIndex(0);
    BuildMenu();
    BuildStatusBar();
    Anti = std::make_unique<AntiFreeze>();

    // My Games shows its own status in the message panel while it is shown;
    // what the panel held for the other pages comes back when it is left.
    connect(TabSheet3, &MyGamesPage::statusChanged, this, [this](const QString& text) {
        if (PageControl1->currentWidget() == TabSheet3)
            messagePanel_->SetLasting(text);
    });
    connect(PageControl1, &QTabWidget::currentChanged, this,
            [this, shown = PageControl1->currentWidget(), kept = QString()](int) mutable {
                QWidget* now = PageControl1->currentWidget();
                if (shown == TabSheet3 && now != TabSheet3)
                    messagePanel_->SetLasting(kept);
                if (now == TabSheet3 && shown != TabSheet3) {
                    kept = messagePanel_->Lasting();
                    messagePanel_->SetLasting(TabSheet3->StatusText());
                }
                shown = now;
            });

    // Smaller than its design, the window would cut off controls that
    // nothing else reaches.
    setMinimumSize(kClientWidth, kClientHeight + menuBar()->sizeHint().height());
    resize(minimumSize());
    if (const QScreen* screen = QApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    if (layout == WindowLayout::Start::Saved)
        WindowLayout::Restore(*this, *PageControl1);

    ErrorBox::guard([this] { FormCreate(); });
    // Its own guard: a Custom List that does not load is reported once, after
    // the Main List's start-up, and the editor starts empty.
    ErrorBox::guard([this] { TabSheet2->OpenEditor(); });
}

MainWindow::~MainWindow() = default;

void MainWindow::BuildSearchPage()
{
    TabSheet1 = named(new AnchoredPage(kPageSize), "TabSheet1");
    PageControl1->addTab(TabSheet1, Images::icon(Images::PaleBlueDisc), QStringLiteral("&ZUR Urediz"));

    Label1 = labelAt(TabSheet1, "Label1", QStringLiteral("Search For:"), 8, 8, 72);
    gcmName = editAt(TabSheet1, "gcmName", 72, 8, 273);
    gcmName->installEventFilter(this);
    // Only the user's typing filters: textEdited is not emitted when the
    // program sets the text (ShowScannedRecord).
    Wire(gcmName, &QLineEdit::textEdited, &MainWindow::gcmNameChange);
    FilterTimer = new QTimer(this);
    FilterTimer->setObjectName(QStringLiteral("FilterTimer"));
    FilterTimer->setSingleShot(true);
    FilterTimer->setInterval(kFilterDelayMs);
    Wire(FilterTimer, &QTimer::timeout, &MainWindow::FilterTimerTimer);

    btnGCMSearch = named(new QToolButton(TabSheet1), "btnGCMSearch");
    btnGCMSearch->setText(QStringLiteral("&Search"));
    btnGCMSearch->setIcon(Images::searchGlyph());
    btnGCMSearch->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    // Reached by Tab after the search field, so the keyboard alone can search.
    btnGCMSearch->setFocusPolicy(Qt::StrongFocus);
    btnGCMSearch->setGeometry(352, 8, 81, 25);
    Wire(btnGCMSearch, &QToolButton::clicked, &MainWindow::btnGCMSearchClick);

    dispBoot = named(new QCheckBox(QStringLiteral("Display BOOTABLE &only?"), TabSheet1), "dispBoot");
    dispBoot->setGeometry(72, 32, 161, 17);
    dispBoot->setChecked(false);
    // Only the user's toggle filters again: `clicked` is not emitted when the
    // program sets the state (ShowScannedRecord), so no command runs twice.
    Wire(dispBoot, &QCheckBox::clicked, &MainWindow::dispBootClick);

    List = named(new SortedListView(searchColumns(), SortedListModel::CaptionEditing::ReadOnly,
                                    SortedListModel::RowImages::Shown, TabSheet1),
                 "List");
    List->setGeometry(0, 56, 627, 440);
    List->viewport()->installEventFilter(this);
    TabSheet1->anchorAllSides(List);

    QWidget::setTabOrder(gcmName, btnGCMSearch);
    QWidget::setTabOrder(btnGCMSearch, dispBoot);
    QWidget::setTabOrder(dispBoot, List);
}

void MainWindow::BuildEditorPage()
{
    // Made inside the window, so its controls are sized in the window's font.
    TabSheet2 = named(new CustomListPage(list_, updateServer_, this), "TabSheet2");
    PageControl1->addTab(TabSheet2, Images::icon(Images::WrittenPage), QStringLiteral("Cr&eate Custom list."));
    connect(TabSheet2, &CustomListPage::saved, this, [this](std::size_t records) {
        TellWritten(*messagePanel_, list_, QStringLiteral("Saved"), records, CustomListFileName);
    });
}

void MainWindow::BuildMyGamesPage(const QString& folder)
{
    TabSheet3 = named(new MyGamesPage(folder), "TabSheet3");
    PageControl1->addTab(TabSheet3, Images::icon(Images::TwoComputers), QStringLiteral("&My Games"));
    connect(TabSheet3, &MyGamesPage::showRecordRequested, this,
            [this](const QString& name) { ErrorBox::guard([this, &name] { ShowScannedRecord(name); }); });
    connect(TabSheet3, &MyGamesPage::addToCustomListRequested, this,
            [this](const QString& id, const QString& name) { AddScannedImage(id, name); });
}

void MainWindow::BuildMenu()
{
    MainMenu1 = named(menuBar(), "MainMenu1");
    auto* style = new MenuBarStyle(); // wraps the application style
    style->setParent(MainMenu1);
    MainMenu1->setStyle(style);

    File1 = named(MainMenu1->addMenu(QStringLiteral("&File")), "File1");
    File1->menuAction()->setIcon(Images::icon(Images::TwoComputers));
    CheckforListUpdates1 = File1->addAction(Images::updateBitmap(), QStringLiteral("&Check for List Updates"));
    CheckforListUpdates1->setObjectName(QStringLiteral("CheckforListUpdates1"));
    CheckforListUpdates1->setShortcut(KeyCodes::shortcutFromCode(kCheckForUpdatesShortcut));
    CheckforListUpdates1->setShortcutContext(Qt::WindowShortcut);
    // Also on the window itself, so the shortcut works wherever the focus is.
    addAction(CheckforListUpdates1);
    UpdateServer1 = File1->addAction(QStringLiteral("Update &Server..."));
    UpdateServer1->setObjectName(QStringLiteral("UpdateServer1"));
    File1->addSeparator()->setObjectName(QStringLiteral("N1"));
    Exit1 = File1->addAction(QStringLiteral("E&xit"));
    Exit1->setObjectName(QStringLiteral("Exit1"));

    Database1 = named(MainMenu1->addMenu(QStringLiteral("&Database")), "Database1");
    ShowALLGCMs1 = Database1->addAction(QStringLiteral("Show &Palavera List GCM's"));
    ShowALLGCMs1->setObjectName(QStringLiteral("ShowALLGCMs1"));
    ShowCustomListGCMs1 = Database1->addAction(QStringLiteral("Show &Custom List GCM's"));
    ShowCustomListGCMs1->setObjectName(QStringLiteral("ShowCustomListGCMs1"));
    Database1->addSeparator()->setObjectName(QStringLiteral("N2"));
    ExportlisttoHTML1 = Database1->addAction(QStringLiteral("&Export list to HTML"));
    ExportlisttoHTML1->setObjectName(QStringLiteral("ExportlisttoHTML1"));
    WhatChanged1 = Database1->addAction(QStringLiteral("What C&hanged in the Last Update..."));
    WhatChanged1->setObjectName(QStringLiteral("WhatChanged1"));
    // Enabled while an update's replaced list lies beside the Main List; the
    // file can come and go behind the program's back, so look each time.
    EnableWhatChanged();
    ReviewReports1 = Database1->addAction(QStringLiteral("&Review Reports..."));
    ReviewReports1->setObjectName(QStringLiteral("ReviewReports1"));
    // The keepers' window reviews reports against the Main List: usable only
    // while one is loaded.
    ReviewReports1->setEnabled(false);
    connect(Database1, &QMenu::aboutToShow, this, [this] {
        EnableWhatChanged();
        ReviewReports1->setEnabled(list_.IsLoaded(ListKind::Main));
    });

    About1 = named(MainMenu1->addMenu(QStringLiteral("&About")), "About1");
    Ermthis1 = About1->addAction(QStringLiteral("&Erm, this."));
    Ermthis1->setObjectName(QStringLiteral("Ermthis1"));

    Wire(CheckforListUpdates1, &QAction::triggered, &MainWindow::CheckforListUpdates1Click);
    Wire(UpdateServer1, &QAction::triggered, &MainWindow::UpdateServer1Click);
    Wire(Exit1, &QAction::triggered, &MainWindow::Exit1Click);
    Wire(ShowALLGCMs1, &QAction::triggered, &MainWindow::ShowALLGCMs1Click);
    Wire(ShowCustomListGCMs1, &QAction::triggered, &MainWindow::ShowCustomListGCMs1Click);
    Wire(ExportlisttoHTML1, &QAction::triggered, &MainWindow::ExportlisttoHTML1Click);
    Wire(WhatChanged1, &QAction::triggered, &MainWindow::WhatChanged1Click);
    Wire(ReviewReports1, &QAction::triggered, &MainWindow::ReviewReports1Click);
    Wire(Ermthis1, &QAction::triggered, &MainWindow::Ermthis1Click);
}

void MainWindow::BuildStatusBar()
{
    StatusBar1 = named(statusBar(), "StatusBar1");
    StatusBar1->setSizeGripEnabled(false);
    StatusBar1->setFixedHeight(std::max(kStatusHeight, fontMetrics().height() + 4));
    panel0_ = named(new QLabel(StatusBar1), "StatusBar1Panel0");
    // The panel shows list versions and server texts: never read them as markup.
    panel0_->setTextFormat(Qt::PlainText);
    panel0_->setFixedWidth(340);
    panel0_->setFrameShape(QFrame::Panel);
    panel0_->setFrameShadow(QFrame::Sunken);
    panel1_ = named(new QLabel(QStringLiteral("Coded by Marrisk - greets to Palavera forum members!"), StatusBar1),
                    "StatusBar1Panel1");
    panel1_->setTextFormat(Qt::PlainText);
    panel1_->setMinimumWidth(50);
    panel1_->setFrameShape(QFrame::Panel);
    panel1_->setFrameShadow(QFrame::Sunken);
    // The message panel stands beside the List Summary: a search's count,
    // a page's own counts, what an action wrote.
    messagePanel_ = named(new MessagePanel(StatusBar1), "StatusBar1Message");
    messagePanel_->setFrameShape(QFrame::Panel);
    messagePanel_->setFrameShadow(QFrame::Sunken);
    messagePanel_->setMinimumWidth(50);
    StatusBar1->addWidget(panel0_);
    StatusBar1->addWidget(messagePanel_, 1);
    StatusBar1->addWidget(panel1_, 1);
}

BootFilter MainWindow::SelectedBootFilter() const
{
    return dispBoot->isChecked() ? BootFilter::BootableOnly : BootFilter::AllRecords;
}

void MainWindow::SetStatusText(const QString& text)
{
    panel0_->setText(text);
}

void MainWindow::ShowPassingMessage(const QString& text)
{
    messagePanel_->ShowPassing(text);
}

QString MainWindow::StatusText() const
{
    return panel0_->text();
}

QString MainWindow::StatusCredit() const
{
    return panel1_->text();
}

AboutWindow& MainWindow::aboutWindow()
{
    if (!aboutWindow_)
        aboutWindow_ = new AboutWindow(this);
    return *aboutWindow_;
}

// ---- handlers ------------------------------------------------------------

void MainWindow::FormCreate()
{
    lastFill_ = LastFill::Show;
    if (list_.LoadAndShowMainList(SelectedBootFilter(), *List, *this) == StartupLoad::Loaded) {
        IndexAfterPaint();
    } else {
        // An update that installs a list reloads it (ReloadMainList).
        if (Asker::messageDlg(kMissingListQuestion, MsgDlgType::Error, MbYes | MbNo, 0) == MrYes)
            StartListUpdate();
    }
}

void MainWindow::gcmNameKeyDown(int key)
{
    if (key == KeyCodes::Return)
        btnGCMSearchClick();
}

void MainWindow::gcmNameChange()
{
    FilterTimer->start();
}

void MainWindow::FilterTimerTimer()
{
    if (!list_.IsLoaded(list_.ListShown()))
        return;
    SearchIn(list_.ListShown(), gcmName->text());
}

void MainWindow::btnGCMSearchClick()
{
    // The search runs now; the filter waiting for the same text has nothing left to do.
    FilterTimer->stop();
    SearchIn(list_.ListShown(), gcmName->text());
}

void MainWindow::SearchIn(ListKind list, const QString& text)
{
    lastFill_ = LastFill::Search;
    lastSearchList_ = list;
    lastSearchText_ = text;
    // A search that fails leaves no count of an earlier one behind.
    Messages().SetLasting(QString());
    Messages().SetLasting(list_.Search(list, text, SelectedBootFilter(), *List).Text());
}

void MainWindow::EndSearch()
{
    FilterTimer->stop();
    Messages().SetLasting(QString());
}

void MainWindow::ShowALLGCMs1Click()
{
    EndSearch();
    lastFill_ = LastFill::Show;
    list_.ShowMainList(SelectedBootFilter(), *List, *this);
    // The list is shown where it can be seen, from whichever page.
    PageControl1->setCurrentWidget(TabSheet1);
}

void MainWindow::ShowCustomListGCMs1Click()
{
    // Load first: a Custom List that cannot be loaded leaves the window as
    // it was, with the Main List (or the Custom List shown before) in view.
    list_.LoadCustomList();
    EndSearch();
    lastFill_ = LastFill::Show;
    list_.ShowList(ListKind::Custom, SelectedBootFilter(), *List, *this);
    PageControl1->setCurrentWidget(TabSheet1);
}

void MainWindow::dispBootClick()
{
    switch (lastFill_) {
    case LastFill::Nothing: return;
    case LastFill::Search:
        if (list_.IsLoaded(lastSearchList_))
            SearchIn(lastSearchList_, lastSearchText_);
        return;
    case LastFill::Show:
        if (list_.IsLoaded(list_.ListShown()))
            list_.ShowList(list_.ListShown(), SelectedBootFilter(), *List, *this);
        return;
    }
}

bool MainWindow::MayClose()
{
    if (!TabSheet2->Editor().HasUnsavedChanges())
        return true;
    switch (Asker::messageDlg(kCloseQuestion, MsgDlgType::Confirmation, MbYes | MbNo | MbCancel, 0)) {
    case MrYes: {
        bool saved = false;
        ErrorBox::guard([this, &saved] { saved = TabSheet2->SaveCustomList(); });
        return saved;
    }
    case MrNo: return true;
    default: return false; // Cancel, Escape or the close box
    }
}

void MainWindow::ExportlisttoHTML1Click()
{
    const std::size_t records = list_.ExportHtml();
    TellWritten(*messagePanel_, list_, QStringLiteral("Exported"), records, HtmlExportFileName);
}

void MainWindow::CheckforListUpdates1Click()
{
    StartListUpdate();
}

void MainWindow::UpdateServer1Click()
{
    UpdateServerDialog dialog(updateServer_, this);
    if (Asker::current().runModal(dialog) == QDialog::Accepted)
        updateServer_ = dialog.Chosen();
}

void MainWindow::StartListUpdate()
{
    // The windows stay responsive while the update waits on the network, so
    // the shortcut can arrive again meanwhile; a second check would share
    // "gcmList.BAK" with the first.
    if (updateRunning_)
        return;
    if (Asker::messageDlg(kUpdateQuestion, MsgDlgType::Confirmation, MbYes | MbNo, 0) != MrYes)
        return;
    updateRunning_ = true;
    // The window has no owner and ends with this call, whichever way the
    // modal run ends.
    DownloadWindow window(*this, downloadBehaviour_);
    struct Running {
        bool& flag;
        DownloadWindow*& window;
        ~Running()
        {
            flag = false;
            window = nullptr;
        }
    } running{updateRunning_, downloadWindow_};
    downloadWindow_ = &window;
    Asker::current().runModal(window);
    EnableWhatChanged();
}

void MainWindow::WhatChanged1Click()
{
    ChangesWindow window(*this);
    Asker::current().runModal(window);
    EnableWhatChanged();
}

void MainWindow::ReviewReports1Click()
{
    if (!list_.IsLoaded(ListKind::Main))
        return;
    KeepersWindow window(*this);
    Asker::current().runModal(window);
    EnableWhatChanged();
}

void MainWindow::EnableWhatChanged()
{
    WhatChanged1->setEnabled(QFileInfo(list_.FilePath(QString::fromLatin1(PreviousListFileName))).isFile());
}

void MainWindow::ReloadMainList()
{
    list_.ReloadMainList(SelectedBootFilter(), *List, *this);
    EndSearch();
    lastFill_ = LastFill::Show;
    IndexAfterPaint();
}

void MainWindow::IndexAfterPaint()
{
    indexAfterPaint_ = true;
}

void MainWindow::Exit1Click()
{
    close();
}

void MainWindow::Ermthis1Click()
{
    aboutWindow().ShowModeless();
}

void MainWindow::ShowScannedRecord(const QString& gameName)
{
    dispBoot->setChecked(false);
    gcmName->setText(gameName);
    PageControl1->setCurrentWidget(TabSheet1);
    // The scan matched the image against the Main List, whichever list is shown.
    SearchIn(ListKind::Main, gameName);
}

void MainWindow::AddScannedImage(const QString& gameId, const QString& gameName)
{
    TabSheet2->StartRecord(gameId, gameName);
    PageControl1->setCurrentWidget(TabSheet2);
}

// ---- events --------------------------------------------------------------

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (indexAfterPaint_ && List != nullptr && watched == List->viewport() && event->type() == QEvent::Paint) {
        indexAfterPaint_ = false;
        // Queued, so the paint that shows the list ends first; the index is
        // built while the user reads it. A search that comes first builds
        // it itself, and then this finds it built.
        QMetaObject::invokeMethod(
            this,
            [this] {
                ErrorBox::guard([this] {
                    if (list_.IsLoaded(list_.ListShown()))
                        list_.SearchIndexOf(list_.ListShown());
                });
            },
            Qt::QueuedConnection);
        return false;
    }
    if (watched == gcmName && event->type() == QEvent::KeyPress) {
        const int key = KeyCodes::virtualKey(static_cast<QKeyEvent*>(event)->key());
        ErrorBox::guard([this, key] { gcmNameKeyDown(key); });
        // The key is not consumed: the edit receives it as usual.
        return false;
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (!MayClose()) {
        event->ignore();
        return;
    }
    ErrorBox::guard([this] { WindowLayout::Save(*this, *PageControl1); });
    // An update check still waiting on the network ends with the program,
    // as when its own window is closed: nothing is installed.
    if (downloadWindow_ != nullptr && downloadWindow_->isVisible())
        downloadWindow_->reject();
    // The main window's end is the program's end, even with the About
    // Window still open.
    if (aboutWindow_)
        aboutWindow_->hide();
    QMainWindow::closeEvent(event);
    QCoreApplication::quit();
}

} // namespace quorvane::app
