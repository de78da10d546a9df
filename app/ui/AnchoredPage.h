#pragma once

#include <QSize>
#include <QWidget>

#include <vector>

namespace quorvane::app {

/// A container whose children sit at fixed positions; children anchored to
/// all four sides keep their distances to every edge, so they stretch with
/// the container, while the others keep their places.
class AnchoredPage : public QWidget {
    Q_OBJECT
public:
    /// `designSize` is the size the children's geometries were given for.
    explicit AnchoredPage(QSize designSize, QWidget* parent = nullptr);

    /// Anchors `child` (already placed for the design size) to all sides.
    void anchorAllSides(QWidget* child);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Anchor {
        QWidget* child;
        QMargins margins; ///< distances to the left, top, right and bottom edges
    };
    QSize designSize_;
    std::vector<Anchor> anchors_;
};

} // namespace quorvane::app
