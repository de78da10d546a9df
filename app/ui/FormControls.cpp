#include "app/ui/FormControls.h"

#include <QLabel>
#include <QLineEdit>
#include <QStatusBar>

#include <algorithm>

namespace quorvane::app {

QLabel* labelAt(QWidget* parent, const char* name, const QString& text, int x, int y, int editX)
{
    auto* l = named(new QLabel(text, parent), name);
    l->adjustSize();
    if (editX >= 0 && x + l->width() > editX - 2)
        x = std::max(0, editX - 2 - l->width());
    l->move(x, y + 3);
    return l;
}

QLineEdit* editAt(QWidget* parent, const char* name, int x, int y, int width)
{
    auto* e = named(new QLineEdit(parent), name);
    e->setGeometry(x, y, width, 21);
    return e;
}

QStatusBar* dialogStatusBar(QWidget* dialog, QLabel*& panel0)
{
    auto* bar = named(new QStatusBar(dialog), "StatusBar1");
    bar->setSizeGripEnabled(false);
    panel0 = named(new QLabel(bar), "StatusBar1Panel0");
    panel0->setTextFormat(Qt::PlainText);
    return bar;
}

} // namespace quorvane::app
