// quorvane-cli end to end: the built program on a generated list, in a
// scratch working directory.
#include "app/list/CaptionCollator.h"
#include "tests/app/list/ListTestSupport.h"
#include "tests/support/CliRun.h"
#include "tests/support/SparseImage.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>

namespace quorvane::app {
namespace {

using test::TempDir;

using ::quorvane::test::Cli;
using ::quorvane::test::CliRun;
using ::quorvane::test::Quoted;

void Generate(const TempDir& folder, int records, const std::string& version)
{
    const std::string command = "/usr/bin/python3 " + Quoted(QUORVANE_SOURCE_DIR "/scripts/gen-list") + " " +
                                std::to_string(records) + " " + Quoted(folder.File("gcmList.xml")) + " --version " +
                                version;
    ASSERT_EQ(std::system(command.c_str()), 0);
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

TEST(Cli, SummaryShowSearchOnAGeneratedList)
{
    TempDir folder;
    Generate(folder, 300, "42");

    // The loader's trace of every library it maps: a run that makes no connection never
    // loads OpenSSL, whose loading and start-up cost more than reading a small list.
    const CliRun summary = Cli(folder, "summary", "env LD_DEBUG=libs");
    EXPECT_EQ(summary.exitCode, 0) << summary.err;
    EXPECT_NE(summary.err.find("calling init"), std::string::npos) << "no trace from the loader";
    for (const char* library : {"libssl", "libcrypto"})
        EXPECT_EQ(summary.err.find(library), std::string::npos) << library << " is loaded at start-up";
    EXPECT_EQ(Cli(folder, "summary gcmList.xml").out, summary.out);

    const CliRun show = Cli(folder, "show");
    ASSERT_EQ(show.exitCode, 0) << show.err;
    std::vector<std::string> lines = Lines(show.out);
    ASSERT_EQ(lines.size(), 301u);
    const std::string last = lines.back();
    lines.pop_back();
    int good = 0;
    for (const std::string& line : lines) {
        EXPECT_EQ(std::count(line.begin(), line.end(), '\t'), 6) << line;
        good += line.find("\t1\t") != std::string::npos;
    }
    EXPECT_EQ(last, "List Version [42] GCM's [300] [Good: " + std::to_string(good) +
                        "] [Bad: " + std::to_string(300 - good) + "]");
    // The summary counts every record as `show` does.
    EXPECT_EQ(summary.out, last + "\n");
    // In the view's order.
    const CaptionCollator collator;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const QString previous = QString::fromStdString(lines[i - 1].substr(0, lines[i - 1].find('\t')));
        const QString current = QString::fromStdString(lines[i].substr(0, lines[i].find('\t')));
        EXPECT_LE(collator.Compare(previous, current), 0) << lines[i - 1] << " / " << lines[i];
    }

    const CliRun bootable = Cli(folder, "show --bootable");
    EXPECT_EQ(Lines(bootable.out).size(), static_cast<std::size_t>(good + 1));
    EXPECT_EQ(Lines(bootable.out).back(),
              "List Version [42] GCM's [300] [Good: " + std::to_string(good) + "] [Bad: 0]");

    // Every tenth generated name holds "Castle"; the search prints its count
    // after the rows, and no summary.
    const CliRun search = Cli(folder, "search cAsTlE");
    EXPECT_EQ(search.exitCode, 0);
    std::vector<std::string> found = Lines(search.out);
    ASSERT_EQ(found.size(), 31u);
    EXPECT_EQ(found.back(), "Found 30 of 300.");
    found.pop_back();
    for (const std::string& line : found)
        EXPECT_NE(line.find("Castle"), std::string::npos);
    const CliRun searchBootable = Cli(folder, "search castle --bootable");
    found = Lines(searchBootable.out);
    ASSERT_FALSE(found.empty());
    found.pop_back();
    for (const std::string& line : found)
        EXPECT_NE(line.find("\t1\t"), std::string::npos);
    // An empty or blank text prints the whole list, as Show does, and no count.
    EXPECT_EQ(Lines(Cli(folder, "search ''").out), lines);
    EXPECT_EQ(Lines(Cli(folder, "search '  '").out), lines);
    const CliRun dashes = Cli(folder, "search --bootable -- --castle");
    EXPECT_EQ(dashes.exitCode, 0) << dashes.err;
    EXPECT_EQ(dashes.out, "Found 0 of 300.\n");
}

// The search upper-cases by the rules of the locale the program runs in:
// in Turkish and Azerbaijani the capital of i is İ and that of ı is I.
TEST(Cli, SearchUpperCasesByTheLocalesRules)
{
    TempDir folder;
    const std::vector<std::string> names = {"istanbul", "\xC4\xB0stanbul",
                                            "I\xC4\x9F"
                                            "d\xC4\xB1r",
                                            "DIYARBAKIR", "Diyarbak\xC4\xB1r"};
    std::vector<std::vector<std::string>> records;
    for (const std::string& name : names)
        records.push_back(test::Fields(name, "1"));
    folder.Write("gcmList.xml", test::ListFile("1", records));

    struct Case {
        std::string text;
        /// The names found, by index into `names`: under other rules, and
        /// under the Turkish and Azerbaijani ones.
        std::vector<int> other;
        std::vector<int> turkic;
    };
    // An ASCII text also matches the names folded, where İ reads I: it finds
    // whatever dot the locale puts on its i. A text with other letters keeps
    // to the locale's capitals.
    const Case cases[] = {
        {"i", {0, 1, 2, 3, 4}, {0, 1, 2, 3, 4}},
        {"I", {0, 1, 2, 3, 4}, {0, 1, 2, 3, 4}},
        {"istanbul", {0, 1}, {0, 1}},
        {"\xC4\xB0", {1}, {0, 1, 4}},
        {"\xC4\xB1", {0, 2, 3, 4}, {2, 3, 4}},
        {"diyar", {3, 4}, {3, 4}},
        {"D\xC4\xB0YAR", {}, {4}},
    };
    const char* const previous = std::getenv("LC_ALL");
    const std::string restore = previous ? previous : "";
    std::vector<std::string> missing;
    for (const std::string locale : {"en_US.UTF-8", "tr_TR.UTF-8", "az_AZ.UTF-8"}) {
        locale_t available = newlocale(LC_ALL_MASK, locale.c_str(), nullptr);
        if (!available) {
            missing.push_back(locale);
            continue;
        }
        freelocale(available);
        const bool turkic = locale != "en_US.UTF-8";
        setenv("LC_ALL", locale.c_str(), 1);
        for (const Case& c : cases) {
            std::vector<std::string> expected;
            for (int index : turkic ? c.turkic : c.other)
                expected.push_back(names[static_cast<std::size_t>(index)]);
            std::vector<std::string> found;
            for (const std::string& line : Lines(Cli(folder, "search " + Quoted(c.text)).out)) {
                if (line.starts_with("Found "))
                    continue; // the count
                found.push_back(line.substr(0, line.find('\t')));
            }
            std::sort(expected.begin(), expected.end());
            std::sort(found.begin(), found.end());
            EXPECT_EQ(found, expected) << locale << ": " << c.text;
        }
    }
    setenv("LC_ALL", restore.c_str(), 1);
    if (!missing.empty())
        GTEST_SKIP() << "locales not generated here (scripts/install-deps test generates them): "
                     << ::testing::PrintToString(missing);
}

TEST(Cli, ExportHtmlWritesCompatHtm)
{
    TempDir folder;
    Generate(folder, 25, "1");
    const CliRun main = Cli(folder, "export-html");
    ASSERT_EQ(main.exitCode, 0) << main.err;
    const std::string html = folder.Read("compat.htm");
    EXPECT_EQ(test::CountLines(html), 20 + 9 * 25);
    EXPECT_EQ(html.substr(0, 11), "\xEF\xBB\xBF<HTML>\r\n");

    // With --custom the Custom List is exported instead.
    folder.Write("custGCMList.xml", test::ListFile("000", {test::Fields("Only One", "1")}));
    ASSERT_EQ(Cli(folder, "export-html --custom").exitCode, 0);
    const std::string custom = folder.Read("compat.htm");
    EXPECT_EQ(test::CountLines(custom), 29);
    EXPECT_NE(custom.find(">Only One</FONT></TD>\r\n"), std::string::npos);

    const CliRun showCustom = Cli(folder, "show --custom");
    EXPECT_EQ(showCustom.out, "Only One\tQAAE01\tIngame\t120\t1\ttester\tnone\n"
                              "List Version [1] GCM's [25] [Good: 1] [Bad: 0]\n");

    // Tabs and line breaks inside a field keep the record on one line, and the
    // controls XML allows (C1, DEL) cannot drive the terminal.
    folder.Write("custGCMList.xml",
                 test::ListFile("000", {{"<GAMENAME>a\tb</GAMENAME>", "<NOTES>x&#13;\ny&#x9B;2J&#x7F;</NOTES>",
                                         "<GOOD>2</GOOD>"}}));
    EXPECT_EQ(Cli(folder, "show --custom").out, "a\\tb\t\tx\\r\\ny\\x9B2J\\x7F\t\t2\t\t\n"
                                                "List Version [1] GCM's [25] [Good: 0] [Bad: 1]\n");

    // A Custom List that cannot be parsed fails both; neither falls back on the Main List.
    const std::string exported = folder.Read("compat.htm");
    folder.Write("custGCMList.xml", "<IMAGE><GCM>");
    for (const char* arguments : {"show --custom", "export-html --custom"}) {
        const CliRun run = Cli(folder, arguments);
        EXPECT_EQ(run.exitCode, 1) << arguments;
        EXPECT_EQ(run.out, "") << arguments;
        EXPECT_NE(run.err.find("\r\nLine: "), std::string::npos) << run.err;
    }
    EXPECT_EQ(folder.Read("compat.htm"), exported);
}

TEST(Cli, ScanPrintsEachImageThenTheCounts)
{
    TempDir folder;
    folder.Write("gcmList.xml", test::ListFile("3", {test::Fields("Runs\tWell", "1", "GRWE01"),
                                                     test::Fields("Stalls", "2", "GSTE01")}));
    ::quorvane::test::WriteSparseImage(folder.Path() / "games" / "a.iso", ::quorvane::test::ImageHeadBytes("GSTE01"));
    ::quorvane::test::WriteSparseImage(folder.Path() / "games" / "b.gcm",
                                       ::quorvane::test::ImageHeadBytes("GRWE01", 2));
    ::quorvane::test::WriteSparseImage(folder.Path() / "games" / "zz.iso", ::quorvane::test::ImageHeadBytes("GNEW01"));
    folder.Write("games/cover.png", "png");

    const std::string summary = "Images [3] Boot [1] Do not boot [1] Not in list [1] Other files [1] Unreadable [0]\n";
    const CliRun all = Cli(folder, "scan games");
    EXPECT_EQ(all.exitCode, 0) << all.err;
    EXPECT_EQ(all.out, "b.gcm\tGRWE01\t2\tboots\tRuns\\tWell\tIngame\tnone\t1\n"
                       "a.iso\tGSTE01\t1\tdoes not boot\tStalls\tIngame\tnone\t1\n"
                       "zz.iso\tGNEW01\t1\tnot in list\t\t\t\t0\n" +
                           summary);
    EXPECT_EQ(Cli(folder, "scan --bootable games").out,
              "b.gcm\tGRWE01\t2\tboots\tRuns\\tWell\tIngame\tnone\t1\n" + summary);
    // With --folder, DIR is taken in the list folder as the list files are.
    EXPECT_EQ(Cli(folder, "--folder games/.. scan games").out, all.out);

    const CliRun missing = Cli(folder, "scan nowhere");
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.out, "");
    EXPECT_EQ(missing.err, "Cannot scan folder \"" + folder.File("nowhere") + "\". No such file or directory.\n");
    EXPECT_EQ(Cli(folder, "scan gcmList.xml").err,
              "Cannot scan folder \"" + folder.File("gcmList.xml") + "\". Not a directory.\n");

    // A folder and a file named in Latin-1 (bytes that are not UTF-8) are
    // reached, and printed, as the bytes they are.
    ::quorvane::test::WriteSparseImage(folder.Path() / "caf\xe9" / "\xe9t\xe9.iso",
                                       ::quorvane::test::ImageHeadBytes("GSTE01"));
    const CliRun latin1 = Cli(folder, "scan " + Quoted("caf\xe9"));
    EXPECT_EQ(latin1.exitCode, 0) << latin1.err;
    EXPECT_EQ(latin1.out, "\xe9t\xe9.iso\tGSTE01\t1\tdoes not boot\tStalls\tIngame\tnone\t1\n"
                          "Images [1] Boot [0] Do not boot [1] Not in list [0] Other files [0] Unreadable [0]\n");
    EXPECT_EQ(Cli(folder, "scan " + Quoted("caf\xe9/gone")).err,
              "Cannot scan folder \"" + folder.File("caf\xe9/gone") + "\". No such file or directory.\n");
}

/// The field lines of a record with the ID, name, GOOD and notes given.
std::vector<std::string> Game(const std::string& id, const std::string& name, const std::string& good,
                              const std::string& notes = "n")
{
    return {"<GAMENAME>" + name + "</GAMENAME>",
            "<GAMEID>" + id + "</GAMEID>",
            "<NOTES>" + notes + "</NOTES>",
            "<SSIZE>9</SSIZE>",
            "<GOOD>" + good + "</GOOD>",
            "<NICK>t</NICK>",
            "<INST>i</INST>"};
}

TEST(Cli, ChangesBetweenTwoLists)
{
    using Records = std::vector<std::vector<std::string>>;
    const struct Case {
        const char* what;
        Records older;
        Records newer;
        std::string out;
    } cases[] = {
        {"a record added",
         {Game("A1", "Alpha", "1")},
         {Game("A1", "Alpha", "1"), Game("B2", "Beta", "0")},
         "new\tB2\tBeta\t\tdoes not boot\t\n"
         "Changes [1] New [1] Removed [0] Now boot [0] No longer boot [0] Changed [0]\n"},
        {"one removed",
         {Game("A1", "Alpha", "1"), Game("B2", "Beta", "0")},
         {Game("B2", "Beta", "0")},
         "removed\tA1\tAlpha\tboots\t\t\n"
         "Changes [1] New [0] Removed [1] Now boot [0] No longer boot [0] Changed [0]\n"},
        {"each boot flip, one field changed, sorted by kind then name",
         {Game("C3", "Gamma", "1"), Game("A1", "alpha", "2"), Game("B2", "Beta", "0"), Game("D4", "Delta", "1")},
         {Game("D4", "Delta", "1", "new notes"), Game("C3", "Gamma", "0"), Game("B2", "Beta", "1"),
          Game("A1", "alpha", "1", "x"), Game("E5", "Epsilon", "1")},
         "new\tE5\tEpsilon\t\tboots\t\n"
         "now boots\tA1\talpha\tdoes not boot\tboots\tnotes\n"
         "now boots\tB2\tBeta\tdoes not boot\tboots\t\n"
         "no longer boots\tC3\tGamma\tboots\tdoes not boot\t\n"
         "changed\tD4\tDelta\tboots\tboots\tnotes\n"
         "Changes [5] New [1] Removed [0] Now boot [2] No longer boot [1] Changed [1]\n"},
        {"an ID listed twice counts by its first record",
         {Game("A1", "Alpha", "0"), Game("A1", "Alpha again", "1")},
         {Game("A1", "Alpha", "0"), Game("A1", "Other", "1"), Game("a1", "Third", "1")},
         "Changes [0] New [0] Removed [0] Now boot [0] No longer boot [0] Changed [0]\n"},
        {"an ID new or gone, listed twice, is one game",
         {Game("A1", "Alpha", "1"), Game("B2", "Beta", "0"), Game("b2", "Beta again", "1")},
         {Game("A1", "Alpha", "1"), Game("C3", "Gamma", "0"), Game("c3", "Gamma again", "1")},
         "new\tC3\tGamma\t\tdoes not boot\t\n"
         "removed\tB2\tBeta\tdoes not boot\t\t\n"
         "Changes [2] New [1] Removed [1] Now boot [0] No longer boot [0] Changed [0]\n"},
        {"IDs that differ only in case or blanks are one game",
         {Game("qaae01", "Alpha", "1")},
         {Game(" QAAE01\t", "Alpha", "1", "m")},
         "changed\t QAAE01\\t\tAlpha\tboots\tboots\tnotes\n"
         "Changes [1] New [0] Removed [0] Now boot [0] No longer boot [0] Changed [1]\n"},
        {"empty IDs match by name",
         {Game("", "Alpha", "0"), Game(" ", "Beta", "1"), Game("X9", "Gamma", "1")},
         {Game("", " Alpha ", "1"), Game("", "Gamma", "1"), Game("X9", "Gamma", "1")},
         "new\t\tGamma\t\tboots\t\n"
         "removed\t \tBeta\tboots\t\t\n"
         "now boots\t\t Alpha \tdoes not boot\tboots\tname\n"
         "Changes [3] New [1] Removed [1] Now boot [1] No longer boot [0] Changed [0]\n"},
        {"a name without ID listed twice counts by its first record",
         {Game("", "Alpha", "0"), Game("", "Alpha", "1")},
         {Game("", "Alpha", "1"), Game("", "Alpha", "0")},
         "now boots\t\tAlpha\tdoes not boot\tboots\t\n"
         "Changes [1] New [0] Removed [0] Now boot [1] No longer boot [0] Changed [0]\n"},
        {"two empty lists", {}, {}, "Changes [0] New [0] Removed [0] Now boot [0] No longer boot [0] Changed [0]\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir folder;
        folder.Write("old.xml", test::ListFile("1", c.older));
        folder.Write("new.xml", test::ListFile("2", c.newer));
        const CliRun run = Cli(folder, "changes old.xml new.xml");
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.out, c.out);
        EXPECT_EQ(run.err, "");
    }

    // An old list that does not load fails as summary fails on it.
    TempDir folder;
    folder.Write("gcmList.previous.xml", "<IMAGE><GCM>");
    folder.Write("gcmList.xml", test::ListFile("2", Records{Game("A1", "Alpha", "1")}));
    const CliRun broken = Cli(folder, "changes");
    EXPECT_EQ(broken.exitCode, 1);
    EXPECT_EQ(broken.out, "");
    EXPECT_EQ(broken.err, Cli(folder, "summary gcmList.previous.xml").err);
    EXPECT_NE(broken.err.find("\r\nLine: "), std::string::npos) << broken.err;
}

TEST(Cli, FailuresGoToStandardErrorAsTheErrorBoxShowsThem)
{
    TempDir folder;
    struct Case {
        std::string arguments;
        int exitCode;
        std::string err; // expected prefix of standard error
    };
    const std::string missing = folder.File("gcmList.xml");
    // The lists can live in a folder of their own, made when missing.
    const QByteArray dataHome = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString(folder.File("data")));
    const Case cases[] = {
        {"summary", 1, "Cannot open file \"" + missing + "\". No such file or directory.\n"},
        {"show", 1, "No active document.\n"},
        {"search x", 1, "No active document.\n"},
        {"export-html", 1, "No active document.\n"},
        {"show --custom", 1, "Cannot open file \"" + folder.File("custGCMList.xml") + "\""},
        {"show --everything", 2, "quorvane-cli show: unknown option --everything"},
        {"search", 2, "quorvane-cli search: search needs the text"},
        {"scan .", 1, "Cannot open file \"" + missing + "\". No such file or directory.\n"},
        {"scan", 2, "quorvane-cli scan: scan needs the folder"},
        {"frobnicate", 2, "quorvane-cli: unknown command frobnicate"},
        {"", 2, "usage: quorvane-cli COMMAND"},
        {"--folder lists/new summary", 1,
         "Cannot open file \"" + folder.File("lists/new/gcmList.xml") + "\". No such file"},
        {"--data-folder show --custom", 1, "Cannot open file \"" + folder.File("data/quorvane/custGCMList.xml") + "\""},
        {"--folder=/dev/null show", 1, "Cannot create folder \"/dev/null\". Not a directory.\n"},
        {"--folder", 2, "quorvane-cli: --folder needs a folder"},
        {"--folder lists --data-folder show", 2, "quorvane-cli: --folder and --data-folder exclude each other"},
        {"--folder unmade frobnicate", 2, "quorvane-cli: unknown command frobnicate"},
        {"changes", 1, "No earlier list to compare with.\n"},
        {"revert", 1, "No earlier list to compare with.\n"},
        {"changes gcmList.xml", 2, "quorvane-cli changes: changes needs both lists or neither"},
    };
    for (const Case& c : cases) {
        const CliRun run = Cli(folder, c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.arguments;
        EXPECT_EQ(run.err.substr(0, c.err.size()), c.err) << c.arguments;
        EXPECT_EQ(run.out, "") << c.arguments;
    }
    EXPECT_FALSE(folder.Exists("compat.htm"));
    EXPECT_TRUE(std::filesystem::is_directory(folder.File("lists/new")));
    EXPECT_TRUE(std::filesystem::is_directory(folder.File("data/quorvane")));
    EXPECT_FALSE(folder.Exists("unmade"));
    if (dataHome.isNull())
        qunsetenv("XDG_DATA_HOME");
    else
        qputenv("XDG_DATA_HOME", dataHome);

    // A folder of that name is no Main List.
    ASSERT_TRUE(QDir(folder.Path()).mkdir("gcmList.xml"));
    EXPECT_EQ(Cli(folder, "summary").err, "Cannot open file \"" + missing + "\". Is a directory.\n");
    ASSERT_TRUE(QDir(folder.Path()).rmdir("gcmList.xml"));

    folder.Write("gcmList.xml", "<IMAGE><GCM>");
    const CliRun malformed = Cli(folder, "summary");
    EXPECT_EQ(malformed.exitCode, 1);
    EXPECT_NE(malformed.err.find("\r\nLine: "), std::string::npos) << malformed.err;

    // The commands that need no Main List report its start-up error, as the
    // program's error box does, and carry on; the others fail with it.
    folder.Write("custGCMList.xml", test::ListFile("000", {test::Fields("Only One", "1")}));
    const Case withMalformedMainList[] = {
        {"show", 1, malformed.err},   {"search x", 1, malformed.err},      {"export-html", 1, malformed.err},
        {"scan .", 1, malformed.err}, {"show --custom", 0, malformed.err}, {"export-html --custom", 0, malformed.err},
    };
    for (const Case& c : withMalformedMainList) {
        const CliRun run = Cli(folder, c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.arguments;
        EXPECT_EQ(run.err, c.err) << c.arguments;
        EXPECT_EQ(run.out, c.arguments == "show --custom" ? "Only One\tQAAE01\tIngame\t120\t1\ttester\tnone\n"
                                                            "List Version [] GCM's [0] [Good: 1] [Bad: 0]\n"
                                                          : "")
            << c.arguments;
    }
    EXPECT_NE(folder.Read("compat.htm").find(">Only One</FONT></TD>"), std::string::npos);

    // Output that cannot be written fails the command instead of passing for a result.
    if (std::filesystem::exists("/dev/full")) {
        const CliRun full = Cli(folder, "show --custom >/dev/full");
        EXPECT_EQ(full.exitCode, 1);
        EXPECT_NE(full.err.find("Cannot write standard output. No space left on device\n"), std::string::npos)
            << full.err;
    }
}

} // namespace
} // namespace quorvane::app
