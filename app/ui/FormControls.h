#pragma once

#include <QString>

class QLabel;
class QLineEdit;
class QStatusBar;
class QWidget;

namespace quorvane::app {

/// Gives `widget` its design name as its objectName, by which tests and the
/// screenshot tool find it.
template <typename W>
W* named(W* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

/// A label at `x`, `y`. A label that stands before an edit (`editX`) and
/// would run under it in a wider font is moved left to end just before it.
QLabel* labelAt(QWidget* parent, const char* name, const QString& text, int x, int y, int editX = -1);

/// A one-line edit of the design's height at `x`, `y`.
QLineEdit* editAt(QWidget* parent, const char* name, int x, int y, int width);

/// A dialog's status bar "StatusBar1", without a size grip, and its first
/// panel "StatusBar1Panel0" in `panel0`. The panel shows server and list
/// texts, so it never reads them as markup.
QStatusBar* dialogStatusBar(QWidget* dialog, QLabel*& panel0);

} // namespace quorvane::app
