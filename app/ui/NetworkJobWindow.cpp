#include "app/ui/NetworkJobWindow.h"

#include "app/text/Utf8Text.h"
#include "app/ui/AntiFreeze.h"
#include "app/ui/DesignFont.h"
#include "app/ui/Images.h"
#include "app/update/ShownError.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <exception>

namespace quorvane::app {

NetworkJobWindow::NetworkJobWindow(const QString& title, Job job, std::function<void()> abort, std::int64_t total,
                                   QString cancelled, QWidget* parent)
    : QDialog(parent),
      job_(std::move(job)),
      abort_(std::move(abort)),
      cancelledText_(std::move(cancelled)),
      antiFreeze_(std::make_unique<AntiFreeze>())
{
    setObjectName(QStringLiteral("NetworkJobWindow"));
    setWindowTitle(title);
    setWindowIcon(Images::applicationIcon());
    DesignFont::apply(*this);

    lblStatus = new QLabel(this);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    // Server replies and file names are never read as markup.
    lblStatus->setTextFormat(Qt::PlainText);
    lblStatus->setWordWrap(true);
    lblStatus->setMinimumWidth(360);
    progress = new QProgressBar(this);
    progress->setObjectName(QStringLiteral("progress"));
    progress->setRange(0, static_cast<int>(total));
    progress->setValue(0);
    btnCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    connect(btnCancel, &QPushButton::clicked, this, &NetworkJobWindow::btnCancelClick);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblStatus);
    layout->addWidget(progress);
    layout->addWidget(btnCancel, 0, Qt::AlignRight);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

NetworkJobWindow::~NetworkJobWindow() = default;

void NetworkJobWindow::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (queued_)
        return;
    queued_ = true;
    // Queued, so that the window is on screen and its modal run in force
    // before the job waits on the network: Cancel then reaches it.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (isVisible())
                FormCreate();
        },
        Qt::QueuedConnection);
}

void NetworkJobWindow::FormCreate()
{
    if (finished_ || running_)
        return;
    if (cancelled_) {
        Finish(cancelledText_);
        return;
    }
    running_ = true;
    QString outcome;
    try {
        const Report report{[this](const std::string& text) { lblStatus->setText(Utf8Text::Decode(text)); },
                            [this](std::int64_t bytes) { progress->setValue(static_cast<int>(bytes)); }};
        outcome = Utf8Text::Decode(job_(report));
        succeeded_ = !cancelled_;
    } catch (const std::exception& error) {
        // What the abort left behind (a closed connection, the server's 426)
        // is not shown: the cancel is.
        outcome = cancelled_ ? cancelledText_ : Utf8Text::Decode(ShownError(error));
    }
    running_ = false;
    Finish(outcome);
}

void NetworkJobWindow::btnCancelClick()
{
    if (finished_) {
        accept();
        return;
    }
    cancelled_ = true;
    lblStatus->setText(QStringLiteral("Cancelling..."));
    btnCancel->setEnabled(false);
    if (running_)
        abort_();
}

void NetworkJobWindow::reject()
{
    if (!finished_) {
        cancelled_ = true;
        if (running_)
            abort_();
    }
    QDialog::reject();
}

QString NetworkJobWindow::StatusText() const
{
    return lblStatus->text();
}

void NetworkJobWindow::Finish(const QString& text)
{
    finished_ = true;
    lblStatus->setText(text);
    if (succeeded_) {
        // A busy bar (no total) ends full as well.
        if (progress->maximum() == 0)
            progress->setRange(0, 1);
        progress->setValue(progress->maximum());
    }
    btnCancel->setText(QStringLiteral("&Close"));
    btnCancel->setEnabled(true);
    btnCancel->setDefault(true);
}

} // namespace quorvane::app
