// Treats the input as a keeper's desk: the first byte chooses the kinds a
// merge accepts (and whether the first report is preferred), the rest is a
// Main List and up to four reports separated by NUL bytes. Reviews the
// reports, then merges them. Every report is read or named unreadable, every
// record gets a kind, and a merged list loads again with the list's records
// in order plus the new games, and `changes` between the two lists counts
// exactly what the merge said it changed.
#include "app/list/ListChanges.h"
#include "app/list/ListError.h"
#include "app/list/ReportReview.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

using quorvane::app::ChangeCounts;
using quorvane::app::ListChanges;
using quorvane::app::MergeChoice;
using quorvane::app::MergedList;
using quorvane::app::ReportReview;

const std::string& Folder()
{
    static const std::string folder = [] {
        std::string pattern = "/tmp/quorvane-fuzz-reports-XXXXXX";
        if (std::getenv("TMPDIR") != nullptr)
            pattern = std::string(std::getenv("TMPDIR")) + "/quorvane-fuzz-reports-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr)
            std::abort();
        return pattern;
    }();
    return folder;
}

void WriteFile(const std::string& path, std::string_view bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

bool SameCounts(const ChangeCounts& a, const ChangeCounts& b)
{
    return a.added == b.added && a.removed == b.removed && a.nowBoot == b.nowBoot && a.noLongerBoot == b.noLongerBoot &&
           a.changed == b.changed;
}

ReportReview ReadReports(const std::vector<std::string_view>& parts)
{
    ReportReview review;
    for (std::size_t i = 1; i < parts.size(); ++i)
        review.AddBytes(QStringLiteral("report-%1.xml").arg(i), parts[i]);
    return review;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const std::uint8_t control = data[0];
    const std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
    std::vector<std::string_view> parts;
    for (std::size_t start = 0; parts.size() < 5;) {
        const std::size_t end = input.find('\0', start);
        parts.push_back(input.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (end == std::string_view::npos)
            break;
        start = end + 1;
    }
    const std::string older = Folder() + "/old.xml";
    const std::string newer = Folder() + "/new.xml";
    WriteFile(older, parts[0]);

    ReportReview review = ReadReports(parts);
    Check(review.Reports().size() == parts.size() - 1);
    try {
        review.Review(QString::fromStdString(older));
    } catch (const std::exception&) {
        // A Main List that does not load is refused with its error.
        return 0;
    }
    const quorvane::app::ReviewCounts counts = review.Counts();
    Check(counts.added + counts.confirms + counts.contradicts + counts.addsNotes + counts.unclear == counts.records);

    MergeChoice choice;
    for (std::size_t kind = 0; kind < 4; ++kind)
        choice.accepted[kind] = (control & (1u << kind)) != 0;
    choice.version = "fuzz-merged";
    if ((control & 0x10) != 0)
        choice.prefer = QStringLiteral("report-1.xml");
    ReportReview merging = ReadReports(parts);
    MergedList merged;
    try {
        merged = merging.Merge(QString::fromStdString(older), choice);
    } catch (const quorvane::app::ListError&) {
        // The list's own version is "fuzz-merged".
        return 0;
    }
    // The merge sees the reports as the review did.
    Check(merging.Records().size() == review.Records().size());
    for (std::size_t i = 0; i < review.Records().size(); ++i)
        Check(merging.Records()[i].kind == review.Records()[i].kind);

    WriteFile(newer, merged.text);
    const ListChanges changes = ListChanges::Compare(QString::fromStdString(older), QString::fromStdString(newer));
    Check(SameCounts(changes.Counts(), merged.changes));
    Check(merged.changes.removed == 0);
    return 0;
}
