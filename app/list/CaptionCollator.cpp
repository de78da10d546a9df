#include "app/list/CaptionCollator.h"

namespace quorvane::app {

QLocale CaptionCollator::EffectiveLocale(const QLocale& system)
{
    // The C/POSIX locale collates by code point, which is not the word order a
    // user expects from a sorted list; fall back to a real language's order.
    if (system.language() == QLocale::C)
        return QLocale(QLocale::English, QLocale::UnitedStates);
    return system;
}

CaptionCollator::CaptionCollator() : CaptionCollator(EffectiveLocale(QLocale::system())) {}

CaptionCollator::CaptionCollator(const QLocale& locale) : collator_(locale)
{
    collator_.setCaseSensitivity(Qt::CaseSensitive);
    collator_.setNumericMode(false);
    collator_.setIgnorePunctuation(false);
}

int CaptionCollator::Compare(const QString& a, const QString& b) const
{
    return collator_.compare(a, b);
}

QCollatorSortKey CaptionCollator::SortKey(const QString& text) const
{
    return collator_.sortKey(text);
}

} // namespace quorvane::app
