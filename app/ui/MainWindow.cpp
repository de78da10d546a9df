#include "app/ui/MainWindow.h"

#include "app/list/ListFileNames.h"
#include "app/settings/SettingsError.h"
#include "app/settings/SettingsKeys.h"
#include "app/settings/UserSettings.h"
#include "app/ui/AboutWindow.h"
#include "app/ui/AnchoredPage.h"
#include "app/ui/AntiFreeze.h"
#include "app/ui/Asker.h"
#include "app/ui/BootFlagBox.h"
#include "app/ui/BootFlagDelegate.h"
#include "app/ui/ChangesWindow.h"
#include "app/ui/DesignFont.h"
#include "app/ui/DownloadWindow.h"
#include "app/ui/ErrorBox.h"
#include "app/ui/Images.h"
#include "app/ui/KeepersWindow.h"
#include "app/ui/KeyCodes.h"
#include "app/ui/MenuBarStyle.h"
#include "app/ui/MessagePanel.h"
#include "app/ui/MyGamesPage.h"
#include "app/ui/SendPreviewDialog.h"
#include "app/ui/SendWindow.h"
#include "app/ui/SortedListView.h"
#include "app/ui/UpdateServerDialog.h"
#include "app/update/SubmitFlow.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
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
const QString kBlankRowWarning = QStringLiteral("Type at least a game name or a game ID.");
const QString kNoBootFlagWarning = QStringLiteral("Choose whether the game boots.");
const QString kCloseQuestion = QStringLiteral("Save your Custom List before closing?");
const QString kSaveBeforeSendQuestion =
    QStringLiteral("Your Custom List has changes that are not saved, and only the saved list is sent. "
                   "Save the changes first?");
const QString kNoCustomListToSend = QStringLiteral("There is no Custom List to send. Save one first.");
const QString kChangedOnDiskQuestion =
    QStringLiteral("custGCMList.xml changed since it was opened. Replace it with the records shown here?");

template <typename W>
W* named(W* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

/// A label at `x`, `y`. A label that stands before an edit (`editX`) and
/// would run under it in a wider font is moved left to end just before it.
QLabel* label(QWidget* parent, const char* name, const QString& text, int x, int y, int editX = -1)
{
    auto* l = named(new QLabel(text, parent), name);
    l->adjustSize();
    if (editX >= 0 && x + l->width() > editX - 2)
        x = std::max(0, editX - 2 - l->width());
    l->move(x, y + 3);
    return l;
}

QLineEdit* edit(QWidget* parent, const char* name, int x, int y, int width)
{
    auto* e = named(new QLineEdit(parent), name);
    e->setGeometry(x, y, width, 21);
    return e;
}

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

std::vector<SortedListView::Column> editorColumns()
{
    return {
        {QStringLiteral("Name:"), 100},
        {QStringLiteral("ID:"), 50},
        {QStringLiteral("Notes:"), 100},
        {QStringLiteral("Shrunk Size (MB):"), 90, SortedListModel::ColumnOrder::Number},
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
    ErrorBox::guard([this] { OpenCustomListEditor(); });
}

MainWindow::~MainWindow() = default;

void MainWindow::BuildSearchPage()
{
    TabSheet1 = named(new AnchoredPage(kPageSize), "TabSheet1");
    PageControl1->addTab(TabSheet1, Images::icon(Images::PaleBlueDisc), QStringLiteral("&ZUR Urediz"));

    Label1 = label(TabSheet1, "Label1", QStringLiteral("Search For:"), 8, 8, 72);
    gcmName = edit(TabSheet1, "gcmName", 72, 8, 273);
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
    TabSheet2 = named(new AnchoredPage(kPageSize), "TabSheet2");
    PageControl1->addTab(TabSheet2, Images::icon(Images::WrittenPage), QStringLiteral("Cr&eate Custom list."));

    Label12 = named(new QLabel(TabSheet2), "Label12");
    Label12->setText(
        QStringLiteral("Use this page to enter new GCM details into the list. \"Save List\" writes them to "
                       "custGCMList.xml; pass that file on to share your list, and load one with "
                       "\"Show Custom List GCM's\"."));
    Label12->setWordWrap(true);
    Label12->setGeometry(16, 8, 543, 26);
    QPalette hotLight = Label12->palette();
    hotLight.setColor(QPalette::WindowText, hotLight.color(QPalette::Link));
    Label12->setPalette(hotLight);

    label(TabSheet2, "Label2", QStringLiteral("Game Name:"), 24, 55, 96);
    strGName = edit(TabSheet2, "strGName", 96, 55, 377);
    label(TabSheet2, "Label3", QStringLiteral("Game ID:"), 40, 79, 96);
    strGID = edit(TabSheet2, "strGID", 96, 79, 177);
    label(TabSheet2, "Label13", QStringLiteral("the game's ID, as My Games shows it."), 280, 79);
    label(TabSheet2, "Label4", QStringLiteral("Notes:"), 56, 103, 96);
    strGNotes = edit(TabSheet2, "strGNotes", 96, 103, 377);
    label(TabSheet2, "Label5", QStringLiteral("Shrunk Size:"), 24, 127, 96);
    strGSSize = edit(TabSheet2, "strGSSize", 96, 127, 177);
    label(TabSheet2, "Label6", QStringLiteral("enter a '?' if size is unknown."), 280, 127);
    // The choices say what the flag means; the label's access key reaches them.
    QLabel* goodLabel = label(TabSheet2, "Label7", QStringLiteral("G&ood:"), 56, 151, 96);
    strGGood = named(new BootFlagBox(TabSheet2), "strGGood");
    strGGood->setGeometry(96, 151, 177, 21);
    goodLabel->setBuddy(strGGood);
    label(TabSheet2, "Label9", QStringLiteral("Nick:"), 56, 175, 96);
    strGNick = edit(TabSheet2, "strGNick", 96, 175, 177);
    // The nickname of the last record added is offered for every new one.
    strGNick->setText(UserSettings::Open()->value(settings::kEditorNick).toString());
    label(TabSheet2, "Label10", QStringLiteral("your nickname, if you want recognition."), 280, 175);
    label(TabSheet2, "Label11", QStringLiteral("Boot Instructions:"), 8, 199, 96);
    strGBootNotes = edit(TabSheet2, "strGBootNotes", 96, 199, 369);

    btnAddGCM = named(new QPushButton(QStringLiteral("Add &GCM"), TabSheet2), "btnAddGCM");
    btnAddGCM->setGeometry(96, 225, 89, 25);
    Wire(btnAddGCM, &QPushButton::clicked, &MainWindow::btnAddGCMClick);

    addView = named(new SortedListView(editorColumns(), SortedListModel::CaptionEditing::EveryCell,
                                       SortedListModel::RowImages::Hidden, TabSheet2),
                    "addView");
    addView->setGeometry(8, 256, 611, 208);
    TabSheet2->anchorAllSides(addView);
    addView->installEventFilter(this);
    // Every cell can be edited in place (F2, a double-click), the boot flag
    // with the same two choices as the page, and an edit passes the checks
    // of "Add GCM".
    addView->setItemDelegateForColumn(static_cast<int>(GoodSubItem) + 1, new BootFlagDelegate(addView));
    addView->rows().setEditCheck([](const ListItem& before, const ListItem& after) {
        if (CustomListEditor::IsBlank(after)) {
            Asker::messageDlg(kBlankRowWarning, MsgDlgType::Warning, MbOK, 0);
            return false;
        }
        // A flag text kept from the file may stay; a new one must be a choice.
        const QString& flag = after.subItems[GoodSubItem];
        if (flag != before.subItems[GoodSubItem] && flag != QLatin1String(BootsFlag) &&
            flag != QLatin1String(DoesNotBootFlag)) {
            Asker::messageDlg(kNoBootFlagWarning, MsgDlgType::Warning, MbOK, 0);
            return false;
        }
        return true;
    });
    // An edit in place is a change to the rows like Add and Remove.
    connect(&addView->rows(), &QAbstractItemModel::dataChanged, this, [this] { editor_.MarkChanged(); });

    btnRemoveGCM = named(new QPushButton(QStringLiteral("&Remove GCM"), TabSheet2), "btnRemoveGCM");
    btnRemoveGCM->setGeometry(336, 472, 115, 25);
    Wire(btnRemoveGCM, &QPushButton::clicked, &MainWindow::btnRemoveGCMClick);

    btnWriteList = named(new QPushButton(QStringLiteral("Save &List"), TabSheet2), "btnWriteList");
    btnWriteList->setGeometry(456, 472, 115, 25);
    Wire(btnWriteList, &QPushButton::clicked, &MainWindow::btnWriteListClick);

    btnSendList = named(new QPushButton(QStringLiteral("Send to List &Keepers..."), TabSheet2), "btnSendList");
    btnSendList->setGeometry(8, 472, 161, 25);
    Wire(btnSendList, &QPushButton::clicked, &MainWindow::btnSendListClick);

    QWidget* order[] = {strGName,      strGID,    strGNotes, strGSSize,    strGGood,     strGNick,
                        strGBootNotes, btnAddGCM, addView,   btnRemoveGCM, btnWriteList, btnSendList};
    for (std::size_t i = 1; i < std::size(order); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
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

void MainWindow::OpenCustomListEditor()
{
    editor_.Open(*addView);
}

void MainWindow::btnAddGCMClick()
{
    ListItem row;
    row.caption = strGName->text();
    row.subItems = {strGID->text(),   strGNotes->text(), strGSSize->text(),
                    strGGood->Flag(), strGNick->text(),  strGBootNotes->text()};
    if (CustomListEditor::IsBlank(row)) {
        Asker::messageDlg(kBlankRowWarning, MsgDlgType::Warning, MbOK, 0);
        return;
    }
    if (!strGGood->IsChosen()) {
        Asker::messageDlg(kNoBootFlagWarning, MsgDlgType::Warning, MbOK, 0);
        return;
    }
    addView->rows().AddItem(std::move(row));
    editor_.MarkChanged();
    // The next record starts clean: nothing of this one carries over by
    // accident, least of all its boot flag. The nickname stays, and is kept
    // for the next start.
    for (QLineEdit* field : {strGName, strGID, strGNotes, strGSSize, strGBootNotes})
        field->clear();
    strGGood->SetFlag(QString());
    try {
        const std::unique_ptr<QSettings> settings = UserSettings::Open();
        settings->setValue(settings::kEditorNick, strGNick->text());
        UserSettings::Save(*settings);
    } catch (const SettingsError&) {
        // The record is added all the same; only the nickname is not
        // remembered for the next start.
    }
    strGName->setFocus();
}

void MainWindow::btnRemoveGCMClick()
{
    const QModelIndexList selected = addView->selectionModel()->selectedRows();
    if (selected.isEmpty())
        return;
    addView->rows().RemoveItem(selected.first().row());
    editor_.MarkChanged();
}

void MainWindow::addViewKeyDown(int key)
{
    // While a cell is being edited, Delete belongs to the edit.
    if (key == KeyCodes::Delete && !addView->IsEditing())
        btnRemoveGCMClick();
}

void MainWindow::btnWriteListClick()
{
    SaveCustomList();
}

void MainWindow::btnSendListClick()
{
    if (editor_.HasUnsavedChanges()) {
        switch (Asker::messageDlg(kSaveBeforeSendQuestion, MsgDlgType::Confirmation, MbYes | MbNo | MbCancel, 0)) {
        case MrYes:
            if (!SaveCustomList())
                return;
            break;
        case MrNo: break; // the saved file goes as it is
        default: return;
        }
    }
    const QString file = list_.FilePath(QString::fromLatin1(CustomListFileName));
    if (!QFileInfo(file).isFile()) {
        Asker::messageDlg(kNoCustomListToSend, MsgDlgType::Information, MbOK, 0);
        return;
    }
    // A list that fails a check is shown in the error box instead of the
    // preview; the bytes checked are the bytes sent.
    CheckedSubmission checked = SubmitFlow::Check(QFile::encodeName(file).toStdString());
    const FtpServer server =
        UpdateServerSetting::StoredSubmitServer().value_or(SubmitFlow::IncomingFolderOf(updateServer_.server));
    {
        SendPreviewDialog preview(checked, server, this);
        if (Asker::current().runModal(preview) != QDialog::Accepted)
            return;
    }
    SendWindow sending(std::move(checked), server, list_.FilePath(QString::fromLatin1(SubmitFlow::LogFileName)), this);
    Asker::current().runModal(sending);
}

bool MainWindow::SaveCustomList()
{
    // The editor holds every saved record, so saving loses nothing; only a
    // file written meanwhile by someone else would be lost unseen.
    if (editor_.FileChangedOnDisk() &&
        Asker::messageDlg(kChangedOnDiskQuestion, MsgDlgType::Confirmation, MbYes | MbNo, 0) != MrYes)
        return false;
    // The file keeps the name order, whichever column the view is sorted by.
    const std::vector<ListItem> rows = addView->rows().itemsInNameOrder();
    editor_.Save(rows);
    TellWritten(*messagePanel_, list_, QStringLiteral("Saved"), rows.size(), CustomListFileName);
    return true;
}

bool MainWindow::MayClose()
{
    if (!editor_.HasUnsavedChanges())
        return true;
    switch (Asker::messageDlg(kCloseQuestion, MsgDlgType::Confirmation, MbYes | MbNo | MbCancel, 0)) {
    case MrYes: {
        bool saved = false;
        ErrorBox::guard([this, &saved] { saved = SaveCustomList(); });
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
    // A new record for an image the user is about to try: what it does is
    // theirs to fill in, so nothing typed for another record stays.
    strGID->setText(gameId);
    strGName->setText(gameName);
    for (QLineEdit* field : {strGNotes, strGSSize, strGBootNotes})
        field->clear();
    strGGood->SetFlag(QString());
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
    if (watched == addView && event->type() == QEvent::KeyPress) {
        const int key = KeyCodes::virtualKey(static_cast<QKeyEvent*>(event)->key());
        if (key == KeyCodes::Delete) {
            ErrorBox::guard([this, key] { addViewKeyDown(key); });
            return true;
        }
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
