#include "app/list/ListState.h"
#include "app/text/MessageWithFullStop.h"

#include <gtest/gtest.h>

namespace quorvane::app {
namespace {

TEST(ListSummary, ComposedFromTheState)
{
    struct Case {
        ListState state;
        const char* summary;
    };
    const Case cases[] = {
        {{}, "List Version [] GCM's [0] [Good: 0] [Bad: 0]"},
        {{"12", 345, 0, 0}, "List Version [12] GCM's [345] [Good: 0] [Bad: 0]"},
        {{"007", 1234567, 1000, 2}, "List Version [007] GCM's [1234567] [Good: 1000] [Bad: 2]"},
        {{"\xC3\xA9 x", 1, 1, 0}, "List Version [\xC3\xA9 x] GCM's [1] [Good: 1] [Bad: 0]"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.state.Summary().toStdString(), c.summary);
}

TEST(MessageWithFullStop, PeriodAppendedAfterCharactersSortingAfterIt)
{
    const std::pair<std::string, std::string> cases[] = {
        {"No active document", "No active document."},
        {"Disk full.", "Disk full."},
        {"Stop!", "Stop!"},
        {"I/O error 27", "I/O error 27."},
        {"path/", "path/."},
        {"ends in space ", "ends in space "},
        {"", ""},
        {"caf\xC3\xA9", "caf\xC3\xA9."},
    };
    for (const auto& [message, shown] : cases)
        EXPECT_EQ(MessageWithFullStop(message), shown) << message;
}

} // namespace
} // namespace quorvane::app
