#include "app/list/CaptionCollator.h"
#include "app/list/SortedItemCollector.h"
#include "tests/app/list/ListTestSupport.h"

#include <QHashFunctions>

#include <algorithm>
#include <cstdint>
#include <unordered_map>
#include <vector>

namespace quorvane::app {
namespace {

QStringList Sorted(QStringList captions, const CaptionCollator& collator)
{
    std::stable_sort(captions.begin(), captions.end(), collator);
    return captions;
}

TEST(CaptionOrder, LocaleAwareAndCaseSensitive)
{
    const CaptionCollator english(QLocale(QLocale::English, QLocale::UnitedStates));
    struct Case {
        QStringList input;
        QStringList expected;
    };
    const Case cases[] = {
        // Small before capital when the letters agree; not byte order ("B" < "a").
        {{"ABC", "abc"}, {"abc", "ABC"}},
        {{"b", "B", "a", "A"}, {"a", "A", "b", "B"}},
        {{"Zelda", "apple", "Mango"}, {"apple", "Mango", "Zelda"}},
        // Accents are secondary: "Café" sorts with "Cafe", before "Cafz".
        {{"Cafz", QString::fromUtf8("Caf\xC3\xA9"), "Cafe"}, {"Cafe", QString::fromUtf8("Caf\xC3\xA9"), "Cafz"}},
        // Punctuation and digits come before letters.
        {{"Alpha", "1080 Snow", "(Beta) Run", "_under"}, {"_under", "(Beta) Run", "1080 Snow", "Alpha"}},
        {{"Game 10", "Game 9", "Game 1"}, {"Game 1", "Game 10", "Game 9"}},
        {{"", "a"}, {"", "a"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Sorted(c.input, english), c.expected) << c.input.join('|').toStdString();

    EXPECT_LT(english.Compare("abc", "ABC"), 0);
    EXPECT_EQ(english.Compare("same", "same"), 0);
    EXPECT_LT(english.SortKey("abc").compare(english.SortKey("ABC")), 0);
}

// SortedOrder builds its keys apart from QCollator: it must give exactly the
// stable order of SortKey() in every locale, equal captions in arrival order
// (also different captions of one key, as the two spellings of "Café").
TEST(CaptionOrder, BulkOrderIsTheSortKeyOrder)
{
    QStringList captions{"",
                         "a",
                         "A",
                         "abc",
                         "ABC",
                         "abc",
                         QString::fromUtf8("\xEF\xBB\xBF"
                                           "abc"),
                         QString::fromUtf8("Caf\xC3\xA9"),
                         "Cafe",
                         QString::fromUtf8("Cafe\xCC\x81"),
                         QString::fromUtf8("\xC3\x84rger"),
                         "Arger",
                         "Zebra",
                         QString::fromUtf8("\xC3\x96l"),
                         "Ol",
                         "Iiyama",
                         QString::fromUtf8("\xC4\xB0stanbul"),
                         "istanbul",
                         "1080 Snow",
                         "(Beta) Run",
                         "_under",
                         "Game 10",
                         "Game 9",
                         QString::fromUtf8("\xF0\x9F\x98\x80 smile"),
                         QString(QChar(0xD800)) + "lone",
                         "Lantern of the very long name that shares a prefix 1",
                         "Lantern of the very long name that shares a prefix 2",
                         "Lantern of the very long name that shares a prefix 1",
                         QString::fromUtf8("Caf\xC3\xA9")};
    for (const char* locale : {"en_US", "de_DE", "sv_SE", "tr_TR", "ja_JP"}) {
        const CaptionCollator collator{QLocale(QString::fromLatin1(locale))};
        std::vector<QStringView> views(captions.begin(), captions.end());
        std::vector<std::size_t> expected(views.size());
        for (std::size_t i = 0; i < expected.size(); ++i)
            expected[i] = i;
        std::stable_sort(expected.begin(), expected.end(), [&](std::size_t a, std::size_t b) {
            return collator.SortKey(captions[static_cast<qsizetype>(a)])
                       .compare(collator.SortKey(captions[static_cast<qsizetype>(b)])) < 0;
        });
        EXPECT_EQ(collator.SortedOrder(views), expected) << locale;
    }
}

// SortedOrder finds repeated captions by a 32-bit hash: captions that share
// one must each keep their own key, also once its table has grown.
TEST(CaptionOrder, CaptionsOfOneHashKeepTheirOwnKeys)
{
    std::unordered_map<std::uint32_t, QString> seen;
    QStringList captions;
    for (int i = 0; captions.isEmpty(); ++i) {
        const QString caption = QStringLiteral("Game %1").arg(i);
        const auto [at, added] = seen.try_emplace(static_cast<std::uint32_t>(qHash(QStringView(caption))), caption);
        if (!added)
            captions = {caption, at->second};
    }
    // More distinct captions than the table first holds, then both again.
    for (int i = 0; i < 1500; ++i)
        captions << QStringLiteral("Zone %1").arg(i % 700);
    captions << captions[1] << captions[0];
    const CaptionCollator collator{QLocale(QLocale::English, QLocale::UnitedStates)};
    const std::vector<QStringView> views(captions.begin(), captions.end());
    EXPECT_EQ(collator.SortedOrder(views), CaptionCollator(collator.Locale(), ListPath::Plain).SortedOrder(views));
}

TEST(CaptionOrder, CAndPosixLocalesFallBackToEnglish)
{
    EXPECT_EQ(CaptionCollator::EffectiveLocale(QLocale::c()).name(), "en_US");
    EXPECT_EQ(CaptionCollator::EffectiveLocale(QLocale("POSIX")).name(), "en_US");
    EXPECT_EQ(CaptionCollator::EffectiveLocale(QLocale(QLocale::German, QLocale::Germany)).name(), "de_DE");
    // Whatever the test machine's locale, the default collator is never byte order
    // (whether "abc" or "ABC" comes first does depend on the locale).
    EXPECT_LT(CaptionCollator().Compare("abc", "ABD"), 0);
    EXPECT_LT(CaptionCollator().Compare("b", "C"), 0);
}

TEST(SortedItemCollector, SortsOnceFilledAndKeepsArrivalOrderOfEqualCaptions)
{
    SortedItemCollector view(CaptionCollator(QLocale(QLocale::English, QLocale::UnitedStates)));
    view.AddItem(test::Item("old", "", "", "", "", "", ""));
    view.Clear();
    EXPECT_TRUE(view.Items().empty());

    const char* captions[] = {"b", "ABC", "same", "abc", "same", "a"};
    int id = 0;
    for (const char* caption : captions)
        view.AddItem(test::Item(caption, QString::number(id++), "", "", "1", "", ""));
    view.FillFinished();

    QStringList order;
    for (const ListItem& item : view.Items())
        order << item.caption + "#" + item.subItems[0];
    EXPECT_EQ(order, (QStringList{"a#5", "abc#3", "ABC#1", "b#0", "same#2", "same#4"}));
}

} // namespace
} // namespace quorvane::app
