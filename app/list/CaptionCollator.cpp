#include "app/list/CaptionCollator.h"

#include <QHashFunctions>

#include <unicode/ucol.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <numeric>
#include <string>
#include <type_traits>

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

namespace {

static_assert(std::is_same_v<UChar, char16_t>, "ICU's UTF-16 unit is char16_t");

// Opens the ICU collator exactly as QCollator does for a case-sensitive,
// non-numeric collator that does not ignore punctuation, so its sort keys
// are the bytes QCollatorSortKey compares.
std::shared_ptr<UCollator> OpenKeyCollator(const QLocale& locale)
{
    // QCollator compares by code point in the C locale, without ICU; its
    // keys are then not ICU's.
    if (locale.language() == QLocale::C)
        return nullptr;
    const QByteArray name = locale.bcp47Name().toLatin1().replace('-', '_');
    UErrorCode status = U_ZERO_ERROR;
    UCollator* collator = ucol_open(name.constData(), &status);
    if (U_FAILURE(status) || !collator)
        return nullptr;
    std::shared_ptr<UCollator> owned(collator, ucol_close);
    ucol_setAttribute(collator, UCOL_NORMALIZATION_MODE, UCOL_ON, &status);
    ucol_setAttribute(collator, UCOL_STRENGTH, UCOL_DEFAULT_STRENGTH, &status);
    ucol_setAttribute(collator, UCOL_NUMERIC_COLLATION, UCOL_OFF, &status);
    ucol_setAttribute(collator, UCOL_ALTERNATE_HANDLING, UCOL_NON_IGNORABLE, &status);
    if (U_FAILURE(status))
        return nullptr;
    return owned;
}

// One distinct caption's key in the shared buffer (`index` numbers the
// caption), with its first eight bytes as a number, so most comparisons never
// leave the entry.
struct KeyEntry {
    std::uint64_t head;
    std::uint32_t offset;
    std::uint32_t index;
};

} // namespace

CaptionCollator::CaptionCollator(const QLocale& locale, ListPath path)
    : collator_(locale), path_(path), keys_(OpenKeyCollator(locale))
{
    collator_.setCaseSensitivity(Qt::CaseSensitive);
    collator_.setNumericMode(false);
    collator_.setIgnorePunctuation(false);
}

std::vector<std::size_t> CaptionCollator::SortedOrderByKeys(const std::vector<QStringView>& captions) const
{
    std::vector<std::size_t> order(captions.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::vector<QCollatorSortKey> keys;
    keys.reserve(captions.size());
    for (QStringView caption : captions)
        keys.push_back(collator_.sortKey(caption.toString()));
    std::stable_sort(order.begin(), order.end(),
                     [&keys](std::size_t a, std::size_t b) { return keys[a].compare(keys[b]) < 0; });
    return order;
}

std::vector<std::size_t> CaptionCollator::SortedOrder(const std::vector<QStringView>& captions) const
{
    std::vector<std::size_t> order(captions.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    if (captions.size() < 2)
        return order;
    if (path_ == ListPath::Plain || !keys_ || captions.size() > UINT32_MAX)
        return SortedOrderByKeys(captions);

    // The keys end in their only NUL byte, as QCollatorSortKey's do, and
    // compare as C strings as those do.
    std::string buffer;
    buffer.reserve(captions.size() * 48);
    // Lists repeat names (one record per disc: regions, revisions), and a key
    // depends on the caption alone: each distinct caption gets one key and is
    // sorted once, in the order of its first occurrence.
    std::vector<KeyEntry> distinct;
    std::vector<std::uint32_t> distinctOf(captions.size());
    // The distinct captions by hash, open addressing in one array that grows
    // with them (a map node per caption costs an allocation, and a table
    // sized for every caption a cache miss at every look): a slot holds a
    // distinct caption's hash in its high half and its number plus one in
    // its low half, 0 when free.
    std::vector<std::uint64_t> table(1024, 0);
    std::vector<QStringView> firstOf;
    const auto slotFor = [&table](std::uint32_t hash) {
        const std::size_t mask = table.size() - 1;
        std::size_t slot = hash & mask;
        while (table[slot] != 0 && (table[slot] >> 32) != hash)
            slot = (slot + 1) & mask;
        return slot;
    };
    for (std::size_t i = 0; i < captions.size(); ++i) {
        const QStringView caption = captions[i];
        const auto hash = static_cast<std::uint32_t>(qHash(caption));
        std::size_t slot = slotFor(hash);
        // Equal hashes of different captions: the next slot of that hash.
        while (table[slot] != 0 && firstOf[(table[slot] & 0xFFFFFFFFu) - 1] != caption) {
            const std::size_t mask = table.size() - 1;
            do
                slot = (slot + 1) & mask;
            while (table[slot] != 0 && (table[slot] >> 32) != hash);
        }
        if (table[slot] != 0) {
            distinctOf[i] = static_cast<std::uint32_t>((table[slot] & 0xFFFFFFFFu) - 1);
            continue;
        }
        const auto number = static_cast<std::uint32_t>(distinct.size());
        table[slot] = std::uint64_t{hash} << 32 | (std::uint64_t{number} + 1);
        firstOf.push_back(caption);
        distinctOf[i] = number;
        if (firstOf.size() * 2 > table.size()) {
            std::vector<std::uint64_t> old(table.size() * 2, 0);
            old.swap(table);
            const std::size_t mask = table.size() - 1;
            for (const std::uint64_t entry : old) {
                if (entry == 0)
                    continue;
                // Each entry into the first free slot from its hash's: entries
                // of equal hashes each keep a slot of their own.
                std::size_t free = static_cast<std::uint32_t>(entry >> 32) & mask;
                while (table[free] != 0)
                    free = (free + 1) & mask;
                table[free] = entry;
            }
        }
        const std::size_t offset = buffer.size();
        std::size_t room = 16 + static_cast<std::size_t>(caption.size()) * 4;
        for (;;) {
            buffer.resize(offset + room);
            const int32_t size =
                ucol_getSortKey(keys_.get(), caption.utf16(), static_cast<int32_t>(caption.size()),
                                reinterpret_cast<uint8_t*>(buffer.data() + offset), static_cast<int32_t>(room));
            if (size > 0 && static_cast<std::size_t>(size) <= room) {
                buffer.resize(offset + static_cast<std::size_t>(size));
                break;
            }
            room = size > 0 ? static_cast<std::size_t>(size) : room * 2;
        }
        if (buffer.size() > UINT32_MAX)
            return SortedOrderByKeys(captions);
        std::uint64_t head = 0;
        const char* key = buffer.data() + offset;
        const std::size_t length = std::strlen(key);
        for (std::size_t b = 0; b < 8; ++b)
            head = head << 8 | (b < length ? static_cast<unsigned char>(key[b]) : 0u);
        distinct.push_back(KeyEntry{head, static_cast<std::uint32_t>(offset), number});
    }
    const char* keys = buffer.data();
    const auto less = [keys](const KeyEntry& a, const KeyEntry& b) {
        if (a.head != b.head)
            return a.head < b.head;
        // Equal heads: both keys ended inside them (equal keys) or go on.
        if ((a.head & 0xFF) == 0)
            return false;
        return std::strcmp(keys + a.offset + 8, keys + b.offset + 8) < 0;
    };
    std::stable_sort(distinct.begin(), distinct.end(), less);

    // The positions of each distinct caption, ascending.
    std::vector<std::uint32_t> start(distinct.size() + 1, 0);
    for (const std::uint32_t d : distinctOf)
        ++start[d + 1];
    for (std::size_t d = 0; d < distinct.size(); ++d)
        start[d + 1] += start[d];
    std::vector<std::uint32_t> positions(captions.size());
    {
        std::vector<std::uint32_t> next(start.begin(), start.end() - 1);
        for (std::size_t i = 0; i < captions.size(); ++i)
            positions[next[distinctOf[i]]++] = static_cast<std::uint32_t>(i);
    }
    // A stable sort of every caption: each run of equal keys (different
    // captions may collate alike) takes its captions' positions in list order.
    std::size_t out = 0;
    for (std::size_t r = 0; r < distinct.size();) {
        std::size_t end = r + 1;
        while (end < distinct.size() && !less(distinct[r], distinct[end]))
            ++end;
        const std::size_t from = out;
        for (std::size_t k = r; k < end; ++k) {
            const std::uint32_t d = distinct[k].index;
            for (std::uint32_t p = start[d]; p < start[d + 1]; ++p)
                order[out++] = positions[p];
        }
        if (end - r > 1)
            std::sort(order.begin() + static_cast<std::ptrdiff_t>(from),
                      order.begin() + static_cast<std::ptrdiff_t>(out));
        r = end;
    }
    return order;
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
