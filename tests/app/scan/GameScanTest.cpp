// A scan of a folder of sparse images against a Main List, run without the
// superuser's rights so that a file without read permission is unreadable.
#include "app/list/MainList.h"
#include "app/scan/GameScan.h"
#include "tests/support/ListFiles.h"
#include "tests/support/SparseImage.h"
#include "tests/support/TempDir.h"
#include "tests/support/Unprivileged.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <map>

namespace quorvane::app {
namespace {

using test::ImageHeadBytes;
using test::ListFile;
using test::TempDir;
using test::WriteSparseImage;

std::string Report(const ScanReport& report)
{
    std::string text;
    for (const ScannedImage& i : report.images) {
        text += i.pathBytes;
        text += ('|' + i.gameId + '|' + QString::number(i.disc) + '|' + i.StatusText() + '|' + i.gameName + '|' +
                 i.notes + '|' + i.instructions + '|' + QString::number(i.matches) + '\n')
                    .toStdString();
    }
    for (const UnreadableEntry& e : report.unreadable)
        text += e.pathBytes + ("|unreadable|" + e.reason + '\n').toStdString();
    return text + report.counts.Summary().toStdString() + '\n';
}

/// What a scan must not change: size, the first bytes and every time stamp.
struct FileState {
    off_t size;
    std::string head;
    timespec accessed, modified, changed;
    friend bool operator==(const FileState& a, const FileState& b)
    {
        auto same = [](timespec x, timespec y) { return x.tv_sec == y.tv_sec && x.tv_nsec == y.tv_nsec; };
        return a.size == b.size && a.head == b.head && same(a.accessed, b.accessed) && same(a.modified, b.modified) &&
               same(a.changed, b.changed);
    }
};

std::map<std::string, FileState> States(const std::filesystem::path& folder)
{
    std::map<std::string, FileState> states;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        struct stat info {};
        if (!entry.is_regular_file() || ::lstat(entry.path().c_str(), &info) != 0)
            continue;
        std::string head(64, '\0');
        // O_NOATIME keeps this look from moving the time it checks; the
        // file without read permission is left at its time stamps.
        const int fd = ::open(entry.path().c_str(), O_RDONLY | O_NOATIME);
        if (fd >= 0) {
            head.resize(static_cast<std::size_t>(std::max<ssize_t>(0, ::pread(fd, head.data(), head.size(), 0))));
            ::close(fd);
        }
        states[entry.path().string()] = {info.st_size, head, info.st_atim, info.st_mtim, info.st_ctim};
    }
    return states;
}

TEST(GameScan, MatchesImagesToTheMainListAndChangesNoFile)
{
    TempDir dir;
    auto record = [](const std::string& name, const std::string& id, const std::string& good) {
        return test::Record({"<GAMENAME>" + name + "</GAMENAME>", "<GAMEID>" + id + "</GAMEID>",
                             "<NOTES>notes of " + name + "</NOTES>", "<SSIZE>?</SSIZE>", "<GOOD>" + good + "</GOOD>",
                             "<NICK>t</NICK>", "<INST>inst of " + name + "</INST>"});
    };
    dir.Write("gcmList.xml",
              ListFile("7", record("Boot Game", "GBTE01", "1") + record("Stuck Game", "GSTE01", "2") +
                                record("Twice First", "GTWE01", "2") + record("Unrelated", "GXXE01", "1") +
                                record("Twice Second", "GTWE01", "1") + record("Blank Case", " \tgbce01 ", "1") +
                                record("Line Break", "\n  GLBE01\n", "1") +
                                record("Carriage Return", "&#13;GCRE01&#13;\n", "2") +
                                record("Two Discs", "GTDE01", "1")));
    const std::filesystem::path games = dir.Path() / "games";
    WriteSparseImage(games / "boot.iso", ImageHeadBytes("GBTE01"));
    WriteSparseImage(games / "boot2.gcm", ImageHeadBytes("GBTE01", 2));
    WriteSparseImage(games / "twice.iso", ImageHeadBytes("GTWE01"));
    WriteSparseImage(games / "blank.ISO", ImageHeadBytes("GBCE01"));
    WriteSparseImage(games / "sub" / "stuck.GCM", ImageHeadBytes("GSTE01"));
    WriteSparseImage(games / "sub" / "deeper" / "Unknown Game.iso", ImageHeadBytes("GUNE01"));
    WriteSparseImage(games / "line.iso", ImageHeadBytes("GLBE01"));
    WriteSparseImage(games / "return.iso", ImageHeadBytes("GCRE01"));
    // Paths that sort against the discs' order.
    WriteSparseImage(games / "a second.iso", ImageHeadBytes("GTDE01", 2));
    WriteSparseImage(games / "b first.iso", ImageHeadBytes("GTDE01"));
    // A folder and a file named in Latin-1: bytes that are not UTF-8.
    const std::filesystem::path latin1 = games / "caf\xe9";
    WriteSparseImage(latin1 / "r\xe9gion.iso", ImageHeadBytes("GLTE01"));
    WriteSparseImage(games / "bad head.iso", "not an image at all");
    WriteSparseImage(games / "locked.iso", ImageHeadBytes("GBTE01"));
    test::WriteBytes(games / "readme.txt", "hello");
    // A loop back to the top and a second way into "sub": each folder once.
    std::filesystem::create_directory_symlink("..", games / "sub" / "loop");
    std::filesystem::create_directory_symlink("sub", games / "link to sub");

    // The scan runs as nobody, who must reach everything but "locked.iso".
    // Owning the images lets it keep their access times (O_NOATIME).
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir.Path())) {
        if (::geteuid() == 0) {
            ASSERT_EQ(::lchown(entry.path().c_str(), 65534, 65534), 0);
        }
        if (entry.is_directory() && !entry.is_symlink())
            std::filesystem::permissions(entry.path(), std::filesystem::perms(0755));
    }
    ASSERT_EQ(::chmod(dir.Path().c_str(), 0755), 0);
    ASSERT_EQ(::chmod((games / "locked.iso").c_str(), 0), 0);
    // An access time before the last change would be renewed by any read
    // that does not keep it.
    const timespec times[2] = {{1000000000, 0}, {0, UTIME_OMIT}};
    for (const char* name : {"boot.iso", "boot2.gcm", "twice.iso", "bad head.iso"})
        ASSERT_EQ(::utimensat(AT_FDCWD, (games / name).c_str(), times, 0), 0);
    const auto before = States(games);

    const test::UnprivilegedRun run = test::RunUnprivilegedForText([&] {
        MainList list(QString::fromStdString(dir.Path().string()));
        GameScan::LoadMainList(list);
        const ScanReport report = GameScan::Run(list, games.string());
        // The rows show the names as text, with U+FFFD for what is not UTF-8.
        const bool shown = std::any_of(report.images.begin(), report.images.end(), [](const ScannedImage& image) {
            return image.path == QStringLiteral("caf\uFFFD/r\uFFFDgion.iso") &&
                   image.ShownName() == QStringLiteral("r\uFFFDgion.iso");
        });
        return Report(report) + (shown ? "" : "no row shows the Latin-1 name\n") +
               Report(GameScan::Run(list, latin1.string()));
    });
    ASSERT_EQ(run.exitCode, 0) << "125: could not give up root, 126: the scan threw";
    EXPECT_EQ(run.text,
              "blank.ISO|GBCE01|1|boots|Blank Case|notes of Blank Case|inst of Blank Case|1\n"
              "boot.iso|GBTE01|1|boots|Boot Game|notes of Boot Game|inst of Boot Game|1\n"
              "boot2.gcm|GBTE01|2|boots|Boot Game|notes of Boot Game|inst of Boot Game|1\n"
              "return.iso|GCRE01|1|does not boot|Carriage Return|notes of Carriage Return|inst of Carriage Return|1\n"
              "line.iso|GLBE01|1|boots|Line Break|notes of Line Break|inst of Line Break|1\n"
              "caf\xe9/r\xe9gion.iso|GLTE01|1|not in list||||0\n"
              "sub/stuck.GCM|GSTE01|1|does not boot|Stuck Game|notes of Stuck Game|inst of Stuck Game|1\n"
              "twice.iso|GTWE01|1|does not boot|Twice First|notes of Twice First|inst of Twice First|2\n"
              "b first.iso|GTDE01|1|boots|Two Discs|notes of Two Discs|inst of Two Discs|1\n"
              "a second.iso|GTDE01|2|boots|Two Discs|notes of Two Discs|inst of Two Discs|1\n"
              "sub/deeper/Unknown Game.iso|GUNE01|1|not in list||||0\n"
              "locked.iso|unreadable|Permission denied\n"
              "Images [11] Boot [6] Do not boot [3] Not in list [2] Other files [2] Unreadable [1]\n"
              "r\xe9gion.iso|GLTE01|1|not in list||||0\n"
              "Images [1] Boot [0] Do not boot [0] Not in list [1] Other files [0] Unreadable [0]\n");
    const auto after = States(games);
    for (const auto& [path, state] : before)
        EXPECT_TRUE(after.at(path) == state) << "the scan changed " << path;
    ::chmod((games / "locked.iso").c_str(), 0644);
}

TEST(GameScan, AMissingFolderOrMainListFails)
{
    TempDir dir;
    MainList list(QString::fromStdString(dir.Path().string()));
    try {
        GameScan::LoadMainList(list);
        ADD_FAILURE() << "a missing Main List loaded";
    } catch (const std::exception& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Cannot open file \"" + dir.File("gcmList.xml") + "\". No such file or directory");
    }
    dir.Write("gcmList.xml", ListFile("1", ""));
    GameScan::LoadMainList(list);
    for (const std::string& name : {std::string("nowhere"), dir.File("gcmList.xml")}) {
        const std::string full = name == "nowhere" ? (std::filesystem::current_path() / name).string() : name;
        try {
            GameScan::Run(list, name);
            ADD_FAILURE() << name << " was scanned";
        } catch (const std::exception& e) {
            EXPECT_EQ(std::string(e.what()), "Cannot scan folder \"" + full + "\". " +
                                                 (name == "nowhere" ? "No such file or directory" : "Not a directory"));
        }
    }
}

} // namespace
} // namespace quorvane::app
