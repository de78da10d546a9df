#include "app/ui/DownloadWindow.h"

#include "app/ui/AntiFreeze.h"
#include "app/ui/DesignFont.h"
#include "app/ui/ErrorBox.h"
#include "app/ui/Images.h"
#include "app/ui/MainWindow.h"
#include "app/update/ServerConnection.h"
#include "app/update/UpdateSink.h"

#include <QEvent>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPixmap>
#include <QStatusBar>

namespace quorvane::app {

namespace {

constexpr int kClientWidth = 503;
constexpr int kClientHeight = 293;
constexpr int kLineHeight = 13;

// A closed padlock, drawn so that it needs no font glyph or image file.
// A padlock; the open one has its shackle raised and free on the right, for a
// connection that is encrypted but whose server is not proven.
QPixmap LockPixmap(bool open)
{
    QPixmap pixmap(12, 14);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0x40, 0x40, 0x40), 1.6));
    if (open) {
        painter.drawArc(QRectF(2.5, 0, 7, 7), 0, 180 * 16);
        painter.drawLine(QPointF(2.5, 3.5), QPointF(2.5, 7));
    } else {
        painter.drawArc(QRectF(2.5, 1, 7, 9), 0, 180 * 16);
        painter.drawLine(QPointF(2.5, 5.5), QPointF(2.5, 7));
        painter.drawLine(QPointF(9.5, 5.5), QPointF(9.5, 7));
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xC8, 0x9B, 0x1E));
    painter.drawRoundedRect(QRectF(0.5, 6.5, 11, 7), 1.5, 1.5);
    return pixmap;
}

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
    // Panel 1: whether the update runs under TLS, and in which version.
    securityIcon_ = new QLabel(StatusBar1);
    securityIcon_->setObjectName(QStringLiteral("StatusBar1Panel1Lock"));
    securityIcon_->setPixmap(LockPixmap(false));
    securityIcon_->setVisible(false);
    StatusBar1->addWidget(securityIcon_);
    securityText_ = new QLabel(StatusBar1);
    securityText_->setObjectName(QStringLiteral("StatusBar1Panel1"));
    securityText_->setTextFormat(Qt::PlainText);
    StatusBar1->addWidget(securityText_);
    // After an installation the same panel tells what changed against the
    // replaced list.
    changesText_ = new QLabel(StatusBar1);
    changesText_->setObjectName(QStringLiteral("StatusBar1Panel1Changes"));
    changesText_->setTextFormat(Qt::PlainText);
    StatusBar1->addWidget(changesText_, 1);

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

void DownloadWindow::SetSecurityText(const QString& version, const QString& unverifiedReason)
{
    const bool open = !version.isEmpty() && !unverifiedReason.isEmpty();
    if (open != lockOpen_)
        securityIcon_->setPixmap(LockPixmap(open));
    lockOpen_ = open;
    securityText_->setText(version);
    securityIcon_->setVisible(!version.isEmpty());
    securityText_->setToolTip(version.isEmpty() ? QString() : SecuredText(version, unverifiedReason));
}

void DownloadWindow::SetNotEncrypted()
{
    SetSecurityText({});
    securityText_->setText(QStringLiteral("Not encrypted"));
    securityText_->setToolTip(QString::fromLatin1(kNotEncrypted));
}

QString DownloadWindow::SecurityText() const
{
    return securityText_->text();
}

void DownloadWindow::SetChangesText(const QString& text)
{
    changesText_->setText(text);
    changesText_->setToolTip(text);
}

QString DownloadWindow::ChangesText() const
{
    return changesText_->text();
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
