// Start-up, the Show commands, the search and their failure paths.
#include "app/list/ListErrors.h"
#include "app/list/MainList.h"
#include "tests/app/list/ListTestSupport.h"
#include "xml/XmlErrors.h"

#include <QFile>
#include <QLocale>
#include <QSet>

namespace quorvane::app {
namespace {

using test::Fields;
using test::Item;
using test::ListFile;
using test::QtPath;
using test::RecordingSink;
using test::RecordingStatus;
using test::TempDir;

const std::vector<std::string> Done = {"clear", "add", "add", "finished"};

class ListCommands : public ::testing::Test {
protected:
    void Start(const std::string& mainList)
    {
        folder.Write("gcmList.xml", mainList);
        ASSERT_EQ(list.LoadMainList(status), StartupLoad::Loaded);
    }
    QStringList Shown() const { return view.Captions(); }

    TempDir folder;
    MainList list{QtPath(folder)};
    RecordingStatus status;
    RecordingSink view;
};

// Five records: two boot, three do not ("2", empty, " 1").
const std::string FiveRecords =
    ListFile("12", {Fields("Castle Run", "1"), Fields("Dark CASTLE", "2"), Fields("castle keep", ""),
                    Fields("Meadow", "1"), Fields("Newcastle", " 1")});

TEST_F(ListCommands, StartUpCountsAndWritesTheSummaryWithZeroGoodAndBad)
{
    Start(FiveRecords);
    EXPECT_EQ(status.texts, QStringList{"List Version [12] GCM's [5] [Good: 0] [Bad: 0]"});
    EXPECT_EQ(list.State().GCMCount, 5);

    MainList empty{QtPath(folder)};
    folder.Write("empty.xml", ListFile("3", ""));
    RecordingStatus emptyStatus;
    ASSERT_EQ(empty.LoadMainList(emptyStatus, "empty.xml"), StartupLoad::Loaded);
    EXPECT_EQ(emptyStatus.Last(), "List Version [3] GCM's [0] [Good: 0] [Bad: 0]");
}

TEST_F(ListCommands, ShowCountsAndFiltersAndRewritesTheSummary)
{
    Start(FiveRecords);
    list.ShowMainList(BootFilter::AllRecords, view, status);
    EXPECT_EQ(Shown(), (QStringList{"Castle Run", "Dark CASTLE", "castle keep", "Meadow", "Newcastle"}));
    EXPECT_EQ(status.Last(), "List Version [12] GCM's [5] [Good: 2] [Bad: 3]");

    list.ShowMainList(BootFilter::BootableOnly, view, status);
    EXPECT_EQ(Shown(), (QStringList{"Castle Run", "Meadow"}));
    EXPECT_EQ(status.Last(), "List Version [12] GCM's [5] [Good: 2] [Bad: 0]");
    EXPECT_EQ(view.calls, (std::vector<std::string>{"clear", "add", "add", "add", "add", "add", "finished", "clear",
                                                    "add", "add", "finished"}));
}

TEST_F(ListCommands, SearchMatchesNamesIgnoringCaseAndTouchesNoCounts)
{
    Start(FiveRecords);
    list.ShowMainList(BootFilter::BootableOnly, view, status);
    const QStringList statusBefore = status.texts;
    const ListState stateBefore = list.State();

    struct Case {
        QString text;
        BootFilter filter;
        QStringList shown;
    };
    const Case cases[] = {
        {"castle", BootFilter::AllRecords, {"Castle Run", "Dark CASTLE", "castle keep", "Newcastle"}},
        {"CASTLE", BootFilter::AllRecords, {"Castle Run", "Dark CASTLE", "castle keep", "Newcastle"}},
        {"castle", BootFilter::BootableOnly, {"Castle Run"}},
        {"e k", BootFilter::AllRecords, {"castle keep"}},
        {"Castles", BootFilter::AllRecords, {}},
        // An empty or blank text shows the whole list, under the filter.
        {"", BootFilter::AllRecords, {"Castle Run", "Dark CASTLE", "castle keep", "Meadow", "Newcastle"}},
        {" \t", BootFilter::AllRecords, {"Castle Run", "Dark CASTLE", "castle keep", "Meadow", "Newcastle"}},
        {" ", BootFilter::BootableOnly, {"Castle Run", "Meadow"}},
    };
    for (const Case& c : cases) {
        list.Search(c.text, c.filter, view);
        EXPECT_EQ(Shown(), c.shown) << c.text.toStdString();
        EXPECT_EQ(view.calls.back(), "finished");
    }
    EXPECT_EQ(status.texts, statusBefore);
    EXPECT_EQ(list.State().GoodCount, stateBefore.GoodCount);
    EXPECT_EQ(list.State().BadCount, stateBefore.BadCount);
}

TEST_F(ListCommands, SearchFoldsMarksNotTypedAndFindsGameIds)
{
    const std::vector<std::string> names = {
        "CAF\xC3\x89 \xC3\x9C"
        "BER",
        "",
        "stra\xC3\x9F"
        "e",
        "Strasse 2",
        "Caf\xC3\xA9",
        "\xC3\x86rial Voyage",
        // e and a combining acute accent: two code points.
        "Cafe\xCC\x81 Noir",
        "Cafe Racer",
        "S\xC5\x93ur",
        "Se\xC3\xB1or",
        "\xC4\xB0stanbul Yolu",
        "Istanbul",
    };
    std::vector<std::vector<std::string>> records;
    for (const std::string& name : names)
        records.push_back(Fields(name, "1", "QAAE01"));
    records[4] = Fields(names[4], "1", " qbcj76 ");
    records[5] = Fields(names[5], "1", "QBCE01");
    Start(ListFile("1", records));

    struct Case {
        QString text;
        /// Indexes into `names`, in document order.
        std::vector<int> found;
        QLocale locale = QLocale();
    };
    const QLocale turkish(QLocale::Turkish, QLocale::Turkey);
    const QLocale azerbaijani(QLocale::Azerbaijani, QLocale::Azerbaijan);
    const Case cases[] = {
        {QString::fromUtf8("caf\xC3\xA9 \xC3\xBC"
                           "b"),
         {0}},
        {QString::fromUtf8("STRA\xC3\x9F"), {2, 3}},
        // A plain ASCII text finds what a name's other letters upper-case to.
        {"ASSE", {2, 3}},
        // A text that upper-cases to plain ASCII finds a plain ASCII name.
        {QString::fromUtf8("a\xC3\x9F"
                           "e 2"),
         {3}},
        // Marks and ligatures the player did not type do not count...
        {"cafe", {0, 4, 6, 7}},
        {"cafe noir", {6}},
        {"aerial", {5}},
        {"SOEUR", {8}},
        {"senor", {9}},
        {"istanbul", {10, 11}},
        {"istanbul", {10, 11}, turkish},
        {"istanbul", {10, 11}, azerbaijani},
        // ...and those typed do.
        {QString::fromUtf8("caf\xC3\xA9"), {0, 4}},
        {QString::fromUtf8("\xC3\xA9"), {0, 4}},
        {QString::fromUtf8("\xC3\xB1"), {9}},
        // A game ID by its beginning, trimmed and in any case, from 4
        // characters without a blank on.
        {"QBCJ", {4}},
        {"qbcj76", {4}},
        {"QBC", {}},
        {"QBCE 01", {}},
        {"qaae01", {0, 1, 2, 3, 6, 7, 8, 9, 10, 11}},
        {"", {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}},
        {"   ", {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}},
    };
    const QLocale previous;
    for (const Case& c : cases) {
        QLocale::setDefault(c.locale);
        const SearchCount count = list.Search(c.text, BootFilter::AllRecords, view);
        QLocale::setDefault(previous);
        QStringList expected;
        for (int index : c.found)
            expected << QString::fromStdString(names[static_cast<std::size_t>(index)]);
        EXPECT_EQ(Shown(), expected) << c.text.toStdString() << " " << c.locale.name().toStdString();
        EXPECT_EQ(count.found, static_cast<int>(c.found.size())) << c.text.toStdString();
        EXPECT_EQ(count.total, static_cast<int>(names.size()));
        EXPECT_EQ(count.Text(),
                  c.text.trimmed().isEmpty() ? QString() : QStringLiteral("Found %1 of 12.").arg(c.found.size()));
    }
}

TEST_F(ListCommands, WithoutADocumentCommandsClearTheViewAndFail)
{
    // No gcmList.xml: nothing is loaded and nothing written.
    EXPECT_EQ(list.LoadMainList(status), StartupLoad::MainListMissing);
    EXPECT_TRUE(status.texts.isEmpty());
    EXPECT_EQ(list.State().ListVersion, "");

    view.AddItem(Item("stale", "", "", "", "", "", ""));
    EXPECT_THROW(
        {
            try {
                list.Search("a", BootFilter::AllRecords, view);
            } catch (const xml::XmlDocError& e) {
                EXPECT_STREQ(e.what(), "No active document");
                throw;
            }
        },
        xml::XmlDocError);
    EXPECT_TRUE(view.items.empty());
    EXPECT_EQ(view.calls.back(), "finished");

    EXPECT_THROW(list.ShowMainList(BootFilter::AllRecords, view, status), xml::XmlDocError);
    EXPECT_TRUE(status.texts.isEmpty());
    EXPECT_THROW(list.ExportHtml(), xml::XmlDocError);
    EXPECT_FALSE(folder.Exists("compat.htm"));
}

TEST_F(ListCommands, AMalformedMainListLeavesNoDocumentAndNoSummary)
{
    folder.Write("gcmList.xml", "<IMAGE>\r\n<GCM>\r\n</IMAGE>\r\n");
    EXPECT_THROW(list.LoadMainList(status), xml::DomParseError);
    EXPECT_TRUE(status.texts.isEmpty());
    EXPECT_EQ(list.State().GCMCount, 0);
    EXPECT_THROW(list.ShowMainList(BootFilter::AllRecords, view, status), xml::XmlDocError);
}

TEST_F(ListCommands, AFailureInTheMiddleOfAWalkKeepsWhatWasDoneBeforeIt)
{
    std::vector<std::string> broken = Fields("broken", "1");
    broken[2] = "<NOTES><B>bold</B></NOTES>";
    folder.Write("gcmList.xml", ListFile("9", {Fields("one", "1"), Fields("two", "2"), broken, Fields("four", "1")}));

    // Start-up: the count stops before the broken record, no summary, document kept.
    EXPECT_THROW(list.LoadMainList(status), xml::XmlDocError);
    EXPECT_EQ(list.State().GCMCount, 2);
    EXPECT_TRUE(status.texts.isEmpty());

    try {
        list.ShowMainList(BootFilter::AllRecords, view, status);
        ADD_FAILURE() << "the broken record was shown";
    } catch (const xml::XmlDocError& e) {
        EXPECT_STREQ(e.what(), "Element does not contain a single text node");
    }
    EXPECT_EQ(Shown(), (QStringList{"one", "two"}));
    EXPECT_EQ(view.calls, (std::vector<std::string>{"clear", "add", "add", "finished"}));
    EXPECT_EQ(list.State().GoodCount, 1);
    EXPECT_EQ(list.State().BadCount, 1);
    EXPECT_TRUE(status.texts.isEmpty());

    // The search reads only GOOD and GAMENAME before it matches, so it fails
    // only when the broken record matches.
    list.Search("ou", BootFilter::AllRecords, view);
    EXPECT_EQ(Shown(), (QStringList{"four"}));
    EXPECT_THROW(list.Search("broken", BootFilter::AllRecords, view), xml::XmlDocError);
    EXPECT_TRUE(view.items.empty());
}

TEST_F(ListCommands, CustomListRoundTripKeepsTheMainListsVersionAndCount)
{
    Start(FiveRecords);
    const std::vector<ListItem> rows = {
        Item("a", "QAAE01", "notes", "?", "1", "", "inst"),
        Item("blank fields", " ", "", "   ", "1", "\t", " "),
        Item("Red & Blue <3> ]]>", "\"id\"", "  two  spaces", "700", "2", "nick", "tab\there"),
        Item(QString::fromUtf8("Caf\xC3\xA9 \xE2\x98\x85 \xF0\x9F\x8E\xAE"), "", "", "", "01", "", ""),
    };
    list.SaveCustomList(rows);
    list.ShowCustomList(BootFilter::AllRecords, view, status);
    EXPECT_EQ(view.items, rows);
    EXPECT_EQ(status.Last(), "List Version [12] GCM's [5] [Good: 2] [Bad: 2]");

    // Again: the same counts; the search works on the Custom List shown.
    list.ShowCustomList(BootFilter::BootableOnly, view, status);
    EXPECT_EQ(Shown(), (QStringList{"a", "blank fields"}));
    EXPECT_EQ(status.Last(), "List Version [12] GCM's [5] [Good: 2] [Bad: 0]");
    EXPECT_EQ(list.ListShown(), ListKind::Custom);
    EXPECT_EQ(list.Search("RED", BootFilter::AllRecords, view).Text(), "Found 1 of 4 in the Custom List.");
    EXPECT_EQ(view.items, std::vector<ListItem>{rows[2]});
    // The Main List stayed loaded: showing it makes it the list searched again.
    list.ShowMainList(BootFilter::AllRecords, view, status);
    EXPECT_EQ(view.items.size(), 5u);
    EXPECT_EQ(list.ListShown(), ListKind::Main);
    list.Search("castle", BootFilter::AllRecords, view);
    EXPECT_EQ(view.items.size(), 4u);
}

TEST_F(ListCommands, CustomListThatCannotBeReadOrParsed)
{
    Start(FiveRecords);
    list.ShowMainList(BootFilter::AllRecords, view, status);
    const QStringList statusBefore = status.texts;

    // Missing: the counts are reset, the view cleared, the Main List stays loaded.
    try {
        list.ShowCustomList(BootFilter::AllRecords, view, status);
        ADD_FAILURE() << "a missing Custom List loaded";
    } catch (const xml::XmlError& e) {
        const std::string expected =
            "Cannot open file \"" + folder.File("custGCMList.xml") + "\". No such file or directory";
        EXPECT_EQ(e.what(), expected);
    }
    EXPECT_TRUE(view.items.empty());
    EXPECT_EQ(list.State().GoodCount, 0);
    EXPECT_EQ(list.State().BadCount, 0);
    EXPECT_EQ(status.texts, statusBefore);
    list.Search("castle", BootFilter::AllRecords, view);
    EXPECT_EQ(view.items.size(), 4u);

    // Malformed: the parse error; the Main List stays loaded and shown.
    folder.Write("custGCMList.xml", "<IMAGE><GCM></IMAGE>");
    EXPECT_THROW(list.ShowCustomList(BootFilter::AllRecords, view, status), xml::DomParseError);
    EXPECT_TRUE(view.items.empty());
    EXPECT_FALSE(list.IsLoaded(ListKind::Custom));
    list.Search("castle", BootFilter::AllRecords, view);
    EXPECT_EQ(view.items.size(), 4u);

    // A good Custom List loads; a broken one after it keeps the good one.
    list.SaveCustomList({Item("z", "", "", "", "1", "", "")});
    list.ShowCustomList(BootFilter::AllRecords, view, status);
    EXPECT_EQ(Shown(), QStringList{"z"});
    folder.Write("custGCMList.xml", "<IMAGE><GCM></IMAGE>");
    EXPECT_THROW(list.LoadCustomList(), xml::DomParseError);
    list.ShowList(ListKind::Custom, BootFilter::AllRecords, view, status);
    EXPECT_EQ(Shown(), QStringList{"z"});
}

TEST_F(ListCommands, ReloadReplacesTheMainListOnlyWhenTheNewOneLoadsWhole)
{
    Start(FiveRecords);
    list.ShowMainList(BootFilter::AllRecords, view, status);
    const ListState before = list.State();
    const QStringList statusBefore = status.texts;
    const struct {
        const char* what;
        std::string file; // empty: no file
    } failures[] = {
        {"missing", ""},
        {"malformed", "<IMAGE><GCM>"},
        {"a record that cannot be read",
         ListFile("13", {Fields("fine", "1"), {"<GAMENAME>bro<b/>ken</GAMENAME>", "<GOOD>1</GOOD>"}})},
    };
    for (const auto& c : failures) {
        SCOPED_TRACE(c.what);
        QFile::remove(QtPath(folder) + "/gcmList.xml");
        if (!c.file.empty())
            folder.Write("gcmList.xml", c.file);
        view.calls.clear();
        EXPECT_ANY_THROW(list.ReloadMainList(BootFilter::AllRecords, view, status));
        EXPECT_TRUE(view.calls.empty());
        EXPECT_EQ(status.texts, statusBefore);
        EXPECT_EQ(list.State().ListVersion, before.ListVersion);
        EXPECT_EQ(list.State().GCMCount, before.GCMCount);
        EXPECT_EQ(list.State().BadCount, before.BadCount);
        list.Search("castle", BootFilter::AllRecords, view);
        EXPECT_EQ(view.items.size(), 4u);
    }

    // A good one is recounted, shown under the filter and searched, also
    // when the Custom List was shown.
    list.SaveCustomList({Item("z", "", "", "", "1", "", "")});
    list.ShowCustomList(BootFilter::AllRecords, view, status);
    folder.Write("gcmList.xml", ListFile("13", {Fields("b new", "1"), Fields("a new", "2"), Fields("c new", "1")}));
    list.ReloadMainList(BootFilter::BootableOnly, view, status);
    EXPECT_EQ(Shown(), (QStringList{"b new", "c new"}));
    EXPECT_EQ(status.Last(), "List Version [13] GCM's [3] [Good: 2] [Bad: 0]");
    EXPECT_EQ(list.ListShown(), ListKind::Main);
    list.Search("new", BootFilter::AllRecords, view);
    EXPECT_EQ(view.items.size(), 3u);
}

TEST_F(ListCommands, SaveWritesToTheFolderAndRefusesBadRowsWithoutWriting)
{
    list.SaveCustomList({Item("b", "", "", "", "2", "", ""), Item("a", "", "", "", "1", "", "")});
    const std::string saved = folder.Read("custGCMList.xml");
    EXPECT_LT(saved.find("<GAMENAME>b</GAMENAME>"), saved.find("<GAMENAME>a</GAMENAME>"));
    EXPECT_THROW(list.SaveCustomList({Item(QString("bell") + QChar(7), "", "", "", "", "", "")}),
                 InvalidCharacterError);
    EXPECT_EQ(folder.Read("custGCMList.xml"), saved);
}

} // namespace
} // namespace quorvane::app

namespace quorvane::app {
namespace {

TEST(SampleList, LoadsWithTheCasesItIsThereToShow)
{
    MainList list{QUORVANE_SOURCE_DIR "/data/sample"};
    test::RecordingStatus status;
    test::RecordingSink view;
    ASSERT_EQ(list.LoadMainList(status), StartupLoad::Loaded);
    EXPECT_EQ(status.Last(), "List Version [12] GCM's [200] [Good: 0] [Bad: 0]");

    list.ShowMainList(BootFilter::AllRecords, view, status);
    QSet<QString> goodValues;
    bool emptyNick = false, ampersand = false, nonAscii = false;
    for (const ListItem& item : view.items) {
        goodValues.insert(item.subItems[3]);
        emptyNick |= item.subItems[4].isEmpty();
        ampersand |= item.caption.contains('&');
        for (QChar c : item.caption)
            nonAscii |= c.unicode() > 0x7F;
    }
    EXPECT_EQ(goodValues, (QSet<QString>{"1", "2", " 1", "01", ""}));
    EXPECT_TRUE(emptyNick && ampersand && nonAscii);
    // In the file itself some record has no NICK element at all (start-up
    // completes it in memory), and every line ends in CR LF.
    QFile sample(QUORVANE_SOURCE_DIR "/data/sample/gcmList.xml");
    ASSERT_TRUE(sample.open(QIODevice::ReadOnly));
    const QByteArray bytes = sample.readAll();
    EXPECT_LT(bytes.count("<NICK>"), bytes.count("<GCM>"));
    EXPECT_EQ(bytes.count('\n'), bytes.count("\r\n"));
}

} // namespace
} // namespace quorvane::app
