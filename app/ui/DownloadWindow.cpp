#include "app/ui/DownloadWindow.h"

#include "app/ui/AntiFreeze.h"
#include "app/ui/DesignFont.h"
#include "app/ui/ErrorBox.h"
#include "app/ui/Images.h"
#include "app/ui/MainWindow.h"

#include <QEvent>
#include <QLabel>
#include <QListWidget>
#include <QStatusBar>

namespace quorvane::app {

namespace {

constexpr int kClientWidth = 503;
constexpr int kClientHeight = 293;
constexpr int kLineHeight = 13;

} // namespace

DownloadWindow::DownloadWindow(MainWindow& mainWindow, const DownloadBehaviourFactory& behaviour)
    : QDialog(nullptr), mainWindow_(mainWindow)
{
    setObjectName(QStringLiteral("DownloadWindow"));
    setWindowTitle(QStringLiteral("Download Window:"));
    setWindowIcon(Images::applicationIcon());
    DesignFont::apply(*this);
    // A fixed single border: the window cannot be resized.
    setFixedSize(kClientWidth, kClientHeight);
    setSizeGripEnabled(false);

    List = new QListWidget(this);
    List->setObjectName(QStringLiteral("List"));
    List->setGeometry(0, 0, kClientWidth, 273);
    List->setUniformItemSizes(true);
    List->viewport()->installEventFilter(this);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    StatusBar1->setGeometry(0, 273, kClientWidth, kClientHeight - 273);
    panel0_ = new QLabel(StatusBar1);
    panel0_->setObjectName(QStringLiteral("StatusBar1Panel0"));
    // The panel shows the server's system reply: never read it as markup.
    panel0_->setTextFormat(Qt::PlainText);
    panel0_->setFixedWidth(300);
    StatusBar1->addWidget(panel0_);
    // Panel 1: after an installation, what changed against the replaced list.
    panel1_ = new QLabel(StatusBar1);
    panel1_->setObjectName(QStringLiteral("StatusBar1Panel1"));
    panel1_->setTextFormat(Qt::PlainText);
    StatusBar1->addWidget(panel1_, 1);

    AntiFreeze1 = std::make_unique<AntiFreeze>();

    const QRect owner = mainWindow.frameGeometry();
    move(owner.center() - QPoint(kClientWidth / 2, kClientHeight / 2));

    ErrorBox::guard([this, &behaviour] {
        if (behaviour)
            behaviour_ = behaviour(mainWindow_);
    });
}

DownloadWindow::~DownloadWindow() = default;

void DownloadWindow::FormCreate()
{
    if (behaviour_)
        behaviour_->FormCreate(*this);
}

void DownloadWindow::ListDblClick()
{
    if (behaviour_)
        behaviour_->ListDblClick(*this);
}

void DownloadWindow::FormClose()
{
    if (behaviour_)
        behaviour_->FormClose(*this);
}

void DownloadWindow::reject()
{
    ErrorBox::guard([this] { FormClose(); });
    QDialog::reject();
}

void DownloadWindow::SetStatusText(const QString& text)
{
    panel0_->setText(text);
}

QString DownloadWindow::StatusText() const
{
    return panel0_->text();
}

void DownloadWindow::SetChangesText(const QString& text)
{
    panel1_->setText(text);
    panel1_->setToolTip(text);
}

QString DownloadWindow::ChangesText() const
{
    return panel1_->text();
}

void DownloadWindow::SetListLines(const QStringList& lines)
{
    List->clear();
    List->addItems(lines);
    const QFontMetrics fm(List->font());
    for (int i = 0; i < List->count(); ++i) {
        QListWidgetItem* item = List->item(i);
        item->setSizeHint(QSize(fm.horizontalAdvance(item->text()) + 4, kLineHeight));
    }
}

QStringList DownloadWindow::ListLines() const
{
    QStringList lines;
    for (int i = 0; i < List->count(); ++i)
        lines << List->item(i)->text();
    return lines;
}

void DownloadWindow::DeleteFirstLine()
{
    delete List->takeItem(0);
}

void DownloadWindow::CloseWindow()
{
    done(0);
}

void DownloadWindow::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (createQueued_)
        return;
    createQueued_ = true;
    // Queued, so that the window is on screen and its modal run in force
    // before the handler waits on the network: a close box or Escape then
    // reaches FormClose, which ends the wait.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (isVisible())
                ErrorBox::guard([this] { FormCreate(); });
        },
        Qt::QueuedConnection);
}

bool DownloadWindow::eventFilter(QObject* watched, QEvent* event)
{
    // A double-click on empty space counts as much as one on a line.
    if (watched == List->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        ErrorBox::guard([this] { ListDblClick(); });
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace quorvane::app
