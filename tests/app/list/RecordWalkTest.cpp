// The record walk, field reading, the boot test and the version test, seen
// through the start-up load and the Show command.
#include "app/list/MainList.h"
#include "app/list/RecordWalk.h"
#include "tests/app/list/ListTestSupport.h"

namespace quorvane::app {
namespace {

using test::Fields;
using test::ListFile;
using test::QtPath;
using test::RecordingSink;
using test::RecordingStatus;
using test::TempDir;

struct Loaded {
    TempDir folder;
    MainList list{QtPath(folder)};
    RecordingStatus status;
    RecordingSink view;

    explicit Loaded(const std::string& mainList)
    {
        folder.Write("gcmList.xml", mainList);
        EXPECT_EQ(list.LoadMainList(status), StartupLoad::Loaded);
    }
    void ShowAll() { list.ShowMainList(BootFilter::AllRecords, view, status); }
};

TEST(RecordWalk, VisitsExactlyTheGcmElementsInDocumentOrder)
{
    const std::string head = "<?xml version=\"1.0\" ?>\r\n<IMAGE>\r\n";
    struct Case {
        const char* what;
        std::string file;
        QStringList captions;
    };
    const Case cases[] = {
        {"comments between and after",
         ListFile("1", {Fields("b", "1"), Fields("a", "2")}, "<!-- note -->"),
         {"b", "a"}},
        {"no records", ListFile("1", ""), {}},
        {"only comments", head + "<!--GCM LISTINGS -->\r\n<!-- End -->\r\n</IMAGE>\r\n", {}},
        {"other elements and a late VERSION",
         head + "<OTHER><GAMENAME>x</GAMENAME></OTHER>\r\n<GCM><GAMENAME>one</GAMENAME></GCM>\r\n"
                "<?pi data?>\r\n<NOTGCM/>\r\n<GCM><GAMENAME>two</GAMENAME></GCM>\r\n"
                "<VERSION><NUMBER>5</NUMBER></VERSION>\r\n</IMAGE>\r\n",
         {"one", "two"}},
        {"any document element name; names are case-sensitive",
         "<LIST><gcm><GAMENAME>lower</GAMENAME></gcm><GCM><GAMENAME>p</GAMENAME></GCM><Gcm/>"
         "<GCM><GAMENAME>q</GAMENAME></GCM></LIST>",
         {"p", "q"}},
        {"a GCM with a namespace prefix counts as a record",
         "<IMAGE xmlns:x=\"urn:x\"><GCM><GAMENAME>a</GAMENAME></GCM><!-- c -->"
         "<x:GCM><x:GAMENAME>b</x:GAMENAME></x:GCM></IMAGE>",
         {"a", "b"}},
        {"processing instructions named GCM are no records",
         head + "<?GCM first?>\r\n<GCM><GAMENAME>one</GAMENAME></GCM>\r\n<?GCM between?>\r\n"
                "<GCM><GAMENAME>two</GAMENAME></GCM>\r\n</IMAGE>\r\n",
         {"one", "two"}},
        {"empty GCM elements", head + "<GCM/>\r\n<GCM></GCM>\r\n</IMAGE>\r\n", {"", ""}},
    };
    for (const Case& c : cases) {
        Loaded loaded(c.file);
        EXPECT_EQ(loaded.list.State().GCMCount, static_cast<int>(c.captions.size())) << c.what;
        loaded.ShowAll();
        EXPECT_EQ(loaded.view.Captions(), c.captions) << c.what;
    }
}

TEST(RecordWalk, FieldsOutOfOrderDuplicatedOrMissing)
{
    const std::string file = ListFile(
        "1", {{"<INST>i</INST>", "<NICK>n</NICK>", "<GOOD>1</GOOD>", "<SSIZE>s</SSIZE>", "<NOTES>no</NOTES>",
               "<GAMEID>id</GAMEID>", "<GAMENAME>reversed</GAMENAME>"},
              {"<GAMENAME>first</GAMENAME>", "<GAMENAME>second</GAMENAME>", "<GOOD>2</GOOD>", "<GOOD>1</GOOD>"},
              {"<GAMENAME>no nick</GAMENAME>", "<GAMEID>id3</GAMEID>", "<NOTES/>", "<SSIZE>?</SSIZE>", "<GOOD>1</GOOD>",
               "<INST>x</INST>"},
              // A processing instruction is found by its target like a field.
              {"<?GAMENAME pi?>", "<GAMENAME>after pi</GAMENAME>", "<!-- GOOD -->", "<GOOD>1</GOOD>"}});
    Loaded loaded(file);
    loaded.ShowAll();
    ASSERT_EQ(loaded.view.items.size(), 4u);
    EXPECT_EQ(loaded.view.items[0], test::Item("reversed", "id", "no", "s", "1", "n", "i"));
    // The first occurrence counts, for the boot test as for the texts.
    EXPECT_EQ(loaded.view.items[1], test::Item("first", "", "", "", "2", "", ""));
    EXPECT_EQ(loaded.view.items[2], test::Item("no nick", "id3", "", "?", "1", "", "x"));
    EXPECT_EQ(loaded.view.items[3], test::Item("pi", "", "", "", "1", "", ""));
    // Completed in memory only: the file is unchanged. The 5 + 1 + 5 created
    // fields count as changes of the document, 3 notifications each; fields
    // that were there count nothing.
    EXPECT_EQ(loaded.folder.Read("gcmList.xml"), file);
    EXPECT_EQ(loaded.list.Document().ChangeCount(), 33);

    // Start-up created every missing field element in the loaded document,
    // and gave each empty one its text child.
    RecordWalk::ForEach(loaded.list.Document(), [](RecordWalk::Record& record) {
        for (const std::string_view name : RecordWalk::FieldNames) {
            const xml::Ref<xml::XmlNode> field = record.Node().ChildList()->FindChild(name);
            ASSERT_TRUE(field) << name;
            if (field->NodeKind() == xml::DomNodeType::Element) {
                EXPECT_TRUE(field->DOMNode().hasChildNodes()) << name;
            }
        }
    });
}

TEST(RecordWalk, TextsComeBackAsTheParserResolvesThem)
{
    Loaded loaded(
        ListFile("1", {{"<GAMENAME>Red &amp; Blue &lt;3&gt;</GAMENAME>", "<GAMEID><![CDATA[<raw & cdata>]]></GAMEID>",
                        "<NOTES>  spaced  </NOTES>", "<SSIZE>&#233;t&#xE9;</SSIZE>", "<GOOD>1</GOOD>",
                        "<NICK>Caf\xC3\xA9 \xE2\x98\x85</NICK>", "<INST>&quot;q&apos;</INST>"}}));
    loaded.ShowAll();
    ASSERT_EQ(loaded.view.items.size(), 1u);
    EXPECT_EQ(loaded.view.items[0],
              test::Item("Red & Blue <3>", "<raw & cdata>", "  spaced  ", QString::fromUtf8("\xC3\xA9t\xC3\xA9"), "1",
                         QString::fromUtf8("Caf\xC3\xA9 \xE2\x98\x85"), "\"q'"));
}

// The parser reads a list in blocks; a long blank run used to be kept as text
// when it crossed a block boundary, so the record loaded or failed start-up
// by how many records came before it.
TEST(RecordWalk, LongBlankRunsAroundCdataReadTheSameAtAnyOffset)
{
    const std::string blanks(1000, ' ');
    const std::string tricky = ::quorvane::test::Record(
        {"<GAMENAME>" + blanks + "<![CDATA[Cdata Game]]>" + blanks + "</GAMENAME>",
         "<GAMEID>\r\n" + blanks + "<![CDATA[ID]]></GAMEID>", "<GOOD>1</GOOD>", "<NICK>" + blanks + "</NICK>"});
    for (int before : {0, 1, 20, 22, 24, 37, 60}) {
        std::string records;
        for (int i = 0; i < before; ++i)
            records += ::quorvane::test::Record(Fields("filler " + std::to_string(i), "2"));
        Loaded loaded(ListFile("1", records + tricky));
        EXPECT_EQ(loaded.list.State().GCMCount, before + 1) << before;
        loaded.ShowAll();
        ASSERT_EQ(loaded.view.items.size(), static_cast<std::size_t>(before + 1)) << before;
        // Blank text beside other content is dropped; alone it is the text.
        EXPECT_EQ(loaded.view.items.back(),
                  test::Item("Cdata Game", "ID", "", "", "1", QString::fromStdString(blanks), ""))
            << before;
    }
}

TEST(BootTest, OnlyTheWholeTextOneBoots)
{
    struct Case {
        std::string goodLine;
        bool boots;
    };
    const Case cases[] = {
        {"<GOOD>1</GOOD>", true},   {"<GOOD><![CDATA[1]]></GOOD>", true},
        {"<GOOD> 1</GOOD>", false}, {"<GOOD>1 </GOOD>", false},
        {"<GOOD>01</GOOD>", false}, {"<GOOD>2</GOOD>", false},
        {"<GOOD></GOOD>", false},   {"<GOOD/>", false},
        {"<GOOD>I</GOOD>", false},  {"<GOOD>&#49;</GOOD>", true},
    };
    for (const Case& c : cases) {
        Loaded loaded(ListFile("1", {{"<GAMENAME>g</GAMENAME>", c.goodLine}}));
        loaded.ShowAll();
        ASSERT_EQ(loaded.view.items.size(), 1u) << c.goodLine;
        EXPECT_EQ(loaded.view.items[0].image, c.boots ? BootImage::Tick : BootImage::Cross) << c.goodLine;
        EXPECT_EQ(loaded.list.State().GoodCount, c.boots ? 1 : 0) << c.goodLine;
        EXPECT_EQ(loaded.list.State().BadCount, c.boots ? 0 : 1) << c.goodLine;
    }
}

TEST(VersionTest, ReadFromVersionNumberAsPlainText)
{
    const std::string records = "<GCM><GAMENAME>a</GAMENAME></GCM>";
    struct Case {
        std::string body;
        std::string version;
    };
    const Case cases[] = {
        {"<VERSION><NUMBER>12</NUMBER></VERSION>" + records, "12"},
        {"<VERSION><NUMBER> 007 </NUMBER></VERSION>" + records, " 007 "},
        {records + "<VERSION><NUMBER>late</NUMBER></VERSION>", "late"},
        {"<VERSION><OTHER/></VERSION>" + records, ""},
        {"<VERSION/>" + records, ""},
        {records, ""},
        {"<!-- no version --><VERSION><NUMBER>a&amp;b</NUMBER></VERSION>", "a&b"},
    };
    for (const Case& c : cases) {
        Loaded loaded("<IMAGE>" + c.body + "</IMAGE>");
        EXPECT_EQ(loaded.list.State().ListVersion, c.version) << c.body;
        EXPECT_EQ(RecordWalk::ReadVersion(loaded.list.Document()), c.version) << c.body;
    }
    EXPECT_TRUE(RecordWalk::SameVersion("12", "12"));
    for (const char* other : {"012", "12 ", "", "1.2"})
        EXPECT_FALSE(RecordWalk::SameVersion("12", other)) << other;
}

} // namespace
} // namespace quorvane::app
