// Runs the list logic's fast paths against their plain paths: the input's
// first line is a search text, the rest a Main List. Both paths load the list,
// show it and search it (for that text; for "i", whose capital differs in
// Turkish; for "cafe", which folds the marks of the names; and for the first
// four characters of the text, which also look at game IDs) under en_US and
// tr_TR rules; everything a user would see, and the document's change count
// after each step, must come out the same, failures included. The first
// difference is a finding.
#include "tests/app/list/PathTranscript.h"

#include <QLocale>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

const QString& Folder()
{
    static const QString folder = [] {
        std::string pattern = "/tmp/quorvane-fuzz-paths-XXXXXX";
        if (std::getenv("TMPDIR") != nullptr)
            pattern = std::string(std::getenv("TMPDIR")) + "/quorvane-fuzz-paths-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr)
            std::abort();
        return QString::fromStdString(pattern);
    }();
    return folder;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using quorvane::app::ListPath;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::size_t lineEnd = bytes.find('\n');
    const std::string text = lineEnd == std::string::npos ? std::string() : bytes.substr(0, lineEnd);
    const std::string mainList = lineEnd == std::string::npos ? bytes : bytes.substr(lineEnd + 1);

    static const std::vector<QLocale> locales = {QLocale(QLocale::English, QLocale::UnitedStates),
                                                 QLocale(QLocale::Turkish, QLocale::Turkey)};
    const QString typed = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    const std::vector<QString> searches = {typed, QStringLiteral("i"), QStringLiteral("cafe"), typed.left(4)};
    const std::string fast = quorvane::app::test::PathTranscript(Folder(), ListPath::Fast, mainList, searches, locales);
    const std::string plain =
        quorvane::app::test::PathTranscript(Folder(), ListPath::Plain, mainList, searches, locales);
    if (fast != plain) {
        std::fprintf(stderr, "fast path:\n%s\nplain path:\n%s\nfirst difference: %s\n", fast.c_str(), plain.c_str(),
                     quorvane::app::test::FirstDifference(fast, plain).c_str());
        __builtin_trap();
    }
    return 0;
}
