#include "tests/xml/XmlTestSupport.h"
#include "xml/ListIndexError.h"
#include "xml/StringList.h"
#include "xml/XmlError.h"

#include <vector>

namespace quorvane::xml::test {
namespace {

using Lines = std::vector<std::string>;

TEST(StringListTest, SplitsAtEveryLineBreakKindAndStopsAtNul)
{
    struct Case {
        std::string text;
        Lines lines;
    } cases[] = {
        {"", {}},
        {"a", {"a"}},
        {"a\r\n", {"a"}},
        {"a\nb\rc\r\nd", {"a", "b", "c", "d"}},
        {"a\r\n\r\nb\n\n", {"a", "", "b", ""}},
        {"\r\n", {""}},
        {"a\n\rb", {"a", "", "b"}}, // LF CR is two breaks
        {std::string("ab\0cd\ne", 7), {"ab"}},
        {std::string("\0x", 2), {}},
    };
    for (const Case& c : cases) {
        StringList list;
        list.SetText(c.text);
        EXPECT_EQ(list.Lines(), c.lines) << c.text;
        EXPECT_EQ(list.Count(), c.lines.size());
        std::string joined;
        for (const std::string& line : c.lines)
            joined += line + "\r\n";
        EXPECT_EQ(list.Text(), joined);
    }
}

TEST(StringListTest, AddKeepsEmptyLinesAndIndexesLazily)
{
    StringList list;
    list.Add("one");
    list.Add("");
    list.Add("three\nfour");
    EXPECT_EQ(list.Lines(), (Lines{"one", "", "three", "four"}));
    EXPECT_EQ(list.Line(2), "three");
    EXPECT_THROW(list.Line(4), ListIndexError);
    list.Clear();
    EXPECT_TRUE(list.Empty());
    EXPECT_EQ(list.Count(), 0u);
}

TEST(StringListTest, ChangingHandlerRunsBeforeEveryChange)
{
    StringList list;
    std::vector<std::string> seen;
    list.SetChangingHandler([&] { seen.push_back(list.Text()); });
    list.SetText("a");
    list.Add("b");
    list.Clear();
    EXPECT_EQ(seen, (Lines{"", "a\r\n", "a\r\nb\r\n"}));
}

class StringListFileTest : public XmlTest {};

TEST_F(StringListFileTest, LoadsWholeFilesAndDecodesUtf16)
{
    StringList list;
    list.LoadFromFile(dir_.Write("a.txt", "x\r\ny\rz\n"));
    EXPECT_EQ(list.Lines(), (Lines{"x", "y", "z"}));
    EXPECT_EQ(list.Encoding(), TextEncoding::Bytes);

    // Files that are nearly CR LF throughout are split like any text: a lone
    // CR or LF anywhere, also far into the file, is a break of its own.
    const std::string x40(40, 'x');
    const std::pair<std::string, Lines> nearlyCrLf[] = {
        {"a\r\r\nb\r\n", {"a", "", "b"}},
        {"\na\r\n", {"", "a"}},
        {x40 + "\r\n" + x40 + "\nb\r\n", {x40, x40, "b"}},
        {x40 + "\r\n" + x40 + "\r\r\n", {x40, x40, ""}},
        {x40 + "\r\n" + x40 + "\r\n", {x40, x40}},
    };
    for (const auto& [text, lines] : nearlyCrLf) {
        list.LoadFromFile(dir_.Write("n.txt", text));
        EXPECT_EQ(list.Lines(), lines) << text;
    }

    // "é\r\n𝄞" in UTF-16 LE and BE, with byte-order marks.
    const std::string le("\xFF\xFE\xE9\x00\r\x00\n\x00\x34\xD8\x1E\xDD", 12);
    const std::string be("\xFE\xFF\x00\xE9\x00\r\x00\n\xD8\x34\xDD\x1E", 12);
    for (const auto& [bytes, encoding] : {std::pair{le, TextEncoding::Utf16LE}, std::pair{be, TextEncoding::Utf16BE}}) {
        list.LoadFromFile(dir_.Write("u.txt", bytes));
        EXPECT_EQ(list.Lines(), (Lines{"\xC3\xA9", "\xF0\x9D\x84\x9E"}));
        EXPECT_EQ(list.Encoding(), encoding);
        // Handed back in the file's own form, mark first.
        EXPECT_EQ(list.EncodedText().substr(0, 2), bytes.substr(0, 2));
        EXPECT_EQ(list.EncodedText().size(), bytes.size() + 4); // plus the closing CR LF
    }
}

TEST_F(StringListFileTest, MissingFileLeavesContentAlone)
{
    StringList list;
    list.SetText("keep");
    try {
        list.LoadFromFile((dir_.Path() / "absent.xml").string());
        FAIL();
    } catch (const XmlError& e) {
        EXPECT_EQ(std::string(e.what()).rfind("Cannot open file \"", 0), 0u) << e.what();
    }
    EXPECT_EQ(list.Lines(), (Lines{"keep"}));
}

} // namespace
} // namespace quorvane::xml::test
