// List Files written by someone else: whatever they hold, the start-up load,
// the Custom List and the HTML export end with a result or a clear error, and
// no file on disk changes unless a command wrote it whole.
#include "app/list/HtmlExporter.h"
#include "app/list/MainList.h"
#include "tests/app/list/ListTestSupport.h"

#include <QDir>

#include <exception>
#include <functional>

namespace quorvane::app {
namespace {

using test::CrLf;
using test::Fields;
using test::ListFile;
using test::QtPath;
using test::RecordingSink;
using test::RecordingStatus;
using test::TempDir;

std::string BillionLaughs()
{
    std::string dtd = "<!DOCTYPE IMAGE [\r\n<!ENTITY l0 \"lol\">\r\n";
    for (int i = 1; i <= 9; ++i) {
        dtd += "<!ENTITY l" + std::to_string(i) + " \"";
        for (int k = 0; k < 10; ++k)
            dtd += "&l" + std::to_string(i - 1) + ";";
        dtd += "\">\r\n";
    }
    return dtd + "]>\r\n" +
           ListFile("1", {Fields("&l9;", "1")}).substr(std::string("<?xml version=\"1.0\" ?>\r\n").size());
}

std::string Utf16(const std::string& ascii, bool bigEndian, bool byteOrderMark)
{
    std::string bytes;
    if (byteOrderMark)
        bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (char c : ascii) {
        bytes += bigEndian ? '\0' : c;
        bytes += bigEndian ? c : '\0';
    }
    return bytes;
}

std::string DeepNesting(int levels, const std::string& inside)
{
    std::string open, close;
    for (int i = 0; i < levels; ++i) {
        open += "<a>";
        close += "</a>";
    }
    return ListFile("1", {std::vector<std::string>{"<GAMENAME>" + open + inside + close + "</GAMENAME>"}});
}

struct Outcome {
    bool loaded;         // the start-up load succeeded
    int records;         // GCMCount afterwards
    bool exported;       // compat.htm was (re)written
    std::string message; // the start-up error's message, "" when none
};

class HostileListFiles : public ::testing::Test {
protected:
    // Runs start-up, export and the Custom List over `bytes` as both list files,
    // with an earlier export in place; checks that no input file changed.
    Outcome Run(const std::string& bytes)
    {
        TempDir folder;
        folder.Write("gcmList.xml", bytes);
        folder.Write("custGCMList.xml", bytes);
        folder.Write("compat.htm", "previous export");
        MainList list{QtPath(folder)};
        RecordingStatus status;
        RecordingSink view;
        Outcome outcome{true, 0, false, ""};
        try {
            list.LoadMainList(status);
        } catch (const std::exception& e) {
            outcome.loaded = false;
            outcome.message = e.what();
        }
        outcome.records = list.State().GCMCount;
        try {
            list.ExportHtml();
        } catch (const std::exception& e) {
            EXPECT_STRNE(e.what(), "");
        }
        outcome.exported = folder.Read("compat.htm") != "previous export";
        if (outcome.exported)
            exported_ = folder.Read("compat.htm");
        try {
            list.ShowCustomList(BootFilter::AllRecords, view, status);
            EXPECT_EQ(static_cast<int>(view.items.size()), outcome.records);
        } catch (const std::exception& e) {
            EXPECT_STRNE(e.what(), "");
        }
        EXPECT_EQ(folder.Read("gcmList.xml"), bytes);
        EXPECT_EQ(folder.Read("custGCMList.xml"), bytes);
        EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"compat.htm", "custGCMList.xml", "gcmList.xml"}));
        return outcome;
    }
    std::string exported_;
};

TEST_F(HostileListFiles, EachEndsWithItsResultOrAClearErrorAndNoFileChanges)
{
    TempDir secrets;
    secrets.Write("secret.txt", "TOP-SECRET");
    const std::string secret = secrets.File("secret.txt");
    const std::string utf16 =
        "<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n" + ListFile("2", {Fields("Wide", "1")}).substr(24);
    std::vector<std::string> markup = Fields("a", "1");
    markup[0] = "<GAMENAME>a<B>b</B></GAMENAME>";

    struct Case {
        const char* name;
        std::string bytes;
        bool loaded;
        int records;
        const char* messageStart; // start of the start-up error, "" when it loads
    };
    const std::vector<Case> cases = {
        {"billion laughs", BillionLaughs(), false, 0, ""},
        // The reference stays unexpanded, which no field may hold.
        {"external entity",
         "<!DOCTYPE IMAGE [<!ENTITY x SYSTEM \"file://" + secret + "\">]>\r\n" +
             ListFile("1", {Fields("&x;", "1")}).substr(24),
         false, 0, "Element does not contain a single text node"},
        {"invalid UTF-8", ListFile("1", {Fields("bad \xC3\x28 byte", "1")}), false, 0, ""},
        {"UTF-16 LE with BOM", Utf16(utf16, false, true), true, 1, ""},
        {"UTF-16 BE with BOM", Utf16(utf16, true, true), true, 1, ""},
        {"UTF-16 LE without BOM", Utf16(utf16, false, false), true, 1, ""},
        {"UTF-16 BE without BOM", Utf16(utf16, true, false), true, 1, ""},
        {"100000 levels", DeepNesting(100000, "x"), false, 0, ""},
        {"markup in a field", ListFile("1", {Fields("ok", "1"), markup}), false, 1,
         "Element does not contain a single text node"},
        // Nothing to parse is an empty list, as the document layer defines it.
        {"empty file", "", true, 0, ""},
        {"NUL bytes", std::string("<IMAGE>\0<GCM/>\0</IMAGE>", 24), false, 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        exported_.clear();
        const Outcome outcome = Run(c.bytes);
        EXPECT_EQ(outcome.loaded, c.loaded) << outcome.message;
        EXPECT_EQ(outcome.records, c.records);
        if (!c.loaded) {
            EXPECT_NE(outcome.message, "");
        }
        EXPECT_EQ(outcome.message.rfind(c.messageStart, 0), 0u) << outcome.message;
        // Only a list that loaded whole is exported; the secret never leaks into it.
        EXPECT_EQ(outcome.exported, c.loaded);
        EXPECT_EQ(exported_.find("TOP-SECRET"), std::string::npos);
    }
}

TEST_F(HostileListFiles, EscapedMarkupInFieldsStaysTextInTheExport)
{
    const std::string script = "&lt;script&gt;alert(&quot;x&quot;)&lt;/script&gt;&amp;";
    const Outcome outcome = Run(ListFile("1", {Fields(script, "1", script)}));
    ASSERT_TRUE(outcome.exported) << outcome.message;
    EXPECT_EQ(exported_.find("<script>"), std::string::npos);
    EXPECT_NE(exported_.find("&lt;script&gt;alert(&quot;x&quot;)&lt;/script&gt;&amp;"), std::string::npos);
}

// Every field text and the version come through show, search, the export and
// the Custom List as they stand in the file. Found by fuzzing: a CR (here from
// "&#13;") was written to the Custom List as it is and read back as LF, and a
// leading U+FEFF was taken for a byte-order mark and dropped on the way to the
// view, so "\uFEFF1" showed as "1" and booted after the round trip.
TEST(HostileRoundTrip, FieldTextsComeThroughShowSearchExportAndTheCustomListUnchanged)
{
    struct Case {
        const char* what;
        std::string inFile; // as the file holds it (UTF-8)
        QString text;       // as every command must show it
    } cases[] = {
        {"leading U+FEFF", "\uFEFF1", QStringLiteral("\uFEFF1")},
        {"inner U+FEFF", "a\uFEFFb", QStringLiteral("a\uFEFFb")},
        {"trailing U+FEFF", "ab\uFEFF", QStringLiteral("ab\uFEFF")},
        {"U+200B around and inside", "\u200Ba\u200Bb\u200B", QStringLiteral("\u200Ba\u200Bb\u200B")},
        {"U+00A0 around", "\u00A0x\u00A0", QStringLiteral("\u00A0x\u00A0")},
        {"non-BMP characters", "\U0001D11E \U0001F3AE", QStringLiteral("\U0001D11E \U0001F3AE")},
        {"CR", "a&#13;b", QStringLiteral("a\rb")},
        {"CR LF", "c&#13;&#10;d", QStringLiteral("c\r\nd")},
        {"end of a CDATA section", "]]&gt;", QStringLiteral("]]>")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir folder;
        std::vector<std::string> fields;
        for (const char* name : {"GAMENAME", "GAMEID", "NOTES", "SSIZE", "GOOD", "NICK", "INST"})
            fields.push_back(std::string("<") + name + ">" + c.inFile + "</" + name + ">");
        folder.Write("gcmList.xml", ListFile(c.inFile, {fields}));
        MainList list{QtPath(folder)};
        RecordingStatus status;
        RecordingSink shown, found, reread;
        ASSERT_EQ(list.LoadMainList(status), StartupLoad::Loaded);
        EXPECT_EQ(status.texts.back(), QStringLiteral("List Version [") + c.text + "] GCM's [1] [Good: 0] [Bad: 0]");

        list.ShowMainList(BootFilter::AllRecords, shown, status);
        ASSERT_EQ(shown.items.size(), 1u);
        EXPECT_EQ(shown.items[0], test::Item(c.text, c.text, c.text, c.text, c.text, c.text, c.text));

        list.Search(c.text, BootFilter::AllRecords, found);
        EXPECT_EQ(found.items, shown.items);

        list.ExportHtml();
        const std::string cell = ">" + HtmlExporter::Escape(c.text.toStdString()) + "</FONT></TD>\r\n";
        const std::string html = folder.Read("compat.htm");
        std::size_t cells = 0;
        for (std::size_t at = html.find(cell); at != std::string::npos; at = html.find(cell, at + 1))
            ++cells;
        EXPECT_EQ(cells, 7u);

        list.SaveCustomList(shown.items);
        list.ShowCustomList(BootFilter::AllRecords, reread, status);
        EXPECT_EQ(reread.items, shown.items);
    }
}

} // namespace
} // namespace quorvane::app
