// "Export list to HTML": exact bytes, escaping, and what a failure leaves.
#include "app/list/ListErrors.h"
#include "app/list/MainList.h"
#include "tests/app/list/ListTestSupport.h"
#include "xml/XmlErrors.h"

#include <sys/resource.h>

#include <csignal>

namespace quorvane::app {
namespace {

using test::CrLf;
using test::Fields;
using test::ListFile;
using test::QtPath;
using test::RecordingSink;
using test::RecordingStatus;
using test::TempDir;

// The file starts with the UTF-8 byte-order mark, so browsers read it as UTF-8.
const std::vector<std::string> Header = {
    "\xEF\xBB\xBF<HTML>",
    "<HEAD><TITLE> || Velthorn - GCM Compatability List - By Marrisk || </TITLE></HEAD>",
    "<BODY>",
    "<TABLE BORDER=\"0\" WIDTH=\"100%\" BGCOLOR=\"#99CCFF\">",
    "<TR>",
    "<TD WIDTH=\"100%\" COLSPAN=\"4\" CELLSPACING=\"3\" BGCOLOR=\"#000080\"><CENTER><FONT FACE=\"ARIAL "
    "NARROW\" SIZE=\"2\" COLOR=\"WHITE\"><STRONG>GCM Compatibility List</STRONG></FONT></CENTER></TD>",
    "</TR>",
    "<TR>",
    "<TD WIDTH=\"25%\" BGCOLOR=\"#000080\"><FONT FACE=\"ARIAL NARROW\" SIZE=\"2\" COLOR=\"WHITE\"><STRONG>Game "
    "Name</STRONG></FONT></TD>",
    "<TD WIDTH=\"25%\" BGCOLOR=\"#000080\"><FONT FACE=\"ARIAL NARROW\" SIZE=\"2\" COLOR=\"WHITE\"><STRONG>GCM "
    "Id</STRONG></FONT></TD>",
    "<TD WIDTH=\"25%\" BGCOLOR=\"#000080\"><FONT FACE=\"ARIAL NARROW\" SIZE=\"2\" "
    "COLOR=\"WHITE\"><STRONG>Notes</STRONG></FONT></TD>",
    "<TD WIDTH=\"25%\" BGCOLOR=\"#000080\"><FONT FACE=\"ARIAL NARROW\" SIZE=\"2\" COLOR=\"WHITE\"><STRONG>Shrunk Size "
    "(MB)</STRONG></FONT></TD>",
    "<TD WIDTH=\"25%\" BGCOLOR=\"#000080\"><FONT FACE=\"ARIAL NARROW\" SIZE=\"2\" "
    "COLOR=\"WHITE\"><STRONG>Good</STRONG></FONT></TD>",
    "<TD WIDTH=\"25%\" BGCOLOR=\"#000080\"><FONT FACE=\"ARIAL NARROW\" SIZE=\"2\" "
    "COLOR=\"WHITE\"><STRONG>Nick</STRONG></FONT></TD>",
    "<TD WIDTH=\"25%\" BGCOLOR=\"#000080\"><FONT FACE=\"ARIAL NARROW\" SIZE=\"2\" "
    "COLOR=\"WHITE\"><STRONG>Instructions</STRONG></FONT></TD>",
    "</TR>",
};
const std::vector<std::string> Footer = {
    "<TD WIDTH=\"100%\" COLSPAN=\"7\" BGCOLOR=\"#000080\"><FONT FACE=\"ARIAL NARROW\" SIZE=\"2\" "
    "COLOR=\"WHITE\">Exported by Quorvane</FONT></TD>",
    "</TABLE>", "</BODY>", "</HTML>"};

std::string Cell(const std::string& text)
{
    return "<TD WIDTH=\"25%\" BGCOLOR=\"#33CCCC\"><FONT FACE=\"ARIAL NARROW\" SIZE=\"2\" COLOR=\"BLACK\">" + text +
           "</FONT></TD>";
}

std::string Expected(const std::vector<std::vector<std::string>>& rows)
{
    std::vector<std::string> lines = Header;
    for (const auto& row : rows) {
        lines.push_back("<TR>");
        for (const std::string& text : row)
            lines.push_back(Cell(text));
        lines.push_back("</TR>");
    }
    lines.insert(lines.end(), Footer.begin(), Footer.end());
    return CrLf(lines);
}

class HtmlExport : public ::testing::Test {
protected:
    void Start(const std::string& mainList)
    {
        folder.Write("gcmList.xml", mainList);
        ASSERT_EQ(list.LoadMainList(status), StartupLoad::Loaded);
    }
    TempDir folder;
    MainList list{QtPath(folder)};
    RecordingStatus status;
    RecordingSink view;
};

TEST_F(HtmlExport, ExactBytesWithEscapedTextsAndEmptyCellsForMissingFields)
{
    Start(ListFile("5",
                   {{"<GAMENAME>Red &amp; Blue &lt;b&gt;</GAMENAME>", "<GAMEID>\"Q\"</GAMEID>",
                     "<NOTES>Caf\xC3\xA9</NOTES>", "<SSIZE>?</SSIZE>", "<GOOD>2</GOOD>", "<INST>  a  </INST>"},
                    Fields("Plain", "1")},
                   "<!-- between -->"));
    list.ExportHtml();
    const std::string html = folder.Read("compat.htm");
    EXPECT_EQ(html, Expected({{"Red &amp; Blue &lt;b&gt;", "&quot;Q&quot;", "Caf\xC3\xA9", "?", "2", "", "  a  "},
                              {"Plain", "QAAE01", "Ingame", "120", "1", "tester", "none"}}));
    EXPECT_EQ(test::CountLines(html), 20 + 9 * 2);

    // The same document exports to the same bytes.
    list.ExportHtml();
    EXPECT_EQ(folder.Read("compat.htm"), html);
    EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"compat.htm", "gcmList.xml"}));
}

TEST_F(HtmlExport, EveryRecordWhateverTheViewShowsAndTwentyLinesWhenEmpty)
{
    Start(ListFile("1", ""));
    list.ExportHtml();
    EXPECT_EQ(folder.Read("compat.htm"), Expected({}));
    EXPECT_EQ(test::CountLines(folder.Read("compat.htm")), 20);

    MainList other{QtPath(folder)};
    folder.Write("gcmList.xml", ListFile("1", {Fields("boots", "1"), Fields("fails", "2")}));
    ASSERT_EQ(other.LoadMainList(status), StartupLoad::Loaded);
    other.ShowMainList(BootFilter::BootableOnly, view, status);
    other.Search("boots", BootFilter::BootableOnly, view);
    other.ExportHtml();
    EXPECT_EQ(test::CountLines(folder.Read("compat.htm")), 20 + 9 * 2);

    // After "Show Custom List GCM's" the Custom List is exported.
    other.SaveCustomList({test::Item("custom", "", "", "", "1", "", "")});
    other.ShowCustomList(BootFilter::AllRecords, view, status);
    other.ExportHtml();
    EXPECT_EQ(folder.Read("compat.htm"), Expected({{"custom", "", "", "", "1", "", ""}}));
}

TEST_F(HtmlExport, FailuresLeaveThePreviousExportUntouched)
{
    folder.Write("compat.htm", "previous export");
    std::vector<std::string> broken = Fields("broken", "1");
    broken[6] = "<INST>a<!-- c --></INST>";
    folder.Write("gcmList.xml", ListFile("1", {Fields("fine", "1"), broken}));
    EXPECT_THROW(list.LoadMainList(status), xml::XmlDocError);

    // A record that cannot be read part-way through the export.
    EXPECT_THROW(list.ExportHtml(), xml::XmlDocError);
    EXPECT_EQ(folder.Read("compat.htm"), "previous export");

    // A write that fails (the file size limit stands in for a full disk).
    MainList big{QtPath(folder)};
    std::vector<std::vector<std::string>> records(200, Fields("many", "1"));
    folder.Write("gcmList.xml", ListFile("1", records));
    ASSERT_EQ(big.LoadMainList(status), StartupLoad::Loaded);
    struct rlimit saved {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 70000; // above the Main List's size, below the export's
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    EXPECT_THROW(big.ExportHtml(), InOutError);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(folder.Read("compat.htm"), "previous export");
    EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"compat.htm", "gcmList.xml"}));
}

} // namespace
} // namespace quorvane::app
