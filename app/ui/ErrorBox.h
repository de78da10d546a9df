#pragma once

#include "app/ui/OperationAborted.h"

#include <QString>

#include <exception>
#include <functional>
#include <string_view>

namespace quorvane::app {

/// The application error box: every failure that leaves a handler ends here,
/// shown with the application title, the stop icon and one OK button, after
/// which the program goes back to waiting for events.
class ErrorBox {
public:
    /// The box's caption, the application title "Quorvane".
    static QString title();

    /// The text shown for an exception message (UTF-8): the message with a
    /// "." appended when it is not empty and its last byte sorts after "."
    /// in byte order.
    static QString textFor(std::string_view message);

    /// Shows `error` through the current Asker; OperationAborted shows
    /// nothing.
    static void show(const std::exception& error);

    /// Runs `handler` and turns any exception leaving it into the error
    /// box, so nothing escapes into the event loop. Returns true when the
    /// handler ran to completion.
    static bool guard(const std::function<void()>& handler) noexcept;
};

} // namespace quorvane::app
