#include "app/ui/DownloadWindow.h"

#include "app/ui/AntiFreeze.h"
#include "app/ui/DesignFont.h"
#include "app/ui/ErrorBox.h"
#include "app/ui/FormControls.h"
#include "app/ui/Images.h"
#include "app/ui/MainListHost.h"
#include "app/update/ServerConnection.h"
#include "app/update/UpdateSink.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>

#include <exception>

namespace quorvane::app {

namespace {

constexpr int kClientWidth = 503;
// The design's listing (273) and status bar below the guide line.
constexpr int kClientHeight = 293 + 34;
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

DownloadWindow::DownloadWindow(MainListHost& host, const DownloadBehaviourFactory& behaviour)
    : QDialog(nullptr), host_(host)
{
    setObjectName(QStringLiteral("DownloadWindow"));
    setWindowTitle(QStringLiteral("Download Window:"));
    setWindowIcon(Images::applicationIcon());
    DesignFont::apply(*this);
    // A fixed single border: the window cannot be resized.
    setFixedSize(kClientWidth, kClientHeight);
    setSizeGripEnabled(false);

    // The guide line and the button that does what a double-click does.
    lblGuide = new QLabel(this);
    lblGuide->setObjectName(QStringLiteral("lblGuide"));
    // It names a list version from the server: never read it as markup.
    lblGuide->setTextFormat(Qt::PlainText);
    lblGuide->setWordWrap(true);
    btnDownload = new QPushButton(QStringLiteral("&Download"), this);
    btnDownload->setObjectName(QStringLiteral("btnDownload"));
    btnDownload->setDefault(true);
    connect(btnDownload, &QPushButton::clicked, this, [this] { ErrorBox::guard([this] { ListDblClick(); }); });
    auto* guideRow = new QHBoxLayout;
    guideRow->setContentsMargins(6, 4, 6, 4);
    guideRow->addWidget(lblGuide, 1);
    guideRow->addWidget(btnDownload);

    // After an installation the changes it brought, in full.
    changesText_ = new QLabel(this);
    changesText_->setObjectName(QStringLiteral("lblChanges"));
    changesText_->setTextFormat(Qt::PlainText);
    changesText_->setWordWrap(true);
    changesText_->setContentsMargins(6, 0, 6, 4);
    changesText_->setVisible(false);

    List = new QListWidget(this);
    List->setObjectName(QStringLiteral("List"));
    List->setMinimumHeight(kLineHeight * 4);
    List->setUniformItemSizes(true);
    List->viewport()->installEventFilter(this);

    // In the listing's place when the connection failed: what happened and
    // what to do, with the way out.
    failurePanel_ = new QWidget(this);
    failurePanel_->setObjectName(QStringLiteral("FailurePanel"));
    lblFailure = new QLabel(failurePanel_);
    lblFailure->setObjectName(QStringLiteral("lblFailure"));
    // Server replies and host names are never read as markup.
    lblFailure->setTextFormat(Qt::PlainText);
    lblFailure->setWordWrap(true);
    lblFailure->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblFailure->setTextInteractionFlags(Qt::TextSelectableByMouse);
    btnClose = new QPushButton(QStringLiteral("&Close"), failurePanel_);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    connect(btnClose, &QPushButton::clicked, this, &QDialog::reject);
    auto* failureLayout = new QVBoxLayout(failurePanel_);
    failureLayout->setContentsMargins(12, 8, 12, 8);
    failureLayout->addWidget(lblFailure, 1);
    failureLayout->addWidget(btnClose, 0, Qt::AlignRight);
    failurePanel_->setVisible(false);

    StatusBar1 = dialogStatusBar(this, panel0_);
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
    StatusBar1->addWidget(securityText_, 1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addLayout(guideRow);
    layout->addWidget(changesText_);
    layout->addWidget(List, 1);
    layout->addWidget(failurePanel_, 1);
    layout->addWidget(StatusBar1);

    AntiFreeze1 = std::make_unique<AntiFreeze>();

    const QRect owner = host.OwnerWindow().frameGeometry();
    move(owner.center() - QPoint(kClientWidth / 2, kClientHeight / 2));

    ErrorBox::guard([this, &behaviour] {
        if (behaviour)
            behaviour_ = behaviour(host_);
    });
}

DownloadWindow::~DownloadWindow() = default;

void DownloadWindow::FormCreate()
{
    if (!behaviour_)
        return;
    try {
        behaviour_->FormCreate(*this);
    } catch (const OperationAborted&) {
        throw;
    } catch (const std::exception& error) {
        ShowFailure(ErrorBox::textFor(error.what()));
    }
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

void DownloadWindow::SetGuideText(const QString& text)
{
    lblGuide->setText(text);
}

QString DownloadWindow::GuideText() const
{
    return lblGuide->text();
}

void DownloadWindow::SetChangesText(const QString& text)
{
    changesText_->setText(text);
    changesText_->setVisible(!text.isEmpty());
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

void DownloadWindow::SelectFile(const QString& fileName)
{
    for (int i = 0; i < List->count(); ++i) {
        const QString line = List->item(i)->text();
        // A detailed listing ends each line with the name; a plain one is the name.
        if (line == fileName || line.endsWith(QLatin1Char(' ') + fileName)) {
            List->setCurrentRow(i);
            return;
        }
    }
}

QString DownloadWindow::SelectedLine() const
{
    const QListWidgetItem* item = List->currentItem();
    return item != nullptr && item->isSelected() ? item->text() : QString();
}

void DownloadWindow::ShowFailure(const QString& text)
{
    lblFailure->setText(text);
    // No progress text stays behind as if the window were still waiting.
    panel0_->clear();
    lblGuide->clear();
    SetChangesText({});
    List->setVisible(false);
    btnDownload->setVisible(false);
    btnDownload->setDefault(false);
    failurePanel_->setVisible(true);
    btnClose->setDefault(true);
    btnClose->setFocus();
    // The progress text that was showing is over: the Main Window's panel
    // shows its list again.
    host_.SetStatusText(host_.ListLogic().State().Summary());
}

QString DownloadWindow::FailureText() const
{
    return failurePanel_->isVisibleTo(this) ? lblFailure->text() : QString();
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
