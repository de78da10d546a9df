#include "QtPrinters.h"
#include "UiFixture.h"
#include "app/list/HtmlExporter.h"
#include "app/ui/AnchoredPage.h"
#include "app/ui/BootFlagBox.h"
#include "app/ui/CustomListPage.h"
#include "app/ui/MainWindow.h"
#include "app/ui/MessagePanel.h"
#include "app/ui/SortedListView.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <vector>

namespace quorvane::app {
namespace {

using test::GcmRecord;
using test::ListFile;

const QString kMissingQuestion = QStringLiteral("Can't find the GCM data file, do you want to download it?");
const QString kChangedOnDiskQuestion =
    QStringLiteral("custGCMList.xml changed since it was opened. Replace it with the records shown here?");

// Seven records in file order: three boot (GOOD exactly "1"), four do not.
std::string mainListRecords()
{
    return GcmRecord("Castle Quest", "1", "GCQE") + "<!-- a comment between records -->\r\n" +
           GcmRecord("castle crashers", "2", "GCCE") + GcmRecord("ABC", " 1", "GAB2") + GcmRecord("abc", "1", "GAB1") +
           GcmRecord("Zebra & Co", "", "GZEB", false) + GcmRecord("Marble Run", "1", "GMAR") +
           GcmRecord("a-b", "01", "GADB");
}

QStringList captions(const SortedListView& view)
{
    QStringList out;
    for (int i = 0; i < view.rows().size(); ++i)
        out << view.rows().item(i).caption;
    return out;
}

class Handlers : public test::UiFixture {
protected:
    void start(const std::string& mainList)
    {
        writeFile("gcmList.xml", mainList);
        window = std::make_unique<MainWindow>();
    }
    void startWithoutList(int answer)
    {
        asker.setNextAnswer(answer);
        window = std::make_unique<MainWindow>();
    }
    void search(const QString& text)
    {
        window->gcmName->clear();
        QTest::keyClicks(window->gcmName, text);
        QTest::keyClick(window->gcmName, Qt::Key_Return);
    }
    void addRow(const QStringList& fields)
    {
        QLineEdit* edits[] = {window->TabSheet2->strGName,
                              window->TabSheet2->strGID,
                              window->TabSheet2->strGNotes,
                              window->TabSheet2->strGSSize,
                              nullptr,
                              window->TabSheet2->strGNick,
                              window->TabSheet2->strGBootNotes};
        for (int i = 0; i < 7; ++i) {
            if (!edits[i])
                continue;
            edits[i]->clear();
            QTest::keyClicks(edits[i], fields[i]);
        }
        window->TabSheet2->strGGood->SetFlag(fields[4]);
        QTest::mouseClick(window->TabSheet2->btnAddGCM, Qt::LeftButton);
    }
    std::unique_ptr<MainWindow> window;
};

const QStringList kMainListCaptions{"a-b", "abc", "ABC", "castle crashers", "Castle Quest", "Marble Run", "Zebra & Co"};

TEST_F(Handlers, StartUpShowsTheMainListWithItsCounts)
{
    start(ListFile("12", mainListRecords()));
    EXPECT_EQ(window->StatusText(), "List Version [12] GCM's [7] [Good: 3] [Bad: 4]");
    EXPECT_EQ(captions(*window->List), kMainListCaptions);
    EXPECT_TRUE(asker.questions.empty());
    EXPECT_TRUE(asker.errors.empty());

    // No records at all.
    start(ListFile("3", ""));
    EXPECT_EQ(window->StatusText(), "List Version [3] GCM's [0] [Good: 0] [Bad: 0]");
    EXPECT_EQ(window->List->rows().size(), 0);
}

TEST_F(Handlers, ShowCountsAndTheBootableFilterAppliesAtOnce)
{
    start(ListFile("12", mainListRecords()));
    window->ShowALLGCMs1->trigger();
    EXPECT_EQ(window->StatusText(), "List Version [12] GCM's [7] [Good: 3] [Bad: 4]");
    EXPECT_EQ(captions(*window->List), kMainListCaptions);
    // Ticks exactly where GOOD is "1"; the record without NICK shows an empty cell.
    const SortedListModel& rows = window->List->rows();
    for (int i = 0; i < rows.size(); ++i) {
        const ListItem& item = rows.item(i);
        EXPECT_EQ(item.image == BootImage::Tick, item.subItems[3] == "1") << item.caption.toStdString();
        if (item.caption == "Zebra & Co") {
            EXPECT_EQ(item.subItems[4], "");
            EXPECT_EQ(item.subItems[1], "notes of Zebra & Co");
        }
    }

    // The toggle shows the last Show again under the new filter, from the
    // document: the file is gone by now.
    ASSERT_TRUE(QFile::remove("gcmList.xml"));
    QTest::mouseClick(window->dispBoot, Qt::LeftButton);
    ASSERT_TRUE(window->dispBoot->isChecked());
    EXPECT_EQ(window->StatusText(), "List Version [12] GCM's [7] [Good: 3] [Bad: 0]");
    EXPECT_EQ(captions(*window->List), (QStringList{"abc", "Castle Quest", "Marble Run"}));
    window->ShowALLGCMs1->trigger();
    EXPECT_EQ(window->StatusText(), "List Version [12] GCM's [7] [Good: 3] [Bad: 0]");

    // After a search, the toggle repeats that search with its own text, not
    // the edit's, and leaves the summary.
    search("castle");
    EXPECT_EQ(captions(*window->List), (QStringList{"Castle Quest"}));
    window->gcmName->setText("marble");
    QTest::mouseClick(window->dispBoot, Qt::LeftButton);
    EXPECT_EQ(captions(*window->List), (QStringList{"castle crashers", "Castle Quest"}));
    EXPECT_EQ(window->StatusText(), "List Version [12] GCM's [7] [Good: 3] [Bad: 0]");
    EXPECT_TRUE(asker.errors.empty());
}

TEST_F(Handlers, SearchMatchesIgnoringCaseAndLeavesTheSummary)
{
    start(ListFile("12", mainListRecords()));
    window->ShowALLGCMs1->trigger();
    const QString summary = window->StatusText();

    struct Case {
        QString text;
        bool bootableOnly;
        QStringList expected;
    };
    const std::vector<Case> cases{
        {"castle", false, {"castle crashers", "Castle Quest"}},
        {"CASTLE", false, {"castle crashers", "Castle Quest"}},
        {"castle", true, {"Castle Quest"}},
        {"abc", false, {"abc", "ABC"}},
        {" & ", false, {"Zebra & Co"}},
        {"-", false, {"a-b"}},
        {"nothing like it", false, {}},
        {"GMAR", false, {"Marble Run"}},
        {"", false, kMainListCaptions},
    };
    for (const Case& c : cases) {
        window->dispBoot->setChecked(c.bootableOnly);
        search(c.text);
        EXPECT_EQ(captions(*window->List), c.expected) << c.text.toStdString();
        EXPECT_EQ(window->StatusText(), summary);
        EXPECT_EQ(window->Messages().Lasting(),
                  c.text.isEmpty() ? QString() : QStringLiteral("Found %1 of 7.").arg(c.expected.size()));
    }
    // The button searches the same way, at once.
    window->dispBoot->setChecked(false);
    window->gcmName->setText("marble");
    QTest::mouseClick(window->btnGCMSearch, Qt::LeftButton);
    EXPECT_EQ(captions(*window->List), (QStringList{"Marble Run"}));

    // Typing filters without Return once the field rests: each key starts
    // the wait again, so only the last text fills the view, once.
    QSignalSpy fills(&window->List->rows(), &QAbstractItemModel::modelReset);
    QTest::keyClicks(window->gcmName, "x");
    EXPECT_EQ(window->gcmName->text(), "marblex"); // the key still reached the edit
    EXPECT_TRUE(window->FilterTimer->isActive());
    EXPECT_EQ(captions(*window->List), (QStringList{"Marble Run"}));
    window->gcmName->selectAll();
    QTest::keyClicks(window->gcmName, "cas");
    QTest::keyClicks(window->gcmName, "tle Q");
    EXPECT_TRUE(QTest::qWaitFor([this] { return !window->FilterTimer->isActive(); }));
    EXPECT_EQ(captions(*window->List), (QStringList{"Castle Quest"}));
    EXPECT_EQ(fills.count(), 1);
    EXPECT_EQ(window->Messages().Lasting(), "Found 1 of 7.");
    // Emptied, the field shows the whole list again and the count goes.
    window->gcmName->selectAll();
    QTest::keyClick(window->gcmName, Qt::Key_Backspace);
    window->FilterTimer->stop();
    window->FilterTimerTimer();
    EXPECT_EQ(captions(*window->List), kMainListCaptions);
    EXPECT_EQ(window->Messages().Lasting(), "");
    // A Show ends the search: no count, and no filter still waiting.
    QTest::keyClicks(window->gcmName, "abc");
    window->FilterTimer->stop();
    window->FilterTimerTimer();
    EXPECT_EQ(window->Messages().Lasting(), "Found 2 of 7.");
    QTest::keyClicks(window->gcmName, "x");
    window->ShowALLGCMs1->trigger();
    EXPECT_FALSE(window->FilterTimer->isActive());
    EXPECT_EQ(window->Messages().Lasting(), "");
    EXPECT_EQ(captions(*window->List), kMainListCaptions);
    EXPECT_EQ(window->StatusText(), summary);
    EXPECT_TRUE(asker.errors.empty());
}

TEST_F(Handlers, CustomListRoundTripThroughSaveAndShow)
{
    start(ListFile("12", mainListRecords()));
    window->show();
    window->PageControl1->setCurrentIndex(1);
    // The flag is a choice of two, none made yet, reached by its label's key.
    ASSERT_EQ(window->TabSheet2->strGGood->count(), 2);
    EXPECT_EQ(window->TabSheet2->strGGood->itemText(0), "Boots");
    EXPECT_EQ(window->TabSheet2->strGGood->itemText(1), "Does not boot");
    EXPECT_EQ(window->TabSheet2->strGGood->currentIndex(), -1);
    QApplication::setActiveWindow(window.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QTest::keyClick(window.get(), Qt::Key_O, Qt::AltModifier);
    EXPECT_TRUE(window->TabSheet2->strGGood->hasFocus());
    addRow({"b game", "GB01", "runs", "100", "1", "nick b", "just boot"});
    addRow({"a game", "GA01", "hangs", "?", "2", "", "none"});
    addRow({"ABC", "GAB", "x < y & z", "1", "1", "n", "i"});
    EXPECT_EQ(captions(*window->TabSheet2->addView), (QStringList{"a game", "ABC", "b game"}));

    // Saved without a question, in the view's order.
    QTest::mouseClick(window->TabSheet2->btnWriteList, Qt::LeftButton);
    EXPECT_TRUE(asker.questions.empty());
    const std::string saved = readFile("custGCMList.xml");
    EXPECT_LT(saved.find("<GAMENAME>a game</GAMENAME>"), saved.find("<GAMENAME>ABC</GAMENAME>"));
    EXPECT_LT(saved.find("<GAMENAME>ABC</GAMENAME>"), saved.find("<GAMENAME>b game</GAMENAME>"));
    EXPECT_NE(saved.find("<NICK></NICK>\r\n"), std::string::npos);
    EXPECT_NE(saved.find("<NOTES>x &lt; y &amp; z</NOTES>"), std::string::npos);
    // The rows stay in the editor, and the message panel says what was
    // written where, beside the List Summary, for a while.
    EXPECT_EQ(window->TabSheet2->addView->rows().size(), 3);
    const QString folder = QDir::toNativeSeparators(QDir::currentPath());
    EXPECT_EQ(window->Messages().text(), "Saved 3 records to custGCMList.xml.");
    EXPECT_EQ(window->Messages().toolTip(), folder);
    EXPECT_TRUE(window->Messages().Passing());

    for (int round = 0; round < 2; ++round) {
        // From the editor page too, the list shows on the search page.
        window->PageControl1->setCurrentIndex(1);
        window->ShowCustomListGCMs1->trigger();
        EXPECT_EQ(window->PageControl1->currentWidget(), window->TabSheet1);
        EXPECT_EQ(window->StatusText(), "List Version [12] GCM's [7] [Good: 2] [Bad: 1]") << round;
        ASSERT_EQ(captions(*window->List), (QStringList{"a game", "ABC", "b game"}));
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(window->List->rows().item(i).subItems, window->TabSheet2->addView->rows().item(i).subItems);
        EXPECT_EQ(window->List->rows().item(2).image, BootImage::Tick);
        EXPECT_EQ(window->List->rows().item(0).image, BootImage::Cross);
    }
    // Search and the export work on the Custom List while it is shown.
    search("game");
    EXPECT_EQ(captions(*window->List), (QStringList{"a game", "b game"}));
    EXPECT_EQ(window->Messages().Lasting(), "Found 2 of 3 in the Custom List.");
    window->Messages().PassingTimer().setInterval(1);
    window->ExportlisttoHTML1->trigger();
    EXPECT_NE(readFile("compat.htm").find(">a game<"), std::string::npos);
    EXPECT_EQ(readFile("compat.htm").find(">Castle Quest<"), std::string::npos);
    EXPECT_EQ(window->Messages().text(), "Exported 3 records to compat.htm.");
    EXPECT_EQ(window->Messages().toolTip(), folder);
    EXPECT_EQ(window->StatusText(), "List Version [12] GCM's [7] [Good: 2] [Bad: 1]");
    // Then the panel shows again what it showed before.
    EXPECT_TRUE(QTest::qWaitFor([this] { return !window->Messages().Passing(); }));
    EXPECT_EQ(window->Messages().text(), "Found 2 of 3 in the Custom List.");
    // "Show Palavera List GCM's" brings the whole Main List back, and the
    // other commands follow it.
    window->ShowALLGCMs1->trigger();
    EXPECT_EQ(captions(*window->List), kMainListCaptions);
    EXPECT_EQ(window->StatusText(), "List Version [12] GCM's [7] [Good: 3] [Bad: 4]");
    search("castle");
    EXPECT_EQ(captions(*window->List), (QStringList{"castle crashers", "Castle Quest"}));
    window->ExportlisttoHTML1->trigger();
    EXPECT_NE(readFile("compat.htm").find(">Castle Quest<"), std::string::npos);
    EXPECT_EQ(window->Messages().text(), "Exported 7 records to compat.htm.");
    EXPECT_TRUE(asker.errors.empty());
}

TEST_F(Handlers, EditedCellsPassTheChecksOfAddAndAreSaved)
{
    writeFile("custGCMList.xml", ListFile("000", GcmRecord("m", "maybe", "M1")));
    start(ListFile("1", ""));
    window->show();
    window->PageControl1->setCurrentIndex(1);
    addRow({"b", "1", "", "", "2", "", ""});
    addRow({"a", "2", "", "", "2", "", ""});
    SortedListModel& rows = window->TabSheet2->addView->rows();
    rows.setData(rows.index(0, 0), "c");
    EXPECT_EQ(captions(*window->TabSheet2->addView), (QStringList{"b", "c", "m"}));

    // Any cell, as a user edits it: F2, then the cell's own editor.
    QApplication::setActiveWindow(window.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    const auto editCell = [&](int row, int column) {
        window->TabSheet2->addView->setFocus();
        window->TabSheet2->addView->setCurrentIndex(rows.index(row, column));
        QTest::keyClick(window->TabSheet2->addView->viewport(), Qt::Key_F2);
        return window->TabSheet2->addView->IsEditing();
    };
    const auto edited = [&] {
        const bool closed = QTest::qWaitFor([&] { return !window->TabSheet2->addView->IsEditing(); }, 2000);
        // The closed editor goes now, so the next one is the only one.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return closed;
    };
    ASSERT_TRUE(editCell(0, 2));
    auto* text = window->TabSheet2->addView->viewport()->findChild<QLineEdit*>();
    ASSERT_NE(text, nullptr);
    QTest::keyClicks(text, "edited notes");
    QTest::keyClick(text, Qt::Key_Return);
    ASSERT_TRUE(edited());
    EXPECT_EQ(rows.item(0).subItems[1], "edited notes");
    // The flag is chosen from the page's two choices.
    ASSERT_TRUE(editCell(0, 4));
    auto* flag = window->TabSheet2->addView->viewport()->findChild<BootFlagBox*>();
    ASSERT_NE(flag, nullptr);
    EXPECT_EQ(flag->Flag(), "2");
    QTest::keyClick(flag, Qt::Key_Up);
    ASSERT_TRUE(edited());
    EXPECT_EQ(rows.item(0).subItems[GoodSubItem], "1");
    // A loaded flag text stays until a choice is made.
    ASSERT_TRUE(editCell(2, 4));
    flag = window->TabSheet2->addView->viewport()->findChild<BootFlagBox*>();
    ASSERT_NE(flag, nullptr);
    EXPECT_EQ(flag->currentText(), "maybe");
    QTest::keyClick(flag, Qt::Key_Return);
    ASSERT_TRUE(edited());
    EXPECT_EQ(rows.item(2).subItems[GoodSubItem], "maybe");

    // An edit that Add would refuse leaves the cell as it was.
    EXPECT_TRUE(rows.setData(rows.index(1, 1), " "));
    asker.setNextAnswer(MrOk);
    EXPECT_FALSE(rows.setData(rows.index(1, 0), ""));
    EXPECT_EQ(asker.questions.back().text, "Type at least a game name or a game ID.");
    asker.setNextAnswer(MrOk);
    EXPECT_FALSE(rows.setData(rows.index(0, 4), "maybe"));
    EXPECT_EQ(asker.questions.back().text, "Choose whether the game boots.");
    EXPECT_EQ(captions(*window->TabSheet2->addView), (QStringList{"b", "c", "m"}));

    window->TabSheet2->btnWriteListClick();
    const std::string saved = readFile("custGCMList.xml");
    EXPECT_NE(saved.find("<GAMENAME>b</GAMENAME>\r\n<GAMEID>1</GAMEID>\r\n<NOTES>edited notes</NOTES>\r\n"
                         "<SSIZE></SSIZE>\r\n<GOOD>1</GOOD>"),
              std::string::npos)
        << saved;
    EXPECT_NE(saved.find("<GAMENAME>c</GAMENAME>\r\n<GAMEID> </GAMEID>"), std::string::npos);
    EXPECT_NE(saved.find("<GAMENAME>m</GAMENAME>\r\n<GAMEID>M1</GAMEID>"), std::string::npos);
    EXPECT_NE(saved.find("<GOOD>maybe</GOOD>"), std::string::npos);
    EXPECT_EQ(saved.find("<GAMENAME>a</GAMENAME>"), std::string::npos);
    EXPECT_TRUE(asker.errors.empty());
}

TEST_F(Handlers, EditorOpensWithTheSavedRecordsAndRemovedRowsAreGoneFromTheFile)
{
    writeFile("custGCMList.xml", ListFile("000", GcmRecord("c", "1", "C1") + GcmRecord("a", "maybe", "A1") +
                                                     GcmRecord("b", "1", "B1") + GcmRecord("d", "1", "D1")));
    start(ListFile("12", mainListRecords()));
    window->show();
    EXPECT_EQ(captions(*window->TabSheet2->addView), (QStringList{"a", "b", "c", "d"}));
    EXPECT_EQ(window->TabSheet2->addView->rows().item(2).subItems[0], "C1");
    // A flag the editor would not write is shown and kept as the file has it.
    EXPECT_EQ(window->TabSheet2->addView->rows().item(0).subItems[GoodSubItem], "maybe");
    EXPECT_FALSE(window->TabSheet2->Editor().HasUnsavedChanges());

    // Nothing selected: nothing removed and nothing changed.
    QTest::mouseClick(window->TabSheet2->btnRemoveGCM, Qt::LeftButton);
    EXPECT_EQ(window->TabSheet2->addView->rows().size(), 4);
    EXPECT_FALSE(window->TabSheet2->Editor().HasUnsavedChanges());
    // The button, then the Delete key, remove the selected row.
    window->TabSheet2->addView->selectRow(1);
    QTest::mouseClick(window->TabSheet2->btnRemoveGCM, Qt::LeftButton);
    EXPECT_EQ(captions(*window->TabSheet2->addView), (QStringList{"a", "c", "d"}));
    EXPECT_TRUE(window->TabSheet2->Editor().HasUnsavedChanges());
    window->TabSheet2->addView->setFocus();
    window->TabSheet2->addView->selectRow(2);
    QTest::keyClick(window->TabSheet2->addView, Qt::Key_Delete);
    EXPECT_EQ(captions(*window->TabSheet2->addView), (QStringList{"a", "c"}));
    // Delete while a caption is edited belongs to the edit.
    window->TabSheet2->addView->edit(window->TabSheet2->addView->rows().index(0, 0));
    ASSERT_TRUE(window->TabSheet2->addView->IsEditing());
    auto* captionEdit = window->TabSheet2->addView->viewport()->findChild<QLineEdit*>();
    ASSERT_NE(captionEdit, nullptr);
    QTest::keyClick(captionEdit, Qt::Key_Delete);
    EXPECT_EQ(window->TabSheet2->addView->rows().size(), 2);

    // Sorted by ID, reversed, the file is still written in name order.
    window->TabSheet2->addView->sortByColumn(1, Qt::DescendingOrder);
    ASSERT_EQ(captions(*window->TabSheet2->addView), (QStringList{"c", "a"}));
    window->TabSheet2->btnWriteListClick();
    EXPECT_FALSE(window->TabSheet2->Editor().HasUnsavedChanges());
    const std::string saved = readFile("custGCMList.xml");
    EXPECT_NE(saved.find("<GAMENAME>a</GAMENAME>\r\n<GAMEID>A1</GAMEID>"), std::string::npos);
    EXPECT_NE(saved.find("<GOOD>maybe</GOOD>"), std::string::npos);
    EXPECT_LT(saved.find("<GAMENAME>a</GAMENAME>\r\n<GAMEID>A1</GAMEID>"),
              saved.find("<GAMENAME>c</GAMENAME>\r\n<GAMEID>C1</GAMEID>"));
    EXPECT_EQ(saved.find("<GAMENAME>b</GAMENAME>"), std::string::npos);
    EXPECT_EQ(saved.find("<GAMENAME>d</GAMENAME>"), std::string::npos);
    EXPECT_FALSE(QFile::exists("custGCMList.xml.unreadable"));
    EXPECT_TRUE(asker.errors.empty());
}

TEST_F(Handlers, UnreadableCustomListIsReportedOnceAndKeptAtTheFirstSave)
{
    const std::string broken = "<IMAGE><GCM>";
    writeFile("custGCMList.xml", broken);
    start(ListFile("12", mainListRecords()));
    EXPECT_EQ(asker.errors.size(), 1u);
    EXPECT_EQ(window->TabSheet2->addView->rows().size(), 0);
    EXPECT_EQ(captions(*window->List), kMainListCaptions); // the Main List is on screen all the same

    addRow({"new", "N1", "", "", "1", "", ""});
    // A refused row moves nothing.
    window->TabSheet2->strGName->setText(QStringLiteral("bad\x01"));
    window->TabSheet2->strGGood->SetFlag("1");
    window->TabSheet2->btnAddGCMClick();
    QTest::mouseClick(window->TabSheet2->btnWriteList, Qt::LeftButton);
    EXPECT_EQ(asker.errors.size(), 2u);
    EXPECT_EQ(readFile("custGCMList.xml"), broken);
    EXPECT_FALSE(QFile::exists("custGCMList.xml.unreadable"));

    window->TabSheet2->addView->selectRow(0);
    window->TabSheet2->btnRemoveGCMClick();
    QTest::mouseClick(window->TabSheet2->btnWriteList, Qt::LeftButton);
    EXPECT_EQ(readFile("custGCMList.xml.unreadable"), broken);
    EXPECT_NE(readFile("custGCMList.xml").find("<GAMENAME>new</GAMENAME>"), std::string::npos);
    // Only the first save keeps the old file.
    addRow({"newer", "N3", "", "", "1", "", ""});
    QTest::mouseClick(window->TabSheet2->btnWriteList, Qt::LeftButton);
    EXPECT_EQ(readFile("custGCMList.xml.unreadable"), broken);
    EXPECT_NE(readFile("custGCMList.xml").find("<GAMENAME>newer</GAMENAME>"), std::string::npos);
    EXPECT_EQ(asker.errors.size(), 2u);
}

TEST_F(Handlers, RowWithoutNameAndIdOrWithoutBootFlagIsRefusedAndAnAddedRowClearsTheFields)
{
    start(ListFile("1", ""));
    struct Case {
        QString name;
        QString id;
        QString flag;
        QString refusal; // empty: added
    };
    const QString blank = "Type at least a game name or a game ID.";
    const QString noFlag = "Choose whether the game boots.";
    const std::vector<Case> cases{{"", "", "1", blank},        {" ", "\t ", "2", blank}, {"", "", "", blank},
                                  {"named", "N1", "", noFlag}, {"", "GID1", "1", ""},    {" name", "", "2", ""}};
    for (const Case& c : cases) {
        const int rows = window->TabSheet2->addView->rows().size();
        const std::size_t asked = asker.questions.size();
        if (!c.refusal.isEmpty())
            asker.setNextAnswer(MrOk);
        addRow({c.name, c.id, "notes", "1", c.flag, "nick", "inst"});
        EXPECT_EQ(window->TabSheet2->addView->rows().size(), rows + (c.refusal.isEmpty() ? 1 : 0))
            << c.name.toStdString();
        ASSERT_EQ(asker.questions.size(), asked + (c.refusal.isEmpty() ? 0 : 1));
        if (!c.refusal.isEmpty()) {
            EXPECT_EQ(asker.questions.back().text, c.refusal);
            EXPECT_EQ(asker.questions.back().type, MsgDlgType::Warning);
            EXPECT_EQ(asker.questions.back().buttons, MbOK);
            EXPECT_EQ(window->TabSheet2->Editor().HasUnsavedChanges(), rows > 0);
            // A refused record keeps what was typed.
            EXPECT_EQ(window->TabSheet2->strGNotes->text(), "notes");
        } else {
            // The next record starts clean but for the nickname.
            for (QLineEdit* field :
                 {window->TabSheet2->strGName, window->TabSheet2->strGID, window->TabSheet2->strGNotes,
                  window->TabSheet2->strGSSize, window->TabSheet2->strGBootNotes})
                EXPECT_EQ(field->text(), "") << field->objectName().toStdString();
            EXPECT_EQ(window->TabSheet2->strGGood->currentIndex(), -1);
            EXPECT_EQ(window->TabSheet2->strGNick->text(), "nick");
        }
    }
    // Texts are kept as typed.
    EXPECT_EQ(window->TabSheet2->addView->rows().item(0).caption, "");
    EXPECT_EQ(window->TabSheet2->addView->rows().item(0).subItems[GoodSubItem], "1");
    EXPECT_EQ(window->TabSheet2->addView->rows().item(1).caption, " name");
    EXPECT_EQ(window->TabSheet2->addView->rows().item(1).subItems[GoodSubItem], "2");

    // The nickname is offered again after a restart; the settings file
    // cannot be written, and Add works all the same.
    window.reset();
    window = std::make_unique<MainWindow>();
    EXPECT_EQ(window->TabSheet2->strGNick->text(), "nick");
    // A file where the settings folder belongs stops even the superuser.
    ASSERT_TRUE(QDir(configFolder() + "/quorvane").removeRecursively());
    writeFile(configFolder() + "/quorvane", "not a folder");
    addRow({"after", "A1", "", "", "1", "other", ""});
    EXPECT_EQ(window->TabSheet2->addView->rows().size(), 1);
    EXPECT_EQ(window->TabSheet2->strGNick->text(), "other");
    EXPECT_TRUE(asker.errors.empty());
}

TEST_F(Handlers, ClosingWithUnsavedRowsAsks)
{
    start(ListFile("1", ""));
    window->show();
    auto close = [&](std::vector<int> answers) {
        for (int answer : answers)
            asker.setNextAnswer(answer);
        asker.questions.clear();
        window->show();
        window->Exit1->trigger();
        return !window->isVisible();
    };
    const QString closeQuestion = "Save your Custom List before closing?";
    addRow({"kept", "K1", "", "", "1", "", ""});
    EXPECT_FALSE(close({MrCancel}));
    ASSERT_EQ(asker.questions.size(), 1u);
    EXPECT_EQ(asker.questions[0].text, closeQuestion);
    EXPECT_EQ(asker.questions[0].buttons, MbYes | MbNo | MbCancel);
    // A Custom List written meanwhile by another program: Yes, then No to
    // replacing it leaves it byte for byte, and the window stays.
    const std::string theirs = ListFile("000", GcmRecord("theirs", "1"));
    writeFile("custGCMList.xml", theirs);
    EXPECT_FALSE(close({MrYes, MrNo}));
    ASSERT_EQ(asker.questions.size(), 2u);
    EXPECT_EQ(asker.questions[1].text, kChangedOnDiskQuestion);
    EXPECT_EQ(asker.questions[1].type, MsgDlgType::Confirmation);
    EXPECT_EQ(asker.questions[1].buttons, MbYes | MbNo);
    EXPECT_EQ(readFile("custGCMList.xml"), theirs);
    ASSERT_TRUE(QFile::remove("custGCMList.xml"));
    // Yes with a save that fails: the error, and the window stays.
    ASSERT_TRUE(QDir().mkdir("custGCMList.xml"));
    EXPECT_FALSE(close({MrYes}));
    EXPECT_EQ(asker.errors.size(), 1u);
    ASSERT_TRUE(QDir().rmdir("custGCMList.xml"));
    // Yes with a save that succeeds closes.
    EXPECT_TRUE(close({MrYes}));
    EXPECT_NE(readFile("custGCMList.xml").find("<GAMENAME>kept</GAMENAME>"), std::string::npos);
    // Saved: nothing to ask.
    EXPECT_TRUE(close({}));
    EXPECT_TRUE(asker.questions.empty());
    // A caption edit is a change; No closes without saving.
    window->TabSheet2->addView->rows().setData(window->TabSheet2->addView->rows().index(0, 0), "renamed");
    EXPECT_TRUE(close({MrNo}));
    EXPECT_EQ(readFile("custGCMList.xml").find("renamed"), std::string::npos);
}

TEST_F(Handlers, ExportWritesTheDocumentNotTheView)
{
    const std::string records = GcmRecord("b", "1", "B1") + GcmRecord("a", "2", "A1", false);
    start(ListFile("5", records));
    window->dispBoot->setChecked(true);
    search("b");
    window->ExportlisttoHTML1->trigger();

    auto record = [](const char* name, const char* id, const char* good, const char* nick) {
        ListItem item;
        item.caption = name;
        item.subItems = {id, QStringLiteral("notes of ") + name, "?", good, nick, "none"};
        return HtmlExporter::Record(item);
    };
    const std::string expected =
        HtmlExporter::Header() + record("b", "B1", "1", "tester") + record("a", "A1", "2", "") + HtmlExporter::Footer();
    EXPECT_EQ(readFile("compat.htm"), expected);
    EXPECT_EQ(std::count(expected.begin(), expected.end(), '\n'), 20 + 9 * 2);
    // Twice gives the same file.
    window->ExportlisttoHTML1Click();
    EXPECT_EQ(readFile("compat.htm"), expected);
    EXPECT_TRUE(asker.errors.empty());
}

TEST_F(Handlers, MissingMainListAskedAndDeclined)
{
    struct Case {
        const char* what;
        bool folderOfThatName;
        bool viaUpdateQuestion; // Yes to the download, then No to the update confirmation, behaves as No
    } cases[] = {
        {"no file", false, false},
        {"a folder is no file", true, false},
        {"Yes then No", false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const bool viaUpdateQuestion = c.viaUpdateQuestion;
        asker.questions.clear();
        if (c.folderOfThatName) {
            ASSERT_TRUE(QDir().mkdir("gcmList.xml"));
        }
        if (viaUpdateQuestion) {
            asker.setNextAnswer(MrYes);
            asker.setNextAnswer(MrNo);
            window = std::make_unique<MainWindow>();
        } else {
            startWithoutList(MrNo);
        }
        if (c.folderOfThatName) {
            ASSERT_TRUE(QDir().rmdir("gcmList.xml"));
        }
        EXPECT_TRUE(asker.errors.empty());
        ASSERT_GE(asker.questions.size(), 1u);
        EXPECT_EQ(asker.questions[0].text, kMissingQuestion);
        EXPECT_EQ(asker.questions[0].type, MsgDlgType::Error);
        EXPECT_EQ(asker.questions[0].buttons, MbYes | MbNo);
        EXPECT_EQ(asker.questions.size(), viaUpdateQuestion ? 2u : 1u);
        EXPECT_TRUE(asker.modalRuns.empty());
        EXPECT_EQ(window->StatusText(), "");
        EXPECT_EQ(window->ListLogic().State().ListVersion, "");
    }
    // The check box has no document to filter: nothing happens.
    QTest::mouseClick(window->dispBoot, Qt::LeftButton);
    EXPECT_TRUE(asker.errors.empty());
    // Every command that needs the document reports it, and the window carries on.
    search("castle");
    window->ShowALLGCMs1->trigger();
    window->ExportlisttoHTML1->trigger();
    EXPECT_EQ(asker.errors, (std::vector<QString>(3, "No active document.")));
    // Typing is no command: it filters nothing and reports nothing.
    QTest::keyClicks(window->gcmName, "x");
    EXPECT_TRUE(QTest::qWaitFor([this] { return !window->FilterTimer->isActive(); }));
    EXPECT_EQ(asker.errors.size(), 3u);
    EXPECT_EQ(window->StatusText(), "");
    EXPECT_FALSE(QFile::exists("compat.htm"));
    addRow({"still", "works", "", "", "2", "", ""});
    EXPECT_EQ(window->TabSheet2->addView->rows().size(), 1);
}

TEST_F(Handlers, MissingMainListAcceptedOpensTheDownloadWindow)
{
    asker.setNextAnswer(MrYes);
    asker.setNextAnswer(MrYes);
    window = std::make_unique<MainWindow>();
    EXPECT_EQ(asker.modalRuns, (std::vector<QString>{"DownloadWindow"}));
    EXPECT_TRUE(asker.errors.empty());
}

TEST_F(Handlers, CustomListFailuresAndTheStateAfterwards)
{
    start(ListFile("12", mainListRecords()));
    window->ShowALLGCMs1->trigger();
    const QString summary = window->StatusText();

    // Missing, then malformed: the error (naming the full path when the file
    // cannot be opened), and the Main List stays shown and searched.
    for (const char* bytes : {"", "<IMAGE><GCM>"}) {
        if (*bytes)
            writeFile("custGCMList.xml", bytes);
        window->ShowALLGCMs1->trigger();
        asker.errors.clear();
        window->ShowCustomListGCMs1->trigger();
        ASSERT_EQ(asker.errors.size(), 1u);
        if (!*bytes) {
            EXPECT_TRUE(asker.errors[0].startsWith("Cannot open file \"" + path("custGCMList.xml") + "\". "))
                << asker.errors[0].toStdString();
        }
        EXPECT_EQ(captions(*window->List), kMainListCaptions);
        EXPECT_EQ(window->StatusText(), summary);
        search("castle");
        EXPECT_EQ(captions(*window->List), (QStringList{"castle crashers", "Castle Quest"}));
        EXPECT_EQ(asker.errors.size(), 1u);
    }

    writeFile("custGCMList.xml", ListFile("000", GcmRecord("fresh", "1")));
    window->ShowCustomListGCMs1->trigger();
    EXPECT_EQ(asker.errors.size(), 1u);
    EXPECT_EQ(captions(*window->List), (QStringList{"fresh"}));
    EXPECT_EQ(window->StatusText(), "List Version [12] GCM's [7] [Good: 1] [Bad: 0]");

    // A broken file now keeps the Custom List shown, with its last good load.
    writeFile("custGCMList.xml", "<IMAGE><GCM>");
    window->ShowCustomListGCMs1->trigger();
    EXPECT_EQ(asker.errors.size(), 2u);
    EXPECT_EQ(captions(*window->List), (QStringList{"fresh"}));
    search("e");
    EXPECT_EQ(captions(*window->List), (QStringList{"fresh"}));
    EXPECT_EQ(window->StatusText(), "List Version [12] GCM's [7] [Good: 1] [Bad: 0]");
}

TEST_F(Handlers, FailureInTheMiddleOfAWalkKeepsTheItemsAddedSoFar)
{
    // The third record's name holds markup, which cannot be read as text.
    const std::string records = GcmRecord("one", "1") + GcmRecord("two", "2") +
                                "<GCM><GAMENAME>th<b/>ree</GAMENAME><GOOD>1</GOOD></GCM>\r\n" + GcmRecord("four", "1");
    start(ListFile("7", records));
    // Start-up stopped at the bad record: error shown, the rows before it,
    // no summary, window up.
    ASSERT_EQ(asker.errors.size(), 1u);
    EXPECT_EQ(window->StatusText(), "");
    EXPECT_EQ(window->ListLogic().State().GCMCount, 2);
    EXPECT_EQ(captions(*window->List), (QStringList{"one", "two"}));

    window->ShowALLGCMs1->trigger();
    ASSERT_EQ(asker.errors.size(), 2u);
    EXPECT_EQ(asker.errors[1], asker.errors[0]);
    EXPECT_EQ(captions(*window->List), (QStringList{"one", "two"}));
    EXPECT_EQ(window->StatusText(), "");
}

TEST_F(Handlers, UnreadableMainListStillCreatesTheWindow)
{
    start("<IMAGE><VERSION>");
    ASSERT_EQ(asker.errors.size(), 1u);
    EXPECT_TRUE(asker.questions.empty());
    EXPECT_EQ(window->StatusText(), "");
    EXPECT_EQ(window->ListLogic().State().GCMCount, 0);
    window->ShowALLGCMs1->trigger();
    EXPECT_EQ(asker.errors.back(), "No active document.");
}

} // namespace
} // namespace quorvane::app
