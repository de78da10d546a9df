#include "app/list/NameMatcher.h"

#include "app/list/GameIdKey.h"
#include "app/list/LatinFold.h"
#include "app/text/Utf8Text.h"

#include <unicode/ustring.h>

#include <algorithm>

namespace quorvane::app {

namespace {

/// An ID is looked for from this many characters on: shorter texts would
/// find a record by the first letters of its ID that a player never meant.
constexpr qsizetype kShortestIdText = 4;

char UpperAscii(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string UpperAscii(std::string_view text)
{
    std::string upper(text);
    std::transform(upper.begin(), upper.end(), upper.begin(), [](char c) { return UpperAscii(c); });
    return upper;
}

} // namespace

NameMatcher::NameMatcher(const QLocale& locale, const QString& text, ListPath path)
    : locale_(locale),
      path_(path),
      icuLocale_(locale.bcp47Name().toLatin1().replace('-', '_')),
      wanted_(locale.toUpper(text)),
      decoder_(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom)
{
    everything_ = text.trimmed().isEmpty();
    textIsAscii_ = std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x80; });
    if (textIsAscii_) {
        foldedWanted_ = LatinFold::Of(wanted_);
        // An ASCII text upper-cases to ASCII capitals, or to the dotted
        // capital I in Turkish and Azerbaijani, and folds to ASCII capitals.
        foldNeedle_ = UpperAscii(text.toStdString());
    }
    looksAtIds_ = !everything_ && text.toUcs4().size() >= kShortestIdText &&
                  std::none_of(text.cbegin(), text.cend(), [](QChar c) { return c.isSpace(); });
    if (looksAtIds_)
        idNeedle_ = UpperAscii(text.toStdString());
    asciiRules_ = locale.language() != QLocale::Turkish && locale.language() != QLocale::Azerbaijani;
    wantedIsAscii_ = std::all_of(wanted_.cbegin(), wanted_.cend(), [](QChar c) { return c.unicode() < 0x80; });
    if (wantedIsAscii_)
        wantedAscii_ = wanted_.toLatin1().toStdString();
}

bool NameMatcher::Matches(std::string_view name) const
{
    if (path_ == ListPath::Plain) {
        const QString upper = locale_.toUpper(Utf8Text::Decode(name));
        if (upper.contains(wanted_))
            return true;
        return textIsAscii_ && LatinFold::Of(upper).contains(foldedWanted_);
    }
    if (IsAscii(name)) {
        // An ASCII name folds to itself upper-cased, and holds the text
        // upper-cased by the locale's rules only when it holds it folded.
        if (textIsAscii_)
            return ContainsFoldingAscii(name, foldNeedle_);
        if (asciiRules_)
            return wantedIsAscii_ && ContainsFoldingAscii(name, wantedAscii_);
    }
    const std::u16string_view upper = UpperCased(name);
    const std::u16string_view wanted(reinterpret_cast<const char16_t*>(wanted_.utf16()),
                                     static_cast<std::size_t>(wanted_.size()));
    if (upper.find(wanted) != std::u16string_view::npos)
        return true;
    if (!textIsAscii_)
        return false;
    const QString upperText(reinterpret_cast<const QChar*>(upper.data()), static_cast<qsizetype>(upper.size()));
    return LatinFold::Of(upperText).contains(foldedWanted_);
}

bool NameMatcher::MatchesId(std::string_view id) const
{
    return looksAtIds_ && MatchesIdKey(GameIdKey::Of(id));
}

std::string NameMatcher::FoldedName(const QLocale& locale, std::string_view name)
{
    if (IsAscii(name))
        return UpperAscii(name);
    return LatinFold::Of(locale.toUpper(Utf8Text::Decode(name))).toStdString();
}

bool NameMatcher::IsAscii(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// `wanted` (upper case) occurs in `name` with its ASCII letters upper-cased.
bool NameMatcher::ContainsFoldingAscii(std::string_view name, const std::string& wanted)
{
    const std::size_t length = wanted.size();
    if (length == 0)
        return true;
    if (length > name.size())
        return false;
    const char first = wanted[0];
    for (std::size_t at = 0; at + length <= name.size(); ++at) {
        if (UpperAscii(name[at]) != first)
            continue;
        std::size_t i = 1;
        while (i < length && UpperAscii(name[at + i]) == wanted[i])
            ++i;
        if (i == length)
            return true;
    }
    return false;
}

// The name decoded as Utf8Text::Decode does and upper-cased as
// QLocale::toUpper does; valid until the next call.
std::u16string_view NameMatcher::UpperCased(std::string_view name) const
{
    const QByteArrayView bytes(name.data(), static_cast<qsizetype>(name.size()));
    // UTF-8 never takes more UTF-16 units than bytes.
    decoded_.resize(name.size() + 1);
    const QChar* end = decoder_.appendToBuffer(reinterpret_cast<QChar*>(decoded_.data()), bytes);
    const auto length = static_cast<int32_t>(end - reinterpret_cast<const QChar*>(decoded_.data()));
    for (;;) {
        UErrorCode status = U_ZERO_ERROR;
        const int32_t needed = u_strToUpper(upper_.data(), static_cast<int32_t>(upper_.size()), decoded_.data(), length,
                                            icuLocale_.constData(), &status);
        if (status == U_BUFFER_OVERFLOW_ERROR) {
            upper_.resize(static_cast<std::size_t>(needed));
            continue;
        }
        if (U_FAILURE(status))
            break;
        return std::u16string_view(upper_.data(), static_cast<std::size_t>(needed));
    }
    // QLocale::toUpper falls back on Qt's own rules when ICU fails.
    fallback_ = locale_.toUpper(Utf8Text::Decode(name));
    return std::u16string_view(reinterpret_cast<const char16_t*>(fallback_.utf16()),
                               static_cast<std::size_t>(fallback_.size()));
}

} // namespace quorvane::app
