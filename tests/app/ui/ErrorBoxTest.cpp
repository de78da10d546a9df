#include "QtPrinters.h"
#include "ScriptedAsker.h"
#include "app/ui/ErrorBox.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

namespace quorvane::app {
namespace {

TEST(ErrorBox, TextEndsWithAFullStop)
{
    struct Case {
        const char* message;
        const char* shown;
    };
    const std::vector<Case> cases{
        {"No active document", "No active document."},
        {"Disk full", "Disk full."},
        {"Done.", "Done."},
        {"Stop!", "Stop!"},          // "!" sorts before "."
        {"Count: 12", "Count: 12."}, // digits sort after "."
        {"Ends with space ", "Ends with space "},
        {"dash-", "dash-"},    // "-" sorts before "."
        {"slash/", "slash/."}, // "/" sorts after "."
        {"", ""},
        {"Fichier \xc3\xa9", "Fichier \xc3\xa9."},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ErrorBox::textFor(c.message), QString::fromUtf8(c.shown)) << c.message;
    EXPECT_EQ(ErrorBox::title(), QStringLiteral("Quorvane"));
}

TEST(ErrorBoxGuard, EveryEscapingFailureEndsInTheBoxAndNothingElse)
{
    test::ScriptedAsker asker;
    int ran = 0;
    EXPECT_TRUE(ErrorBox::guard([&] { ++ran; }));
    EXPECT_FALSE(ErrorBox::guard([] { throw std::runtime_error("Host not found"); }));
    EXPECT_FALSE(ErrorBox::guard([] { throw std::logic_error("Bad state."); }));
    EXPECT_FALSE(ErrorBox::guard([] { throw 42; }));
    // An abort leaves silently.
    EXPECT_FALSE(ErrorBox::guard([] { throw OperationAborted(); }));
    EXPECT_EQ(ran, 1);
    ASSERT_EQ(asker.errors.size(), 3u);
    EXPECT_EQ(asker.errors[0], QStringLiteral("Host not found."));
    EXPECT_EQ(asker.errors[1], QStringLiteral("Bad state."));
    EXPECT_EQ(asker.errors[2], QStringLiteral("Unknown error."));
}

TEST(ErrorBoxGuard, AFailingBoxDoesNotEscapeEither)
{
    struct ThrowingAsker : test::ScriptedAsker {
        void showError(const QString&) override { throw std::runtime_error("box broke"); }
    } asker;
    EXPECT_FALSE(ErrorBox::guard([] { throw std::runtime_error("first"); }));
}

} // namespace
} // namespace quorvane::app
