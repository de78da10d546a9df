#include "app/list/CustomListWriter.h"
#include "app/list/ListErrors.h"
#include "tests/app/list/ListTestSupport.h"
#include "tests/support/Unprivileged.h"

#include <QDir>
#include <QFile>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

namespace quorvane::app {
namespace {

using ::quorvane::test::RunUnprivileged;
using test::CrLf;
using test::Item;
using test::QtPath;
using test::TempDir;

const std::vector<std::string> Header = {"<?xml version=\"1.0\" ?>", "<IMAGE>",    "<VERSION>",
                                         "<NUMBER>000</NUMBER>",     "</VERSION>", "<!--GCM LISTINGS -->"};

std::string Expected(const std::vector<std::vector<std::string>>& records)
{
    std::vector<std::string> lines = Header;
    for (const auto& record : records)
        lines.insert(lines.end(), record.begin(), record.end());
    lines.push_back("<!-- End -->");
    lines.push_back("</IMAGE>");
    return CrLf(lines);
}

TEST(CustomListWriter, ExactBytesForNoOneAndTwoRows)
{
    EXPECT_EQ(CustomListWriter::Compose({}), Expected({}));
    EXPECT_EQ(test::CountLines(CustomListWriter::Compose({})), 8);

    const std::vector<ListItem> rows = {Item("Alpha", "QAAE01", "Boots", "?", "1", "", "Lower the resolution"),
                                        Item("Beta", "QBBP02", "", "700", "2", "nick", "")};
    const std::string text = CustomListWriter::Compose(rows);
    EXPECT_EQ(text,
              Expected({{"<GCM>", "<GAMENAME>Alpha</GAMENAME>", "<GAMEID>QAAE01</GAMEID>", "<NOTES>Boots</NOTES>",
                         "<SSIZE>?</SSIZE>", "<GOOD>1</GOOD>", "<NICK></NICK>", "<INST>Lower the resolution</INST>",
                         "</GCM>"},
                        {"<GCM>", "<GAMENAME>Beta</GAMENAME>", "<GAMEID>QBBP02</GAMEID>", "<NOTES></NOTES>",
                         "<SSIZE>700</SSIZE>", "<GOOD>2</GOOD>", "<NICK>nick</NICK>", "<INST></INST>", "</GCM>"}}));
    EXPECT_EQ(test::CountLines(text), 26);
    EXPECT_NE(text.substr(0, 3), "\xEF\xBB\xBF");
}

TEST(CustomListWriter, FieldTextsAreEscapedButNeverTrimmed)
{
    struct Case {
        QString field;
        std::string written;
    };
    const Case cases[] = {
        {"Red & Blue", "Red &amp; Blue"},
        {"a<b", "a&lt;b"},
        {"x]]>y", "x]]&gt;y"},
        {"&amp;", "&amp;amp;"},
        {"  padded  ", "  padded  "},
        {"tab\there", "tab\there"},
        {"quote \" and '", "quote \" and '"},
        {QString::fromUtf8("Caf\xC3\xA9 \xC3\x9C"), "Caf\xC3\xA9 \xC3\x9C"},
        {QString::fromUtf8("\xF0\x9F\x8E\xAE"), "\xF0\x9F\x8E\xAE"},
    };
    for (const Case& c : cases) {
        const std::string text = CustomListWriter::Compose({Item(c.field, c.field, "", "", "1", "", "")});
        EXPECT_NE(text.find("<GAMENAME>" + c.written + "</GAMENAME>\r\n"), std::string::npos) << c.written;
        EXPECT_NE(text.find("<GAMEID>" + c.written + "</GAMEID>\r\n"), std::string::npos) << c.written;
    }
}

TEST(CustomListWriter, RefusesCharactersAListFileCannotCarry)
{
    struct Case {
        int field; // 0 caption, 1..6 sub-items
        char16_t character;
        std::string fieldName;
    };
    const Case cases[] = {
        {0, 0x0001, "GAMENAME"}, {1, 0x0000, "GAMEID"}, {2, 0x001B, "NOTES"}, {3, 0x000C, "SSIZE"},
        {4, 0xFFFF, "GOOD"},     {5, 0xFFFE, "NICK"},   {6, 0xD800, "INST"},
    };
    TempDir folder;
    folder.Write("custGCMList.xml", "previous");
    for (const Case& c : cases) {
        ListItem bad = Item("Bad Game", "id", "notes", "1", "1", "nick", "inst");
        QString& target = c.field == 0 ? bad.caption : bad.subItems[c.field - 1];
        target.insert(1, QChar(c.character));
        const std::vector<ListItem> rows = {Item("Good Game", "", "", "", "1", "", ""), bad};
        try {
            CustomListWriter::Write(QtPath(folder, "custGCMList.xml"), rows);
            ADD_FAILURE() << "no refusal for field " << c.fieldName;
        } catch (const InvalidCharacterError& e) {
            const std::string message = e.what();
            EXPECT_NE(message.find(c.fieldName), std::string::npos) << message;
            EXPECT_NE(message.find("\"B"), std::string::npos) << message;
            for (char ch : message)
                EXPECT_GE(static_cast<unsigned char>(ch), 0x20) << message;
        }
        EXPECT_EQ(folder.Read("custGCMList.xml"), "previous");
    }
    EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"custGCMList.xml"}));
    // Tab, line feed, carriage return and a proper surrogate pair are fine.
    EXPECT_NO_THROW(
        CustomListWriter::Compose({Item("a\tb\nc\rd", QString::fromUtf8("\xF0\x9F\x8E\xAE"), "", "", "", "", "")}));
}

TEST(CustomListWriter, ReplacesTheFileWholeThroughLinksAndKeepsItsPermissions)
{
    namespace fs = std::filesystem;
    struct Case {
        const char* what;
        std::vector<std::pair<std::string, std::string>> links; // where, and what it leads to
        std::string file;                                       // the file that holds the list
    } cases[] = {
        {"a plain file", {}, "custGCMList.xml"},
        {"a link into another folder", {{"custGCMList.xml", "synced/list.xml"}}, "synced/list.xml"},
        {"a chain of links, each relative to its own folder",
         {{"custGCMList.xml", "synced/link"}, {"synced/link", "list.xml"}},
         "synced/list.xml"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir folder;
        const std::string root = folder.Path().string() + "/";
        ASSERT_TRUE(fs::create_directory(root + "synced"));
        folder.Write(c.file, "old content that is longer than the new file, much longer");
        ASSERT_EQ(::chmod((root + c.file).c_str(), 0640), 0);
        for (const auto& [where, to] : c.links)
            fs::create_symlink(to, root + where);

        CustomListWriter::Write(QtPath(folder, "custGCMList.xml"), {});
        EXPECT_EQ(folder.Read(c.file), CustomListWriter::Compose({}));
        for (const auto& link : c.links)
            EXPECT_TRUE(fs::is_symlink(root + link.first)) << link.first;
        EXPECT_EQ(fs::status(root + c.file).permissions(),
                  fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
        // Nothing else is left in either folder.
        std::size_t entries = 0;
        for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it)
            ++entries;
        EXPECT_EQ(entries, 2 + c.links.size());
    }
}

TEST(CustomListWriter, FailedWritesLeaveThePreviousFileByteForByte)
{
    TempDir folder;
    folder.Write("custGCMList.xml", "previous\r\n");
    std::vector<ListItem> many;
    for (int i = 0; i < 2000; ++i)
        many.push_back(Item(QString("Game %1").arg(i), "", "", "", "1", "", ""));

    // The file size limit makes write() fail part-way, as a full disk would.
    struct rlimit saved {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    try {
        CustomListWriter::Write(QtPath(folder, "custGCMList.xml"), many);
        ADD_FAILURE() << "the oversized write succeeded";
    } catch (const InOutError& e) {
        EXPECT_STREQ(e.what(), "I/O error 27");
    }
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(folder.Read("custGCMList.xml"), "previous\r\n");
    EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"custGCMList.xml"}));

    // A folder that does not exist, and a target that is a folder.
    EXPECT_THROW(CustomListWriter::Write(QtPath(folder, "missing/custGCMList.xml"), {}), InOutError);
    ASSERT_TRUE(QDir(QtPath(folder)).mkdir("taken"));
    EXPECT_THROW(CustomListWriter::Write(QtPath(folder, "taken"), {}), InOutError);
    EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"custGCMList.xml"}));
}

TEST(CustomListWriter, AReadOnlyFolderOrFileIsRefusedAsAccessDenied)
{
    struct Case {
        mode_t folderMode;
        mode_t fileMode;
    };
    for (const Case& c : {Case{0555, 0644}, Case{0777, 0444}}) {
        TempDir folder;
        ASSERT_TRUE(QDir(QtPath(folder)).mkdir("sub"));
        folder.Write("sub/custGCMList.xml", "previous");
        const QString target = QtPath(folder, "sub/custGCMList.xml");
        ASSERT_EQ(::chmod(folder.Path().c_str(), 0755), 0);
        ASSERT_EQ(::chmod(target.toLocal8Bit().constData(), c.fileMode), 0);
        ASSERT_EQ(::chmod(folder.File("sub").c_str(), c.folderMode), 0);

        const int refused = RunUnprivileged([&] {
            try {
                CustomListWriter::Write(target, {});
            } catch (const InOutError& e) {
                return std::string(e.what()) == "File access denied" ? 0 : 1;
            }
            return 2;
        });
        EXPECT_EQ(refused, 0) << "1: other message, 2: no error, 125: could not give up root, 126: other error; modes "
                              << std::oct << c.folderMode << " " << c.fileMode;
        ::chmod(folder.File("sub").c_str(), 0755);
        EXPECT_EQ(folder.Read("sub/custGCMList.xml"), "previous");
        EXPECT_EQ(QDir(QtPath(folder, "sub")).entryList(QDir::Files), QStringList{"custGCMList.xml"});
    }
}

TEST(InOutError, MessagesFollowTheSystemError)
{
    const std::pair<int, std::string> cases[] = {
        {EACCES, "File access denied"},
        {EROFS, "File access denied"},
        {ENOSPC, "Disk full"},
        {ENAMETOOLONG, "Invalid filename"},
        {EMFILE, "Too many open files"},
        {ENOENT, "File not found"},
        {EIO, "I/O error 5"},
    };
    for (const auto& [code, message] : cases)
        EXPECT_EQ(InOutError(code).what(), message);
}

} // namespace
} // namespace quorvane::app
