#pragma once

#include <QLabel>
#include <QTimer>

namespace quorvane::app {

/// The status bar's message panel, beside the List Summary. It holds one
/// lasting message (what the view shows now: a search's count, a page's own
/// counts) and, over it for a while, a passing one (what an action just
/// wrote). When a passing message ends, the lasting one shows again, so a
/// note about a save never hides the count for good.
class MessagePanel : public QLabel {
    Q_OBJECT
public:
    /// How long a passing message stays, in milliseconds.
    static constexpr int kPassingMs = 5000;

    explicit MessagePanel(QWidget* parent = nullptr);

    /// Sets the lasting message; empty clears it. Shown at once unless a
    /// passing message is up, and then when it ends.
    void SetLasting(const QString& text);
    QString Lasting() const { return lasting_; }

    /// Shows `text` for kPassingMs, with `toolTip` (empty for none), then
    /// the lasting message again. A second passing message replaces the
    /// first and starts the time anew.
    void ShowPassing(const QString& text, const QString& toolTip = QString());
    /// Ends the passing message now, as its time running out does.
    void EndPassing();
    bool Passing() const { return passingTimer_.isActive(); }

    /// The timer of the passing message, for tests that fire it.
    QTimer& PassingTimer() { return passingTimer_; }

private:
    QString lasting_;
    QTimer passingTimer_;
};

} // namespace quorvane::app
