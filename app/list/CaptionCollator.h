#pragma once

#include "app/list/ListPath.h"

#include <QCollator>
#include <QCollatorSortKey>
#include <QLocale>
#include <QString>
#include <QStringView>

#include <cstddef>
#include <memory>
#include <vector>

struct UCollator;

namespace quorvane::app {

/// The order of the list views: captions compared locale-aware and
/// case-sensitively ("abc" before "ABC", not byte order). The windows' views
/// and the command line both sort through this class so they agree.
class CaptionCollator {
public:
    /// Uses the user's locale, or en_US when that is the C or POSIX locale
    /// (whose byte order would put every capital before every small letter).
    CaptionCollator();
    /// Uses the given locale as it is; `path` chooses how SortedOrder builds
    /// its keys.
    explicit CaptionCollator(const QLocale& locale, ListPath path = ListPath::Fast);

    /// Negative, zero or positive as a sorts before, with or after b.
    int Compare(const QString& a, const QString& b) const;
    /// True when a sorts strictly before b.
    bool operator()(const QString& a, const QString& b) const { return Compare(a, b) < 0; }
    /// A key whose compare() agrees with Compare(); cheaper when sorting many items.
    QCollatorSortKey SortKey(const QString& text) const;

    QLocale Locale() const { return collator_.locale(); }

    /// The order of `captions` as sorting them by SortKey() gives it, stably:
    /// position i holds the index of the caption that comes i-th, and captions
    /// that compare equal keep their order. Each caption's key is built once,
    /// into one buffer, so sorting 100k captions takes no allocation per item;
    /// on the plain path each caption gets its own SortKey().
    std::vector<std::size_t> SortedOrder(const std::vector<QStringView>& captions) const;

    /// The locale the default constructor picks for `system`.
    static QLocale EffectiveLocale(const QLocale& system);

private:
    /// SortedOrder through SortKey().
    std::vector<std::size_t> SortedOrderByKeys(const std::vector<QStringView>& captions) const;

    QCollator collator_;
    ListPath path_;
    /// The collator QCollator itself uses, opened with the same settings;
    /// none when it cannot be opened (SortedOrder then uses SortKey()).
    std::shared_ptr<UCollator> keys_;
};

} // namespace quorvane::app
