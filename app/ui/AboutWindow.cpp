#include "app/ui/AboutWindow.h"

#include "app/ui/DesignFont.h"
#include "app/ui/ErrorBox.h"
#include "app/ui/Images.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

namespace quorvane::app {

namespace {

constexpr int kClientWidth = 363;
constexpr int kClientHeight = 357;

QLabel* label(QWidget* parent, const char* name, const QString& text, int x, int y, int w, int h, bool bold = false,
              bool wrap = false)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setGeometry(x, y, w, h);
    l->setWordWrap(wrap);
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    if (bold) {
        QFont f = l->font();
        f.setBold(true);
        l->setFont(f);
    }
    return l;
}

} // namespace

AboutWindow::AboutWindow(QWidget* mainWindow) : QWidget(mainWindow, Qt::Window), mainWindow_(mainWindow)
{
    setObjectName(QStringLiteral("AboutWindow"));
    setWindowTitle(QStringLiteral("About ZUR Urediz..."));
    setWindowIcon(Images::applicationIcon());
    DesignFont::apply(*this);
    setFixedSize(kClientWidth, kClientHeight);

    label(this, "Label1", QStringLiteral("Credits:"), 16, 8, 329, 16, true);
    label(this, "Label2", QStringLiteral("Program written by Marrisk."), 16, 26, 329, 16);
    label(this, "Label3",
          QStringLiteral("List compiled by the testers of the Palavera forum, who ran every GCM "
                         "and wrote down how it went."),
          16, 44, 329, 32, false, true);
    label(this, "Label4", QStringLiteral("Respect and Greets to:"), 16, 82, 329, 16, true);
    label(this, "Label5", QStringLiteral("The Velthorn team and everyone on the Palavera forum."), 16, 100, 329, 16);
    label(this, "Label6", QStringLiteral("NOTE:"), 16, 124, 329, 16, true);

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setGeometry(16, 142, 329, 113);
    Memo1->setReadOnly(true);
    Memo1->setPlainText(QStringLiteral("This list is not complete. It is added to as new GCMs are tested, so check "
                                       "for list updates now and then.\n\n"
                                       "A GCM reported as working has worked for the tester who reported it; it cannot "
                                       "be verified on every machine, so your results may differ."));
    QPalette memoPalette = Memo1->palette();
    memoPalette.setColor(QPalette::Text, QColor(0xff, 0x00, 0x00));
    memoPalette.setColor(QPalette::Base, QColor(0xc8, 0xc8, 0xc8)); // the scroll-bar grey
    Memo1->setPalette(memoPalette);

    Button1 = new QPushButton(QStringLiteral("&Okay!"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(16, 320, 329, 25);
    connect(Button1, &QPushButton::clicked, this, [this] { ErrorBox::guard([this] { Button1Click(); }); });
}

void AboutWindow::ShowModeless()
{
    if (!isVisible() && mainWindow_) {
        const QRect owner = mainWindow_->frameGeometry();
        move(owner.center() - QPoint(width() / 2, height() / 2));
    }
    show();
    raise();
    activateWindow();
}

void AboutWindow::Button1Click()
{
    hide();
}

void AboutWindow::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter: ErrorBox::guard([this] { Button1Click(); }); return;
    default: QWidget::keyPressEvent(event);
    }
}

} // namespace quorvane::app
