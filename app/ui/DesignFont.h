#pragma once

#include <QFont>

class QWidget;

namespace quorvane::app {

/// The windows place their controls at fixed pixel positions laid out for
/// an 8-point dialog font; a larger default font would make labels run
/// under the edits next to them. The windows use the toolkit's default
/// font at no more than that size.
class DesignFont {
public:
    static constexpr double PointSize = 8.0;

    /// The toolkit's default font, made no larger than PointSize.
    static QFont font();

    /// Gives `window` (and so its children) that font.
    static void apply(QWidget& window);
};

} // namespace quorvane::app
