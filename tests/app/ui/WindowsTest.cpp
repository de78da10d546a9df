#include "QtPrinters.h"
#include "UiFixture.h"
#include "app/ui/AboutWindow.h"
#include "app/ui/AnchoredPage.h"
#include "app/ui/AntiFreeze.h"
#include "app/ui/CertificateDialog.h"
#include "app/ui/ChangesWindow.h"
#include "app/ui/CustomListPage.h"
#include "app/ui/DownloadWindow.h"
#include "app/ui/KeyCodes.h"
#include "app/ui/MainWindow.h"
#include "app/ui/SendPreviewDialog.h"
#include "app/ui/SendWindow.h"
#include "app/ui/SortedListView.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>
#include <QTextDocument>
#include <QToolButton>

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

namespace quorvane::app {
namespace {

using test::UiFixture;

const QString kUpdateQuestion =
    QStringLiteral("Are you sure you want to check for updates? This could take a couple of minutes "
                   "depending on your internet connection.");

TEST(KeyCodesTest, StoredShortcutCodes)
{
    struct Case {
        int code;
        QKeySequence expected;
    };
    const std::vector<Case> cases{
        {49219, QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_C)},
        {16384 + 83, QKeySequence(Qt::CTRL | Qt::Key_S)},
        {8192 + 16384 + 49, QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_1)},
        {67, QKeySequence(Qt::Key_C)},
        {16384 + 13, QKeySequence()}, // not a letter or digit
    };
    for (const Case& c : cases)
        EXPECT_EQ(KeyCodes::shortcutFromCode(c.code), c.expected) << c.code;
    EXPECT_EQ(KeyCodes::virtualKey(Qt::Key_Return), 13);
    EXPECT_EQ(KeyCodes::virtualKey(Qt::Key_Enter), 13);
    EXPECT_EQ(KeyCodes::virtualKey(Qt::Key_A), 65);
    EXPECT_EQ(KeyCodes::virtualKey(Qt::Key_F5), 0);
}

class MainWindowLayout : public UiFixture {
protected:
    void SetUp() override
    {
        UiFixture::SetUp();
        asker.setNextAnswer(MrNo); // no "gcmList.xml" here: decline the download
        window = std::make_unique<MainWindow>();
    }
    template <typename W>
    W* find(const char* name)
    {
        return window->findChild<W*>(QString::fromLatin1(name));
    }
    std::unique_ptr<MainWindow> window;
};

/// What a widget shows as its caption: a window its title, a label its text,
/// a button its text without the access key's mark, an edit its text, a tab
/// widget its tab texts joined by "|".
QString CaptionOf(QWidget& widget)
{
    if (widget.isWindow())
        return widget.windowTitle();
    if (auto* l = qobject_cast<QLabel*>(&widget))
        return l->text();
    if (auto* b = qobject_cast<QAbstractButton*>(&widget))
        return b->text().remove('&');
    if (auto* e = qobject_cast<QLineEdit*>(&widget))
        return e->text();
    if (auto* t = qobject_cast<QTabWidget*>(&widget)) {
        QStringList tabs;
        for (int tab = 0; tab < t->count(); ++tab)
            tabs << t->tabText(tab).remove('&');
        return tabs.join('|');
    }
    return {};
}

TEST_F(MainWindowLayout, ControlsCaptionsAndPositions)
{
    QWidget* main = window.get();
    AboutWindow about(nullptr);
    struct Case {
        QWidget* in;
        const char* name; // null: the window itself
        QString text;     // caption (CaptionOf); empty for none
        QRect geometry;   // null: not checked
        int width = 0;    // 0: not checked
    };
    const std::vector<Case> cases{
        {main, nullptr, "Quorvane v1.00 - Marrisk", {}},
        {main, "PageControl1", "ZUR Urediz|Create Custom list.|My Games", {}},
        {main, "Label1", "Search For:", {}},
        {main, "gcmName", "", QRect(72, 8, 273, 21)},
        {main, "btnGCMSearch", "Search", QRect(352, 8, 81, 25)},
        {main, "dispBoot", "Display BOOTABLE only?", QRect(72, 32, 161, 17)},
        {main,
         "Label12",
         "Use this page to enter new GCM details into the list. \"Save List\" writes them to custGCMList.xml; pass "
         "that file on to share your list, and load one with \"Show Custom List GCM's\".",
         {}},
        {main, "Label2", "Game Name:", {}},
        {main, "strGName", "", QRect(96, 55, 377, 21)},
        {main, "Label3", "Game ID:", {}},
        {main, "strGID", "", QRect(96, 79, 177, 21)},
        {main, "Label13", "the game's ID, as My Games shows it.", {}},
        {main, "Label4", "Notes:", {}},
        {main, "strGNotes", "", QRect(96, 103, 377, 21)},
        {main, "Label5", "Shrunk Size:", {}},
        {main, "strGSSize", "", QRect(96, 127, 177, 21)},
        {main, "Label6", "enter a '?' if size is unknown.", {}},
        {main, "Label7", "G&ood:", {}},
        {main, "strGGood", "", QRect(96, 151, 177, 21)},
        {main, "Label9", "Nick:", {}},
        {main, "strGNick", "", QRect(96, 175, 177, 21)},
        {main, "Label10", "your nickname, if you want recognition.", {}},
        {main, "Label11", "Boot Instructions:", {}},
        {main, "strGBootNotes", "", QRect(96, 199, 369, 21)},
        {main, "btnAddGCM", "Add GCM", QRect(96, 225, 89, 25)},
        {main, "btnRemoveGCM", "Remove GCM", QRect(336, 472, 115, 25)},
        {main, "btnWriteList", "Save List", QRect(456, 472, 115, 25)},
        {main, "StatusBar1Panel0", "", {}, 340},
        {main, "StatusBar1Panel1", "Coded by Marrisk - greets to Palavera forum members!", {}},
        {&about, nullptr, "About ZUR Urediz...", {}},
        {&about, "Button1", "Okay!", {}},
    };
    for (const Case& c : cases) {
        const std::string what = c.in->objectName().toStdString() + " " + (c.name ? c.name : "");
        QWidget* w = c.name ? c.in->findChild<QWidget*>(QString::fromLatin1(c.name)) : c.in;
        ASSERT_NE(w, nullptr) << what;
        EXPECT_EQ(CaptionOf(*w), c.text) << what;
        if (!c.geometry.isNull()) {
            EXPECT_EQ(w->geometry(), c.geometry) << what;
        }
        if (c.width != 0) {
            EXPECT_EQ(w->width(), c.width) << what;
        }
    }
    EXPECT_FALSE(window->dispBoot->isChecked());
    EXPECT_FALSE(window->PageControl1->tabIcon(0).isNull());
    EXPECT_EQ(window->PageControl1->currentIndex(), 0);
}

TEST_F(MainWindowLayout, ListViewColumns)
{
    struct Case {
        SortedListView* view;
        QStringList captions;
        std::vector<int> widths;
    };
    const std::vector<Case> cases{
        {window->List,
         {"Name", "ID:", "Boot Status:", "Shrunk Size (MB)", "Good:", "Nick:", "Instructions:"},
         {100, 50, 100, 90, 50, 80, 100}},
        {window->TabSheet2->addView,
         {"Name:", "ID:", "Notes:", "Shrunk Size (MB):", "Good:", "Nick:", "Instructions:"},
         {100, 50, 100, 90, 50, 80, 100}},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(c.view->model()->columnCount(), 7);
        for (int column = 0; column < 7; ++column) {
            EXPECT_EQ(c.view->model()->headerData(column, Qt::Horizontal).toString(), c.captions[column]);
            // The last column stretches over the room left once the view is
            // laid out, which may or may not have happened yet.
            if (column == 6)
                EXPECT_GE(c.view->columnWidth(column), c.widths[static_cast<std::size_t>(column)]);
            else
                EXPECT_EQ(c.view->columnWidth(column), c.widths[static_cast<std::size_t>(column)]);
        }
        EXPECT_TRUE(c.view->showGrid());
        EXPECT_EQ(c.view->selectionBehavior(), QAbstractItemView::SelectRows);
    }
    EXPECT_EQ(window->List->editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_NE(window->TabSheet2->addView->editTriggers(), QAbstractItemView::NoEditTriggers);
}

TEST_F(MainWindowLayout, MenusInOrderWithShortcutAndImage)
{
    QStringList titles;
    for (QAction* a : window->MainMenu1->actions())
        titles << a->text().remove('&');
    EXPECT_EQ(titles, (QStringList{"File", "Database", "About"}));
    auto texts = [](QMenu* m) {
        QStringList out;
        for (QAction* a : m->actions())
            out << (a->isSeparator() ? QStringLiteral("-") : a->text().remove('&'));
        return out;
    };
    EXPECT_EQ(texts(window->File1), (QStringList{"Check for List Updates", "Update Server...", "-", "Exit"}));
    EXPECT_EQ(texts(window->Database1),
              (QStringList{"Show Palavera List GCM's", "Show Custom List GCM's", "-", "Export list to HTML",
                           "What Changed in the Last Update...", "Review Reports..."}));
    EXPECT_EQ(texts(window->About1), (QStringList{"Erm, this."}));
    // Every menu and every item has an access key, none taken twice in one
    // menu (the menu bar and the page tabs, always on screen together, count
    // as one).
    auto accessKeys = [](const QStringList& texts) {
        QStringList keys;
        for (const QString& text : texts) {
            const QKeySequence key = QKeySequence::mnemonic(text);
            EXPECT_FALSE(key.isEmpty()) << text.toStdString();
            EXPECT_FALSE(keys.contains(key.toString())) << text.toStdString();
            keys << key.toString();
        }
    };
    auto textsOf = [](const QList<QAction*>& actions) {
        QStringList texts;
        for (QAction* a : actions) {
            if (!a->isSeparator())
                texts << a->text();
        }
        return texts;
    };
    QStringList barAndTabs = textsOf(window->MainMenu1->actions());
    for (int tab = 0; tab < window->PageControl1->count(); ++tab)
        barAndTabs << window->PageControl1->tabText(tab);
    accessKeys(barAndTabs);
    for (QMenu* menu : {window->File1, window->Database1, window->About1})
        accessKeys(textsOf(menu->actions()));
    EXPECT_EQ(window->CheckforListUpdates1->shortcut(), QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_C));
    EXPECT_FALSE(window->CheckforListUpdates1->icon().isNull());
    EXPECT_FALSE(window->File1->menuAction()->icon().isNull());
}

TEST_F(MainWindowLayout, ResizeStretchesPagesAndViewsOnly)
{
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    // A page is laid out when it is first shown.
    window->PageControl1->setCurrentIndex(1);
    QApplication::processEvents();
    const QSize add = window->TabSheet2->addView->size();
    window->PageControl1->setCurrentIndex(0);
    QApplication::processEvents();
    const QSize pages = window->PageControl1->size();
    const QSize list = window->List->size();
    const QRect edit = window->gcmName->geometry();
    const QRect save = window->TabSheet2->btnWriteList->geometry();
    window->resize(window->size() + QSize(120, 80));
    QApplication::processEvents();
    EXPECT_EQ(window->PageControl1->size(), pages + QSize(120, 80));
    EXPECT_EQ(window->List->size(), list + QSize(120, 80));
    window->PageControl1->setCurrentIndex(1);
    QApplication::processEvents();
    EXPECT_EQ(window->TabSheet2->addView->size(), add + QSize(120, 80));
    EXPECT_EQ(window->gcmName->geometry(), edit);
    EXPECT_EQ(window->TabSheet2->btnWriteList->geometry(), save);
}

TEST_F(MainWindowLayout, NeverSmallerThanItsDesign)
{
    window->show();
    const QSize design = window->size();
    EXPECT_EQ(design.width(), 639);
    EXPECT_EQ(design.height() - window->MainMenu1->sizeHint().height(), 554);
    window->resize(320, 200);
    QApplication::processEvents();
    EXPECT_EQ(window->size(), design);
}

TEST_F(MainWindowLayout, TabOrderOfBothPages)
{
    window->show();
    QApplication::setActiveWindow(window.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    auto walk = [&](QWidget* first, int steps) {
        first->setFocus();
        QStringList names{QApplication::focusWidget()->objectName()};
        for (int i = 0; i < steps; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            names << QApplication::focusWidget()->objectName();
        }
        return names;
    };
    // With rows and a current cell, Tab still leaves a list view.
    for (SortedListView* view : {window->List, window->TabSheet2->addView}) {
        for (const char* name : {"b", "a"}) {
            ListItem row;
            row.caption = QString::fromLatin1(name);
            row.subItems = {"ID", "", "", "", "", ""};
            view->rows().AddItem(row);
        }
        view->setCurrentIndex(view->rows().index(0, 0));
    }
    EXPECT_EQ(walk(window->gcmName, 3), (QStringList{"gcmName", "btnGCMSearch", "dispBoot", "List"}));
    window->PageControl1->setCurrentIndex(1);
    EXPECT_EQ(walk(window->TabSheet2->strGName, 10),
              (QStringList{"strGName", "strGID", "strGNotes", "strGSSize", "strGGood", "strGNick", "strGBootNotes",
                           "btnAddGCM", "addView", "btnRemoveGCM", "btnWriteList"}));
}

TEST_F(MainWindowLayout, EveryButtonOfTheDialogsHasItsOwnAccessKey)
{
    const CheckedSubmission submission{"<IMAGE/>", {}};
    const CertificateQuestion certificate{"CN=lists", "CN=lists", "2026-01-01", "2027-01-01", "self-signed certificate",
                                          "AB:CD"};
    std::vector<std::unique_ptr<QDialog>> dialogs;
    dialogs.push_back(std::make_unique<DownloadWindow>(*window, DownloadBehaviourFactory{}));
    for (TlsRequirement requirement : {TlsRequirement::Required, TlsRequirement::WhenOffered})
        dialogs.push_back(
            std::make_unique<CertificateDialog>(certificate, "lists.example", 2121, requirement, nullptr));
    dialogs.push_back(std::make_unique<SendPreviewDialog>(submission, FtpServer{}, nullptr));
    dialogs.push_back(std::make_unique<SendWindow>(submission, FtpServer{}, QString(), nullptr));
    dialogs.push_back(std::make_unique<ChangesWindow>(*window)); // no previous list: its error is expected
    asker.errors.clear();
    for (const auto& dialog : dialogs) {
        SCOPED_TRACE(dialog->objectName().toStdString());
        QStringList keys;
        auto take = [&keys](const QString& text) {
            const QKeySequence key = QKeySequence::mnemonic(text);
            EXPECT_FALSE(key.isEmpty()) << text.toStdString();
            EXPECT_FALSE(keys.contains(key.toString())) << text.toStdString();
            keys << key.toString();
        };
        for (const QAbstractButton* button : dialog->findChildren<QAbstractButton*>())
            take(button->text());
        // A label that gives the focus to a control carries its access key.
        for (const QLabel* label : dialog->findChildren<QLabel*>()) {
            if (label->buddy() != nullptr && (label->buddy()->focusPolicy() & Qt::TabFocus) != 0)
                take(label->text());
        }
        EXPECT_FALSE(keys.isEmpty());
    }
}

TEST_F(MainWindowLayout, CtrlAltCAnywhereAsksToCheckForUpdates)
{
    window->show();
    QApplication::setActiveWindow(window.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    const std::size_t before = asker.questions.size();
    for (QWidget* focus : std::vector<QWidget*>{window->gcmName, window->List}) {
        focus->setFocus();
        asker.setNextAnswer(MrNo);
        QTest::keyClick(focus, Qt::Key_C, Qt::ControlModifier | Qt::AltModifier);
    }
    ASSERT_EQ(asker.questions.size(), before + 2);
    EXPECT_EQ(asker.questions.back().text, kUpdateQuestion);
    EXPECT_EQ(asker.questions.back().type, MsgDlgType::Confirmation);
    EXPECT_EQ(asker.questions.back().buttons, MbYes | MbNo);
    EXPECT_TRUE(asker.modalRuns.empty()); // No: no Download Window
}

TEST_F(MainWindowLayout, AboutWindowIsCreatedOnceAndOkayHidesIt)
{
    window->show();
    window->Ermthis1->trigger();
    AboutWindow* about = &window->aboutWindow();
    EXPECT_TRUE(about->isVisible());
    window->Ermthis1->trigger();
    EXPECT_EQ(&window->aboutWindow(), about);
    EXPECT_EQ(window->findChildren<AboutWindow*>().size(), 1);
    EXPECT_TRUE(about->Memo1->isReadOnly());
    QTest::mouseClick(about->Button1, Qt::LeftButton);
    EXPECT_FALSE(about->isVisible());
    // Escape, Return and Enter close it too, wherever the focus is in it.
    for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
        for (QWidget* focus : std::vector<QWidget*>{about, about->Memo1, about->Button1}) {
            window->Ermthis1->trigger();
            ASSERT_TRUE(about->isVisible());
            QTest::keyClick(focus, key);
            EXPECT_FALSE(about->isVisible()) << key << " in " << focus->objectName().toStdString();
        }
    }
    window->Ermthis1->trigger();
    EXPECT_TRUE(about->isVisible());
    EXPECT_TRUE(asker.errors.empty());
}

TEST_F(MainWindowLayout, ExitClosesTheMainWindow)
{
    window->show();
    window->Ermthis1->trigger();
    window->Exit1->trigger();
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(window->aboutWindow().isVisible());
}

/// A Download Window behaviour that records what it was asked to do.
struct RecordingBehaviour : DownloadBehaviour {
    explicit RecordingBehaviour(std::vector<std::string>& log, bool failOnCreate)
        : log_(log), failOnCreate_(failOnCreate)
    {}
    void FormCreate(DownloadWindow& window) override
    {
        log_.push_back("create");
        window.host().SetStatusText("Connecting...");
        if (failOnCreate_)
            throw std::runtime_error("Host not found");
        window.SetStatusText("UNIX Type: L8");
        window.SetListLines({"total 24", "-rw-r--r-- 1 ftp ftp 1024 gcmList.xml"});
    }
    void ListDblClick(DownloadWindow&) override { log_.push_back("double-click"); }
    std::vector<std::string>& log_;
    bool failOnCreate_;
};

class DownloadWindowRun : public MainWindowLayout {
protected:
    /// A fresh Main Window whose Download Windows take `behaviour`.
    void createWith(DownloadBehaviourFactory behaviour)
    {
        window.reset();
        asker.setNextAnswer(MrNo);
        window = std::make_unique<MainWindow>(QString(), std::move(behaviour));
    }
    void install(bool failOnCreate)
    {
        createWith(
            [this, failOnCreate](MainListHost&) { return std::make_unique<RecordingBehaviour>(log, failOnCreate); });
    }
    std::vector<std::string> log;
};

TEST_F(DownloadWindowRun, ConfirmedCheckCreatesRunsAndDestroysTheWindow)
{
    install(false);
    asker.setNextAnswer(MrYes);
    QPointer<DownloadWindow> seen;
    asker.setNextModalRun([&](QDialog& dialog) {
        auto& w = dynamic_cast<DownloadWindow&>(dialog);
        seen = &w;
        EXPECT_EQ(w.windowTitle(), "Download Window:");
        EXPECT_EQ(w.size(), QSize(503, 327));
        EXPECT_EQ(w.StatusText(), "UNIX Type: L8");
        EXPECT_EQ(w.ListLines().size(), 2);
        w.DeleteFirstLine();
        EXPECT_EQ(w.ListLines(), (QStringList{"-rw-r--r-- 1 ftp ftp 1024 gcmList.xml"}));
        w.show();
        // A double-click on a line and one on empty space both reach the
        // handler, and so does "Download", the default button.
        const QRect first = w.List->visualItemRect(w.List->item(0));
        QTest::mouseDClick(w.List->viewport(), Qt::LeftButton, {}, first.center());
        QTest::mouseDClick(w.List->viewport(), Qt::LeftButton, {}, QPoint(250, 250));
        EXPECT_TRUE(w.btnDownload->isDefault());
        QTest::mouseClick(w.btnDownload, Qt::LeftButton);
    });
    window->CheckforListUpdates1->trigger();
    EXPECT_EQ(asker.questions.back().text, kUpdateQuestion);
    EXPECT_EQ(asker.modalRuns, (std::vector<QString>{"DownloadWindow"}));
    EXPECT_EQ(log, (std::vector<std::string>{"create", "double-click", "double-click", "double-click"}));
    EXPECT_TRUE(seen.isNull()); // destroyed when the run ended
    EXPECT_EQ(window->StatusText(), "Connecting...");
    EXPECT_TRUE(asker.errors.empty());
}

TEST_F(DownloadWindowRun, FailedCreationShowsTheFailureInTheWindowWithClose)
{
    install(true);
    asker.setNextAnswer(MrYes);
    QString failure, mainStatus;
    bool listShown = true;
    int finished = -1;
    asker.setNextModalRun([&](QDialog& dialog) {
        auto& w = dynamic_cast<DownloadWindow&>(dialog);
        failure = w.FailureText();
        mainStatus = test::MainWindowOf(w).StatusText();
        listShown = w.List->isVisibleTo(&w) || w.btnDownload->isVisibleTo(&w);
        EXPECT_TRUE(w.btnClose->isVisibleTo(&w));
        EXPECT_TRUE(w.btnClose->isDefault());
        QSignalSpy spy(&w, &QDialog::finished);
        QTest::mouseClick(w.btnClose, Qt::LeftButton);
        finished = static_cast<int>(spy.count());
    });
    window->StartListUpdate();
    EXPECT_TRUE(asker.errors.empty());
    EXPECT_EQ(asker.modalRuns, (std::vector<QString>{"DownloadWindow"}));
    EXPECT_EQ(failure, "Host not found.");
    EXPECT_FALSE(listShown);
    EXPECT_EQ(finished, 1);
    // Panel 0 no longer says "Connecting...".
    EXPECT_EQ(mainStatus, "List Version [] GCM's [0] [Good: 0] [Bad: 0]");
    EXPECT_EQ(window->StatusText(), mainStatus);
}

/// A Download Window behaviour whose server answers SYST with markup.
struct MarkupServerBehaviour : DownloadBehaviour {
    void FormCreate(DownloadWindow& window) override { window.SetStatusText(QStringLiteral("<b>x</b>")); }
    void ListDblClick(DownloadWindow&) override {}
};

TEST_F(DownloadWindowRun, ListAndServerTextsShowAsTheyStandNeverAsMarkup)
{
    const QString markup = QStringLiteral("<b>x</b>");
    // A panel must look exactly like a label told to show its text as it stands.
    auto showsAsItStands = [](QLabel* label) {
        QLabel reference(label->parentWidget());
        reference.setTextFormat(Qt::PlainText);
        reference.setText(label->text());
        reference.setFont(label->font());
        reference.setPalette(label->palette());
        reference.setFrameStyle(label->frameStyle());
        reference.setAlignment(label->alignment());
        reference.setContentsMargins(label->contentsMargins());
        reference.resize(label->size());
        EXPECT_TRUE(label->grab().toImage() == reference.grab().toImage()) << label->text().toStdString();
    };
    writeFile("gcmList.xml", test::ListFile("&lt;b&gt;x&lt;/b&gt;", test::GcmRecord("<b>x</b>", "1")));
    window.reset();
    window = std::make_unique<MainWindow>(QString(),
                                          [](MainListHost&) { return std::make_unique<MarkupServerBehaviour>(); });
    window->ShowALLGCMs1->trigger();
    EXPECT_EQ(window->StatusText(), "List Version [<b>x</b>] GCM's [1] [Good: 1] [Bad: 0]");
    showsAsItStands(find<QLabel>("StatusBar1Panel0"));
    QTextDocument tooltip;
    tooltip.setHtml(window->List->rows().data(window->List->rows().index(0, 0), Qt::ToolTipRole).toString());
    EXPECT_EQ(tooltip.toPlainText(), markup);

    asker.setNextAnswer(MrYes);
    asker.setNextModalRun([&](QDialog& dialog) {
        auto* panel = dialog.findChild<QLabel*>(QStringLiteral("StatusBar1Panel0"));
        ASSERT_NE(panel, nullptr);
        EXPECT_EQ(panel->text(), markup);
        showsAsItStands(panel);
    });
    window->CheckforListUpdates1->trigger();
    EXPECT_EQ(asker.modalRuns.size(), 1u);
    EXPECT_TRUE(asker.errors.empty());
}

TEST_F(DownloadWindowRun, WithoutBehaviourTheWindowOpensEmpty)
{
    asker.setNextAnswer(MrYes);
    asker.setNextModalRun([](QDialog& dialog) {
        auto& w = dynamic_cast<DownloadWindow&>(dialog);
        EXPECT_TRUE(w.ListLines().isEmpty());
        w.ListDblClick();
    });
    window->StartListUpdate();
    EXPECT_EQ(asker.modalRuns.size(), 1u);
    EXPECT_TRUE(asker.errors.empty());
}

TEST_F(DownloadWindowRun, AntiFreezePumpsPendingEventsAndTheNewestIsInForce)
{
    EXPECT_EQ(net::AntiFreezeBase::Current(), window->Anti.get());
    for (bool priority : {true, false}) {
        window->Anti->ApplicationHasPriority = priority;
        bool ran = false;
        QMetaObject::invokeMethod(
            window.get(), [&ran] { ran = true; }, Qt::QueuedConnection);
        window->Anti->PumpMessages();
        EXPECT_TRUE(ran) << priority;
    }
    asker.setNextAnswer(MrYes);
    asker.setNextModalRun([](QDialog& dialog) {
        auto& w = dynamic_cast<DownloadWindow&>(dialog);
        EXPECT_EQ(net::AntiFreezeBase::Current(), w.AntiFreeze1.get());
    });
    window->StartListUpdate();
    EXPECT_EQ(asker.modalRuns.size(), 1u);
}

} // namespace
} // namespace quorvane::app
