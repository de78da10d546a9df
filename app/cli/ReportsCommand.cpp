#include "app/cli/ReportsCommand.h"

#include "app/cli/CliOutput.h"
#include "app/cli/InterruptCatcher.h"
#include "app/cli/KeepersOptions.h"
#include "app/cli/UsageError.h"
#include "app/list/ListFileNames.h"
#include "app/list/ReportReview.h"
#include "app/settings/SettingsKeys.h"
#include "app/settings/SharedOptions.h"
#include "app/update/ListInstaller.h"
#include "app/update/ReportFetch.h"
#include "app/update/ServerUrlError.h"

#include <QString>
#include <QStringList>

#include <malloc.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane::app::cli {

namespace {

/// Where fetched reports go and where review and merge look by default.
constexpr const char* ReportsFolder = "reports/";

// Report texts come from anyone: a tab or line break would break the
// one-line, tab-separated form, and a control character could steer the
// terminal. Tab and line breaks are printed as \t, \r and \n, other control
// characters (C0, DEL, and C1 as UTF-8 encodes them) as \xNN or \u00NN.
std::string Shown(std::string_view text)
{
    std::string shown;
    char escape[8];
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '\t') {
            shown += "\\t";
        } else if (c == '\r') {
            shown += "\\r";
        } else if (c == '\n') {
            shown += "\\n";
        } else if (c < 0x20 || c == 0x7F) {
            std::snprintf(escape, sizeof escape, "\\x%02X", c);
            shown += escape;
        } else if (c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
                   static_cast<unsigned char>(text[i + 1]) <= 0x9F) {
            std::snprintf(escape, sizeof escape, "\\u%04X", static_cast<unsigned char>(text[++i]));
            shown += escape;
        } else {
            shown += static_cast<char>(c);
        }
    }
    return shown;
}

std::string Shown(const QString& text)
{
    return Shown(text.toStdString());
}

/// The arguments after `reports review` or `reports merge`.
struct ReportArguments {
    QStringList paths;
    std::optional<std::string> accept;
    std::optional<std::string> version;
    QString prefer;
};

ReportArguments Parse(const std::vector<std::string>& arguments, bool merging)
{
    ReportArguments parsed;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        const auto value = [&]() -> std::string {
            if (i + 1 >= arguments.size())
                throw UsageError(argument + " needs a value");
            return arguments[++i];
        };
        if (!optionsEnded && argument == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && merging && argument == "--accept") {
            parsed.accept = OptionValue(arguments, i);
        } else if (!optionsEnded && merging && argument == "--version") {
            parsed.version = OptionValue(arguments, i);
        } else if (!optionsEnded && merging && argument == "--prefer") {
            parsed.prefer = QString::fromStdString(value());
        } else if (!optionsEnded && argument.size() > 1 && argument[0] == '-') {
            throw UsageError("unknown option " + argument);
        } else {
            parsed.paths.push_back(QString::fromStdString(argument));
        }
    }
    if (parsed.paths.isEmpty())
        parsed.paths.push_back(QString::fromLatin1(ReportsFolder));
    return parsed;
}

/// Reads the reports the arguments name and prints a line for each one that
/// could not be read. Returns false when none could be read.
bool ReadReports(ReportReview& review, const ReportArguments& parsed, CliOutput& out)
{
    for (const QString& file : ReportReview::ReportFiles(parsed.paths))
        review.AddFile(file);
    bool anyRead = false;
    for (const ReviewedReport& report : review.Reports()) {
        if (report.problem.empty())
            anyRead = true;
        else
            out << Shown(report.path) << "\tunreadable\t" << Shown(report.problem) << '\n';
    }
    // The reports' documents are gone: their freed blocks are merged once
    // here, not again at every large block the Main List's parse asks for.
    malloc_trim(0);
    return anyRead;
}

/// Many small documents are read and freed before the large one: as for
/// `changes`, a fixed threshold for mmap keeps the allocator from raising it
/// after the first large free and then merging freed blocks at every large
/// one.
void FixMmapThreshold()
{
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
}

int RunReview(const std::vector<std::string>& arguments, CliOutput& out)
{
    const ReportArguments parsed = Parse(arguments, false);
    FixMmapThreshold();
    ReportReview review;
    const bool anyRead = ReadReports(review, parsed, out);
    review.Review(QString::fromLatin1(MainListFileName));
    for (const ReviewedRecord& record : review.Records()) {
        const std::array<std::string, RecordFieldNames.size()>& fields = record.fields;
        out << Shown(review.Reports()[record.report].path) << '\t' << Shown(fields[5]) << '\t' << Shown(fields[1])
            << '\t' << Shown(fields[0]) << '\t' << ReportReview::KindText(record.kind) << '\t' << Shown(record.listGood)
            << '\t' << Shown(fields[4]) << '\n';
    }
    out << review.Counts().Summary() << '\n';
    return anyRead ? 0 : 1;
}

/// "new,contradicts,adds-notes" or "all" as the kinds a merge takes.
std::array<bool, 5> AcceptedKinds(const std::string& text)
{
    std::array<bool, 5> accepted{};
    if (text == "all") {
        accepted.fill(true);
        accepted[static_cast<std::size_t>(ReportKind::Unclear)] = false;
        return accepted;
    }
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        const std::string name = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        const std::optional<ReportKind> kind = ReportReview::KindNamed(name);
        if (!kind)
            throw UsageError("unknown kind \"" + name + "\" (new, confirms, contradicts, adds-notes or all)");
        if (*kind == ReportKind::Unclear)
            throw UsageError("unclear records are never merged");
        accepted[static_cast<std::size_t>(*kind)] = true;
        if (comma == std::string::npos)
            return accepted;
        start = comma + 1;
    }
}

int RunMerge(const std::vector<std::string>& arguments, CliOutput& out)
{
    const ReportArguments parsed = Parse(arguments, true);
    if (!parsed.version || parsed.version->empty())
        throw UsageError("merge needs --version V");
    if (!parsed.accept)
        throw UsageError("merge needs --accept KINDS");
    MergeChoice choice;
    choice.accepted = AcceptedKinds(*parsed.accept);
    choice.version = *parsed.version;
    choice.prefer = parsed.prefer;

    FixMmapThreshold();
    ReportReview review;
    if (!ReadReports(review, parsed, out)) {
        out << review.Counts().Summary() << '\n';
        return 1;
    }
    const MergedList merged = review.Merge(QString::fromLatin1(MainListFileName), choice);
    for (const std::string& line : merged.disagreements)
        out << Shown(line) << '\n';
    InstallResult installed;
    {
        // An interrupt waits until the new list is in place (or the write
        // failed), so it never leaves a part of it behind.
        const HeldInterrupts held;
        installed = ListInstaller::InstallText(merged.text, MainListFileName);
    }
    if (installed.previous == PreviousList::NotKept)
        StandardError() << installed.problem << '\n';
    out << merged.changes.Summary().toStdString() << '\n';
    return 0;
}

/// The arguments after `reports fetch`.
struct FetchArguments {
    std::optional<std::string> server;
    std::string moveTo;
    /// --trust-certificate FP [--save].
    NamedCertificate certificate;
};

FetchArguments ParseFetch(const std::vector<std::string>& arguments)
{
    FetchArguments parsed;
    SharedOptions shared(SharedOptions::TrustCertificate);
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (shared.Take(arguments, i))
            continue;
        const std::string& argument = arguments[i];
        if (argument == "--reports-server") {
            parsed.server = OptionValue(arguments, i);
        } else if (argument == "--move-to") {
            parsed.moveTo = OptionValue(arguments, i);
        } else {
            throw UsageError("unexpected argument " + argument);
        }
    }
    shared.Finish();
    parsed.certificate = shared.certificate;
    return parsed;
}

// The keepers' server: --reports-server, else [keepers] server in the
// settings file. Fetch learns its server here and nowhere else; what is known
// of its certificate is the trust store's.
FtpServer KeepersServer(const FetchArguments& parsed)
{
    const std::string url = OptionOrSetting(parsed.server, settings::kKeepersServer);
    if (url.empty())
        throw UsageError("fetch needs --reports-server URL or [keepers] server in the settings file");
    try {
        return FtpServer::Parse(url, FtpServer::Role::Report);
    } catch (const ServerUrlError& e) {
        throw UsageError(e.what());
    }
}

int RunFetch(const std::vector<std::string>& arguments, CliOutput& out)
{
    const FetchArguments parsed = ParseFetch(arguments);
    const FtpServer server = KeepersServer(parsed);
    InterruptCatcher interrupts;
    ReportFetch fetch(server, parsed.certificate);
    InterruptWatch watch(fetch);
    FetchedReports fetched;
    try {
        if (InterruptCatcher::Caught())
            InterruptCatcher::EndByTheSignal();
        fetched = fetch.Fetch(ReportsFolder, parsed.moveTo,
                              [](const std::string& text) { StandardError() << Shown(text) << '\n'; });
    } catch (...) {
        // What an abort leaves behind (a closed connection, the server's 426)
        // is no failure of its own: the interrupt is.
        if (InterruptCatcher::Caught())
            InterruptCatcher::EndByTheSignal();
        throw;
    }
    if (InterruptCatcher::Caught())
        InterruptCatcher::EndByTheSignal();
    for (const std::string& failure : fetched.failures)
        StandardError() << Shown(failure) << '\n';
    out << fetched.Text() << '\n';
    return fetched.failures.empty() ? 0 : 1;
}

int RunReports(const std::vector<std::string>& arguments, CliOutput& out)
{
    if (arguments.empty())
        throw UsageError("reports needs review, merge or fetch");
    const std::vector<std::string> rest(arguments.begin() + 1, arguments.end());
    if (arguments[0] == "review")
        return RunReview(rest, out);
    if (arguments[0] == "merge")
        return RunMerge(rest, out);
    if (arguments[0] == "fetch")
        return RunFetch(rest, out);
    throw UsageError("unknown reports command " + arguments[0]);
}

} // namespace

const CliCommand& ReportsCommand()
{
    static const CliCommand command{
        "reports",
        "fetch [--reports-server ftp[es]://USER:PASSWORD@HOST:PORT/PATH/] [--move-to FOLDER]\n"
        "      [--trust-certificate FP [--save]] | review [FILE|DIR...]\n"
        "      | merge [FILE|DIR...] --accept KINDS --version V [--prefer FILE]",
        "the keepers' desk for the players' reports (custGCMList-*.xml; by default those in reports/):\n"
        "      fetch brings the reports reports/ does not hold yet (each at most 1 MiB) from the keepers'\n"
        "      account (the option's, else the settings file's [keepers] server; TLS and certificates as for\n"
        "      update), and with --move-to moves each one fetched into FOLDER on the server;\n"
        "      review prints one line per report record (report, nick, game ID, name, kind, the list's flag,\n"
        "      the report's flag; kinds new, confirms, contradicts, adds-notes, unclear), then the counts;\n"
        "      merge writes gcmList.xml anew with version V from the kinds accepted (comma-separated, or all),\n"
        "      keeping the list it replaces as gcmList.previous.xml, and prints what changed; games on which\n"
        "      accepted reports disagree are left out unless --prefer names the report that wins",
        &RunReports};
    return command;
}

} // namespace quorvane::app::cli
