#pragma once

#include "app/list/ListPath.h"

#include <QByteArray>
#include <QLocale>
#include <QString>
#include <QStringDecoder>

#include <string>
#include <string_view>

namespace quorvane::app {

/// The search test: the name, upper-cased by the locale's rules, holds the
/// upper-cased search text (an empty name holds nothing; the caller refuses
/// an empty text). Names are UTF-8, as the record walk reads them.
///
/// The fast path compares names of plain ASCII, which most are, in place,
/// folding ASCII letters: in every locale but Turkish and Azerbaijani (whose i
/// becomes a dotted capital) that is what the locale's rules give for ASCII,
/// and an ASCII name can only hold an ASCII text. Other names are upper-cased
/// by ICU with the locale QLocale::toUpper passes it, into buffers kept from
/// one name to the next. The plain path upper-cases every name with
/// QLocale::toUpper.
class NameMatcher {
public:
    NameMatcher(const QLocale& locale, const QString& text, ListPath path = ListPath::Fast);

    bool Matches(std::string_view name) const;

private:
    static bool IsAscii(std::string_view text);
    bool ContainsFoldingAscii(std::string_view name) const;
    std::u16string_view UpperCased(std::string_view name) const;

    QLocale locale_;
    ListPath path_;
    QByteArray icuLocale_;
    QString wanted_;
    bool asciiRules_ = false;
    bool wantedIsAscii_ = false;
    std::string wantedAscii_;
    mutable QStringDecoder decoder_;
    mutable std::u16string decoded_;
    mutable std::u16string upper_ = std::u16string(64, u'\0');
    mutable QString fallback_;
};

} // namespace quorvane::app
