// A 200 MB Main List: the start-up load counts every record and the export
// writes every one of them, leaving the list file as it was.
#include "app/list/MainList.h"
#include "tests/app/list/ListTestSupport.h"

namespace quorvane::app {
namespace {

using test::CountLines;
using test::QtPath;
using test::RecordingStatus;
using test::TempDir;

TEST(HostileLargeList, TwoHundredMegabytesLoadCountAndExportWhole)
{
    constexpr std::size_t Target = 200u << 20;
    std::string bytes = "<?xml version=\"1.0\" ?>\r\n<IMAGE>\r\n<VERSION>\r\n<NUMBER>big</NUMBER>\r\n</VERSION>\r\n";
    int records = 0;
    while (bytes.size() < Target) {
        const std::string n = std::to_string(records);
        bytes += "<GCM>\r\n<GAMENAME>Game " + n + " &amp; Co</GAMENAME>\r\n<GAMEID>G" + n +
                 "</GAMEID>\r\n<NOTES>Ingame, slow audio in the second stage</NOTES>\r\n<SSIZE>1221</SSIZE>\r\n<GOOD>" +
                 (records % 3 == 0 ? "1" : "2") +
                 "</GOOD>\r\n<NICK>tester</NICK>\r\n<INST>Skip the intro</INST>\r\n</GCM>\r\n";
        ++records;
    }
    bytes += "<!-- End -->\r\n</IMAGE>\r\n";

    TempDir folder;
    folder.Write("gcmList.xml", bytes);
    {
        MainList list{QtPath(folder)};
        RecordingStatus status;
        ASSERT_EQ(list.LoadMainList(status), StartupLoad::Loaded);
        EXPECT_EQ(list.State().GCMCount, records);
        EXPECT_EQ(status.Last(), "List Version [big] GCM's [" + std::to_string(records) + "] [Good: 0] [Bad: 0]");
        list.ExportHtml();
    }
    const std::string exported = folder.Read("compat.htm");
    EXPECT_EQ(CountLines(exported), 20 + 9 * records);
    EXPECT_NE(exported.find("Game " + std::to_string(records - 1) + " &amp; Co"), std::string::npos);
    EXPECT_TRUE(folder.Read("gcmList.xml") == bytes);
    EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"compat.htm", "gcmList.xml"}));
}

} // namespace
} // namespace quorvane::app
