#include "app/ui/ErrorBox.h"

#include "app/text/MessageWithFullStop.h"
#include "app/text/Utf8Text.h"
#include "app/ui/Asker.h"

#include <cstdio>

namespace quorvane::app {

QString ErrorBox::title()
{
    return QStringLiteral("Quorvane");
}

QString ErrorBox::textFor(std::string_view message)
{
    // The list library holds the rule, so the command line prints failures
    // exactly as this box shows them.
    return Utf8Text::Decode(MessageWithFullStop(std::string(message)));
}

void ErrorBox::show(const std::exception& error)
{
    if (dynamic_cast<const OperationAborted*>(&error))
        return;
    Asker::current().showError(textFor(error.what()));
}

bool ErrorBox::guard(const std::function<void()>& handler) noexcept
{
    try {
        try {
            handler();
            return true;
        } catch (const std::exception& error) {
            show(error);
        } catch (...) {
            Asker::current().showError(textFor("Unknown error"));
        }
    } catch (...) {
        // The box itself failed (for instance out of memory while building
        // it); the event loop must still not see an exception.
        std::fputs("Quorvane: an error could not be shown\n", stderr);
    }
    return false;
}

} // namespace quorvane::app
