#include "app/ui/MessagePanel.h"

namespace quorvane::app {

MessagePanel::MessagePanel(QWidget* parent) : QLabel(parent)
{
    // Counts and file names only, but a file name is the user's text: never
    // read it as markup.
    setTextFormat(Qt::PlainText);
    passingTimer_.setSingleShot(true);
    passingTimer_.setInterval(kPassingMs);
    connect(&passingTimer_, &QTimer::timeout, this, &MessagePanel::EndPassing);
}

void MessagePanel::SetLasting(const QString& text)
{
    lasting_ = text;
    if (!Passing())
        setText(lasting_);
}

void MessagePanel::ShowPassing(const QString& text, const QString& toolTip)
{
    setText(text);
    setToolTip(toolTip);
    passingTimer_.start();
}

void MessagePanel::EndPassing()
{
    passingTimer_.stop();
    setToolTip(QString());
    setText(lasting_);
}

} // namespace quorvane::app
