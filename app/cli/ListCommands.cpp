#include "app/cli/ListCommands.h"

#include "app/cli/CliOutput.h"
#include "app/cli/UsageError.h"
#include "app/list/ListChanges.h"
#include "app/list/ListErrors.h"
#include "app/list/ListFileNames.h"
#include "app/list/MainList.h"
#include "app/list/NoPreviousListError.h"
#include "app/list/SortedItemCollector.h"
#include "app/scan/GameScan.h"
#include "app/text/ControlEscapes.h"
#include "app/text/MessageWithFullStop.h"
#include "app/text/Utf8Text.h"
#include "app/update/ListInstaller.h"

#include <QFileInfo>

#include <malloc.h>

#include <cerrno>
#include <exception>
#include <set>
#include <string_view>

namespace quorvane::app::cli {

namespace {

/// Keeps the text the last command wrote to the status panel.
class LastStatus : public StatusSink {
public:
    void SetStatusText(const QString& text) override { text_ = text; }
    const QString& Text() const { return text_; }

private:
    QString text_;
};

struct Parsed {
    std::set<std::string> options;
    std::vector<std::string> positional;
};

Parsed Parse(const std::vector<std::string>& arguments, const std::set<std::string>& allowed, std::size_t maxPositional)
{
    Parsed parsed;
    bool optionsEnded = false;
    for (const std::string& argument : arguments) {
        // "--" ends the options, so a search text may start with dashes.
        if (!optionsEnded && argument == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && argument.size() > 1 && argument.rfind("--", 0) == 0) {
            if (!allowed.count(argument))
                throw UsageError("unknown option " + argument);
            parsed.options.insert(argument);
        } else {
            parsed.positional.push_back(argument);
        }
    }
    if (parsed.positional.size() > maxPositional)
        throw UsageError("unexpected argument " + parsed.positional[maxPositional]);
    return parsed;
}

BootFilter Filter(const Parsed& parsed)
{
    return parsed.options.count("--bootable") ? BootFilter::BootableOnly : BootFilter::AllRecords;
}

/// Start-up as the Main Window does it. A missing Main List leaves the
/// document empty, as answering No to the download question does.
StartupLoad StartUp(MainList& list, LastStatus& status, const QString& fileName = QString())
{
    return list.LoadMainList(status, fileName);
}

/// Start-up for a command that works on the Custom List alone: as the
/// program does, a Main List that cannot be loaded is reported (on standard
/// error, as the error box shows it) and the command carries on without it.
void StartUpReportingFailure(MainList& list, LastStatus& status)
{
    try {
        StartUp(list, status);
    } catch (const std::exception& e) {
        StandardError() << MessageWithFullStop(e.what()) << '\n';
    }
}

/// Which list `LoadList` left in the document.
enum class ListTaken { MainList, CustomList };

/// The list a command works on, as the window loads it: with --custom the
/// Custom List, shown into `view` with `filter`, after a start-up whose
/// failure is only reported; else the Main List of start-up (`view` is left
/// to the caller).
ListTaken LoadList(const Parsed& parsed, MainList& list, LastStatus& status, SortedItemCollector& view,
                   BootFilter filter)
{
    if (!parsed.options.count("--custom")) {
        StartUp(list, status);
        return ListTaken::MainList;
    }
    StartUpReportingFailure(list, status);
    list.ShowCustomList(filter, view, status);
    return ListTaken::CustomList;
}

// A field holding a tab or a line break would break the one-line,
// tab-separated form, and a list is text from a server: XML lets it hold
// escape sequences (C1 controls, DEL) that would drive the terminal. Control
// characters are printed as \t, \r, \n and \x1B-style escapes; other bytes
// pass unchanged: a path is printed as the file system's bytes.
std::string OneLine(std::string_view text)
{
    return EscapeControls(text);
}

std::string OneLine(const QString& text)
{
    return OneLine(text.toStdString());
}

void PrintItems(const SortedItemCollector& view, CliOutput& out)
{
    for (const ListItem& item : view.Items()) {
        out << OneLine(item.caption);
        for (const QString& text : item.subItems)
            out << '\t' << OneLine(text);
        out << '\n';
    }
}

int Summary(const std::vector<std::string>& arguments, CliOutput& out)
{
    const Parsed parsed = Parse(arguments, {}, 1);
    const QString fileName =
        parsed.positional.empty() ? QString(MainListFileName) : QString::fromStdString(parsed.positional[0]);
    MainList list;
    LastStatus status;
    // The summary carries the list's real counts, as the window's start-up
    // summary does with the list on screen.
    if (list.LoadAndCountMainList(status, fileName) == StartupLoad::MainListMissing)
        throw FileOpenError(list.FilePath(fileName), QFileInfo(list.FilePath(fileName)).isDir() ? EISDIR : ENOENT);
    out << OneLine(status.Text()) << '\n';
    return 0;
}

int Show(const std::vector<std::string>& arguments, CliOutput& out)
{
    const Parsed parsed = Parse(arguments, {"--custom", "--bootable"}, 0);
    MainList list;
    LastStatus status;
    SortedItemCollector view;
    if (LoadList(parsed, list, status, view, Filter(parsed)) == ListTaken::MainList)
        list.ShowMainList(Filter(parsed), view, status);
    PrintItems(view, out);
    out << OneLine(status.Text()) << '\n';
    return 0;
}

int Search(const std::vector<std::string>& arguments, CliOutput& out)
{
    const Parsed parsed = Parse(arguments, {"--bootable"}, 1);
    if (parsed.positional.empty())
        throw UsageError("search needs the text to look for");
    MainList list;
    LastStatus status;
    StartUp(list, status);
    SortedItemCollector view;
    const SearchCount count = list.Search(Utf8Text::Decode(parsed.positional[0]), Filter(parsed), view);
    PrintItems(view, out);
    // An empty text prints the whole list, which needs no count.
    if (!count.wholeList)
        out << count.Text().toStdString() << '\n';
    return 0;
}

int ExportHtml(const std::vector<std::string>& arguments, CliOutput&)
{
    const Parsed parsed = Parse(arguments, {"--custom"}, 0);
    MainList list;
    LastStatus status;
    SortedItemCollector view;
    LoadList(parsed, list, status, view, BootFilter::AllRecords);
    list.ExportHtml();
    return 0;
}

int Scan(const std::vector<std::string>& arguments, CliOutput& out)
{
    const Parsed parsed = Parse(arguments, {"--bootable"}, 1);
    if (parsed.positional.empty())
        throw UsageError("scan needs the folder to scan");
    MainList list;
    GameScan::LoadMainList(list);
    // The folder and the paths printed stay the system's bytes: a name that
    // is not UTF-8 would not survive a trip through text.
    const ScanReport report = GameScan::Run(list, parsed.positional[0]);
    for (const ScannedImage& image : report.images) {
        if (Filter(parsed) == BootFilter::BootableOnly && image.status != ImageStatus::Boots)
            continue;
        out << OneLine(image.pathBytes) << '\t' << OneLine(image.gameId) << '\t' << image.disc << '\t'
            << image.StatusText().toStdString() << '\t' << OneLine(image.gameName) << '\t' << OneLine(image.notes)
            << '\t' << OneLine(image.instructions) << '\t' << image.matches << '\n';
    }
    for (const UnreadableEntry& entry : report.unreadable)
        out << OneLine(entry.pathBytes) << "\tunreadable\t" << OneLine(entry.reason) << '\n';
    out << report.counts.Summary().toStdString() << '\n';
    return 0;
}

/// "gcmList.previous.xml" when it is there; NoPreviousListError otherwise.
QString PreviousListFile()
{
    if (!QFileInfo(QString::fromLatin1(PreviousListFileName)).isFile())
        throw NoPreviousListError();
    return QString::fromLatin1(PreviousListFileName);
}

int Changes(const std::vector<std::string>& arguments, CliOutput& out)
{
    const Parsed parsed = Parse(arguments, {}, 2);
    if (parsed.positional.size() == 1)
        throw UsageError("changes needs both lists or neither");
    // Two documents are loaded one after the other. The parse of the first
    // frees large buffers that the allocator served by mmap, and by default
    // it then raises its threshold for mmap: the second document's large
    // blocks would come from the heap, and freeing one of them would merge
    // every node freed before it, at a cost of a tenth of the command. A
    // fixed threshold keeps both documents alike.
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
    const QString older = parsed.positional.empty() ? PreviousListFile() : QString::fromStdString(parsed.positional[0]);
    const QString newer =
        parsed.positional.empty() ? QString(MainListFileName) : QString::fromStdString(parsed.positional[1]);
    // The lists are freed after the lines are written, not before: the
    // output buffer is then taken from a heap that is not yet strewn with
    // the documents' freed nodes.
    MainList olderList;
    MainList newerList;
    const ListChanges changes = ListChanges::Compare(olderList, older, newerList, newer);
    for (const ListChange& change : changes.Changes()) {
        out << ListChanges::KindText(change.kind).toStdString() << '\t' << OneLine(change.gameId) << '\t'
            << OneLine(change.name) << '\t' << ListChanges::StatusText(change.oldStatus).toStdString() << '\t'
            << ListChanges::StatusText(change.newStatus).toStdString() << '\t'
            << change.fields.join(QLatin1Char(',')).toStdString() << '\n';
    }
    out << changes.Counts().Summary().toStdString() << '\n';
    return 0;
}

int Revert(const std::vector<std::string>& arguments, CliOutput& out)
{
    Parse(arguments, {}, 0);
    ListInstaller::SwapWithPrevious(MainListFileName);
    return Summary({}, out);
}

} // namespace

const std::vector<CliCommand>& ListCommands()
{
    static const std::vector<CliCommand> commands = {
        {"summary", "[FILE]",
         "load FILE (default gcmList.xml) as at start-up and print the List Summary with its Good and Bad counts",
         Summary},
        {"show", "[--custom] [--bootable]",
         "print the Main List (or the Custom List) as the view shows it, then the List Summary", Show},
        {"search", "TEXT [--bootable]",
         "print the records whose name holds TEXT, ignoring case (and, for a plain ASCII TEXT, marks: cafe\n"
         "      finds Caf\xC3\xA9) or whose game ID begins with TEXT (4 characters or more), then the count;\n"
         "      an empty TEXT prints the whole list",
         Search},
        {"export-html", "[--custom]", "write compat.htm from the Main List (or the Custom List)", ExportHtml},
        {"scan", "DIR [--bootable]",
         "find the GCM images (.gcm, .iso) in DIR and its sub-folders and print whether each boots", Scan},
        {"changes", "[OLD NEW]",
         "print what changed from OLD to NEW (by default from gcmList.previous.xml, the list the last update\n"
         "      replaced, to gcmList.xml): one line per game, then the counts",
         Changes},
        {"revert", "",
         "swap gcmList.xml and gcmList.previous.xml (run twice, the newer list is back) and print the List\n"
         "      Summary of the list now in use",
         Revert},
    };
    return commands;
}

} // namespace quorvane::app::cli
