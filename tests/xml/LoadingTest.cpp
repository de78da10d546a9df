#include "fuzz/ListReading.h"
#include "tests/xml/XmlTestSupport.h"
#include "xml/DomParseError.h"
#include "xml/MemoryStream.h"
#include "xml/XmlDocError.h"
#include "xml/XmlError.h"

#include <vector>

namespace quorvane::xml::test {
namespace {

class LoadingTest : public XmlTest {
protected:
    // Loads and expects a parse error; returns it.
    DomParseError ExpectParseError(XmlDocument& doc, const std::string& bytes)
    {
        try {
            LoadFile(doc, bytes);
        } catch (const DomParseError& e) {
            EXPECT_FALSE(doc.Active());
            return e;
        }
        ADD_FAILURE() << "loaded without error";
        throw std::logic_error("no parse error");
    }
};

TEST_F(LoadingTest, ParseErrorMessageHasReasonLineAndSourceExcerpt)
{
    XmlDocument doc("libxml2");
    const DomParseError e = ExpectParseError(doc, CrLf({"<IMAGE>", "<GCM>", "</IMAGE>"}));
    EXPECT_EQ(e.line(), 3);
    EXPECT_EQ(e.srcText(), "</IMAGE>");
    ASSERT_FALSE(e.reason().empty());
    EXPECT_NE(e.reason().back(), '\n');
    EXPECT_EQ(std::string(e.what()), e.reason() + "\r\nLine: 3\r\n</IMAGE>");
    EXPECT_NE(e.reason().find("GCM"), std::string::npos) << e.reason();
}

TEST_F(LoadingTest, SourceExcerptIsCutToFortyCharacters)
{
    struct Case {
        std::string line;
        std::string excerpt;
    };
    const std::string ascii = "<GCM><GAMENAME>" + std::string(50, 'x') + "</GAMENAMEX></GCM>";
    std::string accented = "<GCM><GAMENAME>";
    for (int i = 0; i < 40; ++i)
        accented += "\xC3\xA9"; // é: two bytes, one character
    accented += "</GAMENAMEX></GCM>";
    std::string accentedExcerpt = "<GCM><GAMENAME>";
    for (int i = 0; i < 25; ++i)
        accentedExcerpt += "\xC3\xA9";
    for (const Case& c : {Case{ascii, ascii.substr(0, 40)}, Case{accented, accentedExcerpt}}) {
        XmlDocument doc("libxml2");
        const DomParseError e = ExpectParseError(doc, CrLf({"<IMAGE>", c.line, "</IMAGE>"}));
        EXPECT_EQ(e.line(), 2);
        EXPECT_EQ(e.srcText(), c.line);
        const std::string message = e.what();
        EXPECT_EQ(message, e.reason() + "\r\nLine: 2\r\n" + c.excerpt);
    }
}

TEST_F(LoadingTest, ParseErrorTable)
{
    struct Case {
        const char* what;
        std::string bytes;
        int line;
        // Part of the reason; the fatal error is reported, not an earlier one
        // the parser went on from.
        std::string reasonPart = "";
    } cases[] = {
        {"empty file", "", 1},
        {"only a blank line", "\r\n", 2},
        {"text after the root", CrLf({"<A/>", "junk"}), 2},
        {"unclosed at end", CrLf({"<A>", "<B>x</B>"}), 3},
        {"bad attribute", CrLf({"<A b=1/>"}), 1},
        {"undefined entity", CrLf({"<A>", "&nope;</A>"}), 2},
        {"mismatched end tag after an undefined prefix", CrLf({"<x:A>", "<B>", "</C>", "</x:A>"}), 3, "mismatch"},
    };
    for (const Case& c : cases) {
        XmlDocument doc("libxml2");
        if (c.bytes.empty()) {
            // An empty string list is an empty document, not an error.
            doc.SetActive(true);
            EXPECT_TRUE(doc.Active());
            EXPECT_FALSE(doc.RootElement());
            continue;
        }
        const DomParseError e = ExpectParseError(doc, c.bytes);
        EXPECT_EQ(e.line(), c.line) << c.what << ": " << e.what();
        EXPECT_NE(std::string(e.what()).find("\r\nLine: " + std::to_string(c.line) + "\r\n"), std::string::npos)
            << c.what;
        EXPECT_NE(e.reason().find(c.reasonPart), std::string::npos) << c.what << ": " << e.reason();
    }
}

TEST_F(LoadingTest, FailedActivationLeavesDocumentInactiveAndRetryable)
{
    XmlDocument doc("libxml2");
    ExpectParseError(doc, CrLf({"<A>", "<B>"}));
    EXPECT_THROW(doc.RootElement(), XmlDocError);
    // The text stays; activating again fails the same way with a new document.
    EXPECT_THROW(doc.SetActive(true), DomParseError);
    doc.XML().SetText("<A><B/></A>");
    doc.SetActive(true);
    EXPECT_EQ(doc.RootElement()->ChildList()->ItemAt(0)->NodeName(), "B");
}

TEST_F(LoadingTest, StringListChangesDeactivateAndClearFileName)
{
    XmlDocument doc("libxml2");
    doc.SetFileName(dir_.Write("f.xml", "<A/>"));
    doc.SetActive(true);
    EXPECT_EQ(doc.RootElement()->NodeName(), "A");
    EXPECT_EQ(doc.Source(), SourceKind::File);

    doc.XML().Add("<B/>");
    EXPECT_FALSE(doc.Active());
    EXPECT_EQ(doc.FileName(), "");
    doc.SetActive(true);
    EXPECT_EQ(doc.RootElement()->NodeName(), "B");
    EXPECT_EQ(doc.Source(), SourceKind::StringList);
    doc.SetActive(true); // same value: nothing happens
    EXPECT_EQ(doc.RootElement()->NodeName(), "B");
}

TEST_F(LoadingTest, XmlReadsBackUnchangedUntilTheDomChanges)
{
    XmlDocument doc("libxml2");
    const std::string text =
        CrLf({"<?xml version=\"1.0\" ?>", "<IMAGE>", "<!-- c -->", "<GCM><NICK>n</NICK></GCM>", "</IMAGE>"});
    LoadFile(doc, text);
    EXPECT_EQ(doc.XML().Text(), text);
    doc.RootElement()->ChildList()->FindChild("GCM")->ChildList()->Resolve("GOOD");
    EXPECT_TRUE(doc.Active());
    const std::string rewritten = doc.XML().Text();
    EXPECT_NE(rewritten, text);
    EXPECT_NE(rewritten.find("<GOOD/>"), std::string::npos) << rewritten;
    EXPECT_NE(rewritten.find("<!-- c -->"), std::string::npos);
    // The rewritten text loads to the same structure.
    doc.SetActive(false);
    doc.SetActive(true);
    EXPECT_TRUE(doc.RootElement()->ChildList()->FindChild("GCM")->ChildList()->FindChild("GOOD"));
}

TEST_F(LoadingTest, DeclaredEncodingIsHonoured)
{
    XmlDocument doc("libxml2");
    LoadFile(doc, "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n<A>caf\xE9</A>\r\n");
    EXPECT_EQ(doc.RootElement()->NodeText(), "caf\xC3\xA9");
}

TEST_F(LoadingTest, OtherSources)
{
    XmlDocument doc("libxml2");
    doc.LoadFromXML("\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><A>caf\xC3\xA9</A>");
    EXPECT_EQ(doc.RootElement()->NodeText(), "caf\xC3\xA9");
    EXPECT_EQ(doc.Source(), SourceKind::XmlText);

    const std::string bytes = "<S>stream</S>";
    MemoryStream stream(bytes);
    stream.Seek(3);
    doc.LoadFromStream(stream);
    EXPECT_EQ(doc.RootElement()->NodeText(), "stream");

    doc.LoadFromFile(dir_.Write("g.xml", "<G>file</G>"));
    EXPECT_EQ(doc.RootElement()->NodeText(), "file");
    doc.SetActive(false);
    EXPECT_TRUE(doc.XML().Empty()); // released file sources leave no text behind

    try {
        doc.LoadFromFile((dir_.Path() / "missing.xml").string());
        FAIL();
    } catch (const DomParseError& e) {
        EXPECT_NE(std::string(e.what()).find("Cannot open file"), std::string::npos) << e.what();
    }
    EXPECT_FALSE(doc.Active());
}

// Blank text is judged by the document alone: the same bytes give the same
// tree read whole or in chunks of any size, and the tree follows the rule
// (dropped unless the element's only child, beside text that is not blank,
// or under xml:space="preserve").
TEST_F(LoadingTest, EveryReadingGivesTheSameTree)
{
    const std::string blanks(1000, ' ');
    std::string records;
    for (int i = 0; i < 22; ++i)
        records += "<GCM>\r\n<GAMENAME>filler</GAMENAME>\r\n</GCM>\r\n";
    struct Case {
        const char* what;
        std::string bytes;
        std::string tree; // serialised whole reading, after the declaration
    };
    const Case cases[] = {
        {"blank runs around CDATA after 22 records",
         "<IMAGE>\r\n" + records + "<GCM><N>" + blanks + "<![CDATA[c]]>" + blanks + "</N><K>" + blanks +
             "</K></GCM>\r\n</IMAGE>\r\n",
         "<IMAGE>" +
             [&] {
                 std::string r;
                 for (int i = 0; i < 22; ++i)
                     r += "<GCM><GAMENAME>filler</GAMENAME></GCM>";
                 return r;
             }() +
             "<GCM><N><![CDATA[c]]></N><K>" + blanks + "</K></GCM></IMAGE>"},
        {"blanks beside text that is not blank stay, wherever that text comes",
         "<R>\n <A>  <b/>  <c/>\n<d/><e/>\n<f/> x </A>\n <B>\n\n</B>\n <C> <!--c--> <?p d?> </C>\n</R>\n",
         "<R><A>  <b/>  <c/>\n<d/><e/>\n<f/> x </A><B>\n\n</B><C><!--c--><?p d?></C></R>"},
        {"CDATA sections that touch are joined, also once a run between them is dropped, not when it stays",
         "<R><A><![CDATA[a]]> <![CDATA[b]]></A><B><![CDATA[a]]> "
         "<![CDATA[b]]>x</B><C><![CDATA[a]]><![CDATA[b]]></C></R>",
         "<R><A><![CDATA[ab]]></A><B><![CDATA[a]]> <![CDATA[b]]>x</B><C><![CDATA[ab]]></C></R>"},
        {"xml:space=\"preserve\" keeps them, \"default\" drops them again",
         "<R xml:space=\"preserve\"> <A> <b/> </A><B xml:space=\"default\"> <c/> </B></R>",
         "<R xml:space=\"preserve\"> <A> <b/> </A><B xml:space=\"default\"><c/></B></R>"},
        {"a content model in the DTD is not consulted",
         "<!DOCTYPE R [<!ELEMENT R (A)*><!ELEMENT A (#PCDATA|b)*>]><R> <A> <b/> </A> </R>",
         "<!DOCTYPE R [\n<!ELEMENT R (A)*>\n<!ELEMENT A (#PCDATA | b)*>\n]>\n<R><A><b/></A></R>"},
        {"UTF-16 with a byte-order mark", std::string("\xFF\xFE<\0R\0>\0 \0 \0<\0a\0/\0>\0<\0/\0R\0>\0", 28),
         "<R><a/></R>"},
        {"not well formed", "<R>" + blanks + "<A></R>", ""},
    };
    for (const Case& c : cases) {
        const std::string whole = fuzz::ReadTree(c.bytes, 0);
        for (const std::size_t chunk : {1, 7, 4096, 65536})
            EXPECT_EQ(fuzz::ReadTree(c.bytes, chunk), whole) << c.what << ", chunks of " << chunk;
        EXPECT_EQ(fuzz::RuledTree(c.bytes), whole) << c.what << ", the rule applied afresh";
        XmlDocument doc("libxml2");
        if (c.tree.empty()) {
            EXPECT_TRUE(whole.starts_with("rejected")) << c.what;
            continue;
        }
        LoadFile(doc, c.bytes);
        std::string xml = doc.DOMDocument()->persist()->xml();
        xml.erase(0, xml.find('\n') + 1);
        EXPECT_EQ(xml, c.tree + "\n") << c.what;
    }
}

TEST_F(LoadingTest, EventsFireAroundOpenCloseAndChanges)
{
    XmlDocument doc("libxml2");
    std::vector<std::string> events;
    doc.Events().BeforeOpen = [&](XmlDocument&) { events.push_back("BeforeOpen"); };
    doc.Events().AfterOpen = [&](XmlDocument&) { events.push_back("AfterOpen"); };
    doc.Events().BeforeClose = [&](XmlDocument&) { events.push_back("BeforeClose"); };
    doc.Events().AfterClose = [&](XmlDocument&) { events.push_back("AfterClose"); };
    doc.Events().BeforeNodeChange = [&](XmlNode& n, NodeChange) { events.push_back("Before:" + n.NodeName()); };
    doc.Events().AfterNodeChange = [&](XmlNode& n, NodeChange) { events.push_back("After:" + n.NodeName()); };
    LoadFile(doc, "<A/>");
    doc.RootElement()->ChildList()->Resolve("B");
    doc.SetActive(false);
    EXPECT_EQ(events, (std::vector<std::string>{"BeforeOpen", "AfterOpen", "Before:A", "Before:A", "After:A",
                                                "BeforeClose", "AfterClose"}));
}

TEST_F(LoadingTest, AutoSaveWritesChangesBackToTheFile)
{
    XmlDocument doc("libxml2");
    doc.SetOptions(doc.Options() | XmlDocOption::AutoSave);
    const std::string path = dir_.Write("save.xml", "<A><B>1</B></A>");
    doc.LoadFromFile(path);
    doc.RootElement()->ChildList()->Resolve("C");
    doc.SetActive(false);
    XmlDocument check("libxml2");
    check.LoadFromFile(path);
    EXPECT_TRUE(check.RootElement()->ChildList()->FindChild("C"));
    EXPECT_EQ(check.RootElement()->ChildList()->FindChild("B")->NodeText(), "1");
}

} // namespace
} // namespace quorvane::xml::test
