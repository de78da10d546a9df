#include "app/ui/MessageDialog.h"

#include <QApplication>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>
#include <array>

namespace quorvane::app {

namespace {

struct ButtonInfo {
    MsgDlgButton button;
    const char* caption;
    int result;
};

constexpr std::array<ButtonInfo, 11> kButtons{{
    {MbYes, "&Yes", MrYes},
    {MbNo, "&No", MrNo},
    {MbOK, "OK", MrOk},
    {MbCancel, "Cancel", MrCancel},
    {MbAbort, "&Abort", MrAbort},
    {MbRetry, "&Retry", MrRetry},
    {MbIgnore, "&Ignore", MrIgnore},
    {MbAll, "&All", MrAll},
    {MbNoToAll, "N&o to All", MrNoToAll},
    {MbYesToAll, "Yes to &All", MrYesToAll},
    {MbHelp, "&Help", MrNone},
}};

// Fifty dialog units across: a dialog unit is a quarter of the average
// character width of the dialog font.
int minimumButtonWidth(const QFontMetrics& fm)
{
    return (50 * fm.averageCharWidth() + 3) / 4;
}

QStyle::StandardPixmap iconFor(MsgDlgType type)
{
    switch (type) {
    case MsgDlgType::Warning: return QStyle::SP_MessageBoxWarning;
    case MsgDlgType::Error: return QStyle::SP_MessageBoxCritical;
    case MsgDlgType::Information: return QStyle::SP_MessageBoxInformation;
    case MsgDlgType::Confirmation: return QStyle::SP_MessageBoxQuestion;
    case MsgDlgType::Custom: break;
    }
    return QStyle::SP_CustomBase;
}

} // namespace

QString MessageDialog::buttonCaption(MsgDlgButton button)
{
    for (const auto& info : kButtons)
        if (info.button == button)
            return QString::fromLatin1(info.caption);
    return {};
}

int MessageDialog::buttonResult(MsgDlgButton button)
{
    for (const auto& info : kButtons)
        if (info.button == button)
            return info.result;
    return MrNone;
}

QString MessageDialog::typeCaption(MsgDlgType type)
{
    switch (type) {
    case MsgDlgType::Warning: return QStringLiteral("Warning");
    case MsgDlgType::Error: return QStringLiteral("Error");
    case MsgDlgType::Information: return QStringLiteral("Information");
    case MsgDlgType::Confirmation: return QStringLiteral("Confirm");
    case MsgDlgType::Custom: break;
    }
    return QApplication::applicationName();
}

MessageDialog::MessageDialog(const QString& text, MsgDlgType type, MsgDlgButtons buttons, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("MessageDialog"));
    setWindowTitle(typeCaption(type));
    setModal(true);

    auto* outer = new QVBoxLayout(this);
    auto* body = new QHBoxLayout;
    if (type != MsgDlgType::Custom) {
        auto* icon = new QLabel(this);
        icon->setObjectName(QStringLiteral("Image"));
        icon->setPixmap(style()->standardIcon(iconFor(type), nullptr, this).pixmap(32, 32));
        icon->setAlignment(Qt::AlignTop);
        body->addWidget(icon);
    }
    auto* message = new QLabel(text, this);
    message->setObjectName(QStringLiteral("Message"));
    message->setWordWrap(true);
    message->setTextFormat(Qt::PlainText);
    if (const QScreen* screen = QApplication::primaryScreen()) {
        // One line as long as it fits in half the screen, wrapped beyond.
        const int limit = screen->availableGeometry().width() / 2;
        const int natural =
            message->fontMetrics().boundingRect(QRect(0, 0, limit, 10000), Qt::TextWordWrap, text).width();
        message->setMaximumWidth(limit);
        message->setMinimumWidth(std::min(limit, natural + 1));
    }
    body->addWidget(message, 1);
    outer->addLayout(body);

    QFontMetrics fm(font());
    int width = minimumButtonWidth(fm);
    for (const auto& info : kButtons)
        if (buttons & info.button)
            width =
                std::max(width, fm.horizontalAdvance(QString::fromLatin1(info.caption).remove(QLatin1Char('&'))) + 8);

    auto* row = new QHBoxLayout;
    row->addStretch(1);
    for (const auto& info : kButtons) {
        if (!(buttons & info.button))
            continue;
        auto* button = new QPushButton(QString::fromLatin1(info.caption), this);
        button->setObjectName(QString::fromLatin1(info.caption).remove(QLatin1Char('&')));
        button->setFixedWidth(width);
        button->setAutoDefault(false);
        const int result = info.result;
        if (info.button == MbHelp) {
            // Help shows help and keeps the dialog open; there is no help
            // file, so the press has no further effect.
        } else {
            connect(button, &QPushButton::clicked, this, [this, result] { done(result); });
        }
        row->addWidget(button);
        buttons_.push_back(button);
    }
    row->addStretch(1);
    outer->addLayout(row);

    auto pick = [this](std::initializer_list<const char*> order) -> QPushButton* {
        for (const char* name : order)
            for (QPushButton* b : buttons_)
                if (b->text() == QLatin1String(name))
                    return b;
        return nullptr;
    };
    defaultButton_ = pick({"OK", "&Yes", "&Retry"});
    cancelButton_ = pick({"Cancel", "&No", "OK"});
    if (defaultButton_) {
        defaultButton_->setDefault(true);
        defaultButton_->setFocus();
    }
}

void MessageDialog::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        if (cancelButton_)
            cancelButton_->click();
        event->accept();
        return;
    }
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        // A focused button takes Enter itself; anywhere else the default does.
        auto* focused = qobject_cast<QPushButton*>(focusWidget());
        if (QPushButton* target = focused ? focused : defaultButton_)
            target->click();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void MessageDialog::reject()
{
    done(MrCancel);
}

int MessageDialog::execute(const QString& text, MsgDlgType type, MsgDlgButtons buttons)
{
    MessageDialog dialog(text, type, buttons, QApplication::activeWindow());
    dialog.adjustSize();
    if (const QScreen* screen = QApplication::primaryScreen()) {
        QRect area = screen->availableGeometry();
        dialog.move(area.center() - dialog.rect().center());
    }
    return dialog.exec();
}

} // namespace quorvane::app
