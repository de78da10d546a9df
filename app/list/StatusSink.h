#pragma once

#include <QString>

namespace quorvane::app {

/// Panel 0 of a window's status bar, where the List Summary and the progress
/// texts appear. Implemented by the windows (and by the command line, which
/// prints the text).
class StatusSink {
public:
    virtual ~StatusSink() = default;

    /// Replaces the panel's text.
    virtual void SetStatusText(const QString& text) = 0;
};

} // namespace quorvane::app
