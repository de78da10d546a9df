#include "app/ui/MainWindow.h"

#include "app/list/ListFileNames.h"
#include "app/ui/AboutWindow.h"
#include "app/ui/AnchoredPage.h"
#include "app/ui/AntiFreeze.h"
#include "app/ui/Asker.h"
#include "app/ui/ChangesWindow.h"
#include "app/ui/DesignFont.h"
#include "app/ui/DownloadWindow.h"
#include "app/ui/ErrorBox.h"
#include "app/ui/Images.h"
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
const QString kCloseQuestion = QStringLiteral("Save your Custom List before closing?");
const QString kSaveBeforeSendQuestion =
    QStringLiteral("Your Custom List has changes that are not saved, and only the saved list is sent. "
                   "Save the changes first?");
const QString kNoCustomListToSend = QStringLiteral("There is no Custom List to send. Save one first.");
const QString kSaveQuestion =
    QStringLiteral("This will overwrite any previous custom lists. Are you sure you're ready to write your "
                   "custom GCM list?");

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
    PageControl1->addTab(TabSheet1, Images::icon(Images::PaleBlueDisc), QStringLiteral("ZUR Urediz"));

    Label1 = label(TabSheet1, "Label1", QStringLiteral("Search For:"), 8, 8, 72);
    gcmName = edit(TabSheet1, "gcmName", 72, 8, 273);
    gcmName->installEventFilter(this);

    btnGCMSearch = named(new QToolButton(TabSheet1), "btnGCMSearch");
    btnGCMSearch->setText(QStringLiteral("&Search"));
    btnGCMSearch->setIcon(Images::searchGlyph());
    btnGCMSearch->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    btnGCMSearch->setFocusPolicy(Qt::NoFocus); // a speed button takes no keyboard focus
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
    TabSheet1->anchorAllSides(List);

    QWidget::setTabOrder(gcmName, List);
    QWidget::setTabOrder(List, dispBoot);
}

void MainWindow::BuildEditorPage()
{
    TabSheet2 = named(new AnchoredPage(kPageSize), "TabSheet2");
    PageControl1->addTab(TabSheet2, Images::icon(Images::WrittenPage), QStringLiteral("Create Custom list."));

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
    label(TabSheet2, "Label13", QStringLiteral("enter a '?' if size is unknown."), 280, 79);
    label(TabSheet2, "Label4", QStringLiteral("Notes:"), 56, 103, 96);
    strGNotes = edit(TabSheet2, "strGNotes", 96, 103, 377);
    label(TabSheet2, "Label5", QStringLiteral("Shrunk Size:"), 24, 127, 96);
    strGSSize = edit(TabSheet2, "strGSSize", 96, 127, 177);
    label(TabSheet2, "Label6", QStringLiteral("enter a '?' if size is unknown."), 280, 127);
    label(TabSheet2, "Label7", QStringLiteral("Good:"), 56, 151, 96);
    strGGood = edit(TabSheet2, "strGGood", 96, 151, 177);
    label(TabSheet2, "Label8", QStringLiteral("Internal Program flag, enter 1 for Boots and 2 for Doesn't Boot."), 280,
          151);
    label(TabSheet2, "Label9", QStringLiteral("Nick:"), 56, 175, 96);
    strGNick = edit(TabSheet2, "strGNick", 96, 175, 177);
    label(TabSheet2, "Label10", QStringLiteral("enter you nickname (if you want recognition?)"), 280, 175);
    label(TabSheet2, "Label11", QStringLiteral("Boot Instructions:"), 8, 199, 96);
    strGBootNotes = edit(TabSheet2, "strGBootNotes", 96, 199, 369);

    btnAddGCM = named(new QPushButton(QStringLiteral("Add &GCM"), TabSheet2), "btnAddGCM");
    btnAddGCM->setGeometry(96, 225, 89, 25);
    Wire(btnAddGCM, &QPushButton::clicked, &MainWindow::btnAddGCMClick);

    addView = named(new SortedListView(editorColumns(), SortedListModel::CaptionEditing::InPlace,
                                       SortedListModel::RowImages::Hidden, TabSheet2),
                    "addView");
    addView->setGeometry(8, 256, 611, 208);
    TabSheet2->anchorAllSides(addView);
    addView->installEventFilter(this);
    // An in-place caption edit is a change to the rows like Add and Remove.
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
    TabSheet3 = named(new MyGamesPage(folder, *this), "TabSheet3");
    PageControl1->addTab(TabSheet3, Images::icon(Images::TwoComputers), QStringLiteral("My Games"));
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
    connect(Database1, &QMenu::aboutToShow, this, [this] { EnableWhatChanged(); });

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
    if (list_.LoadAndShowMainList(SelectedBootFilter(), *List, *this) == StartupLoad::MainListMissing) {
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

void MainWindow::btnGCMSearchClick()
{
    SearchIn(list_.ListShown(), gcmName->text());
}

void MainWindow::SearchIn(ListKind list, const QString& text)
{
    lastFill_ = LastFill::Search;
    lastSearchList_ = list;
    lastSearchText_ = text;
    list_.Search(list, text, SelectedBootFilter(), *List);
}

void MainWindow::ShowALLGCMs1Click()
{
    lastFill_ = LastFill::Show;
    list_.ShowMainList(SelectedBootFilter(), *List, *this);
}

void MainWindow::ShowCustomListGCMs1Click()
{
    // Load first: a Custom List that cannot be loaded leaves the window as
    // it was, with the Main List (or the Custom List shown before) in view.
    list_.LoadCustomList();
    lastFill_ = LastFill::Show;
    list_.ShowList(ListKind::Custom, SelectedBootFilter(), *List, *this);
}

void MainWindow::dispBootClick()
{
    switch (lastFill_) {
    case LastFill::Nothing: return;
    case LastFill::Search:
        if (list_.IsLoaded(lastSearchList_))
            list_.Search(lastSearchList_, lastSearchText_, SelectedBootFilter(), *List);
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
                    strGGood->text(), strGNick->text(),  strGBootNotes->text()};
    if (CustomListEditor::IsBlank(row)) {
        Asker::messageDlg(kBlankRowWarning, MsgDlgType::Warning, MbOK, 0);
        return;
    }
    addView->rows().AddItem(std::move(row));
    editor_.MarkChanged();
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
    // While a caption is being edited, Delete belongs to the edit.
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
    if (Asker::messageDlg(kSaveQuestion, MsgDlgType::Confirmation, MbYes | MbNo, 0) != MrYes)
        return false;
    // The file keeps the name order, whichever column the view is sorted by.
    editor_.Save(addView->rows().itemsInNameOrder());
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
    list_.ExportHtml();
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

void MainWindow::EnableWhatChanged()
{
    WhatChanged1->setEnabled(QFileInfo(list_.FilePath(QString::fromLatin1(PreviousListFileName))).isFile());
}

void MainWindow::ReloadMainList()
{
    list_.ReloadMainList(SelectedBootFilter(), *List, *this);
    lastFill_ = LastFill::Show;
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
    strGID->setText(gameId);
    strGName->setText(gameName);
    PageControl1->setCurrentWidget(TabSheet2);
}

// ---- events --------------------------------------------------------------

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
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
