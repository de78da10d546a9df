#include "app/list/CaptionCollator.h"
#include "app/list/SortedItemCollector.h"
#include "tests/app/list/ListTestSupport.h"

#include <algorithm>

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

TEST(CaptionOrder, CAndPosixLocalesFallBackToEnglish)
{
    EXPECT_EQ(CaptionCollator::EffectiveLocale(QLocale::c()).name(), "en_US");
    EXPECT_EQ(CaptionCollator::EffectiveLocale(QLocale("POSIX")).name(), "en_US");
    EXPECT_EQ(CaptionCollator::EffectiveLocale(QLocale(QLocale::German, QLocale::Germany)).name(), "de_DE");
    // Whatever the test machine's locale, the default collator is never byte order.
    EXPECT_LT(CaptionCollator().Compare("abc", "ABC"), 0);
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
