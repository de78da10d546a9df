#pragma once

#include <QCollator>
#include <QCollatorSortKey>
#include <QLocale>
#include <QString>

namespace quorvane::app {

/// The order of the list views: captions compared locale-aware and
/// case-sensitively ("abc" before "ABC", not byte order). The windows' views
/// and the command line both sort through this class so they agree.
class CaptionCollator {
public:
    /// Uses the user's locale, or en_US when that is the C or POSIX locale
    /// (whose byte order would put every capital before every small letter).
    CaptionCollator();
    /// Uses the given locale as it is.
    explicit CaptionCollator(const QLocale& locale);

    /// Negative, zero or positive as a sorts before, with or after b.
    int Compare(const QString& a, const QString& b) const;
    /// True when a sorts strictly before b.
    bool operator()(const QString& a, const QString& b) const { return Compare(a, b) < 0; }
    /// A key whose compare() agrees with Compare(); cheaper when sorting many items.
    QCollatorSortKey SortKey(const QString& text) const;

    QLocale Locale() const { return collator_.locale(); }

    /// The locale the default constructor picks for `system`.
    static QLocale EffectiveLocale(const QLocale& system);

private:
    QCollator collator_;
};

} // namespace quorvane::app
