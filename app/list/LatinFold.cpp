#include "app/list/LatinFold.h"

#include <unicode/utrans.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace quorvane::app {

namespace {

struct CloseTransliterator {
    void operator()(UTransliterator* transliterator) const { utrans_close(transliterator); }
};

// A transliterator keeps state while it works, so each thread has its own.
UTransliterator* Transliterator()
{
    thread_local const std::unique_ptr<UTransliterator, CloseTransliterator> transliterator = [] {
        UErrorCode status = U_ZERO_ERROR;
        UTransliterator* opened = utrans_openU(u"Latin-ASCII", -1, UTRANS_FORWARD, nullptr, 0, nullptr, &status);
        return std::unique_ptr<UTransliterator, CloseTransliterator>(U_SUCCESS(status) ? opened : nullptr);
    }();
    return transliterator.get();
}

} // namespace

QString LatinFold::Of(const QString& text)
{
    UTransliterator* transliterator = Transliterator();
    if (transliterator == nullptr || text.isEmpty())
        return text;
    // The transliteration works in place and may lengthen the text (Æ becomes
    // AE, a ligature of three letters three of them); a buffer too small is
    // doubled and the text folded again.
    std::vector<UChar> buffer(static_cast<std::size_t>(text.size()) * 2 + 16);
    for (;;) {
        std::copy(text.utf16(), text.utf16() + text.size(), buffer.begin());
        int32_t length = static_cast<int32_t>(text.size());
        int32_t limit = length;
        UErrorCode status = U_ZERO_ERROR;
        utrans_transUChars(transliterator, buffer.data(), &length, static_cast<int32_t>(buffer.size()), 0, &limit,
                           &status);
        if (status == U_BUFFER_OVERFLOW_ERROR) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        if (U_FAILURE(status))
            return text;
        return QString(reinterpret_cast<const QChar*>(buffer.data()), length);
    }
}

} // namespace quorvane::app
