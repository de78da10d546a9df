#include "app/ui/Asker.h"

#include "app/ui/ErrorBox.h"

#include <QApplication>
#include <QDialog>
#include <QMessageBox>

namespace quorvane::app {

namespace {

Asker* installed = nullptr;

DialogAsker& dialogAsker()
{
    static DialogAsker asker;
    return asker;
}

} // namespace

Asker& Asker::current()
{
    return installed ? *installed : dialogAsker();
}

Asker* Asker::install(Asker* asker)
{
    Asker* previous = installed;
    installed = asker;
    return previous;
}

int Asker::messageDlg(const QString& text, MsgDlgType type, MsgDlgButtons buttons, int helpContext)
{
    static_cast<void>(helpContext);
    return current().question(text, type, buttons);
}

int DialogAsker::question(const QString& text, MsgDlgType type, MsgDlgButtons buttons)
{
    return MessageDialog::execute(text, type, buttons);
}

void DialogAsker::showError(const QString& text)
{
    QMessageBox box(QMessageBox::Critical, ErrorBox::title(), text, QMessageBox::Ok, QApplication::activeWindow());
    box.setObjectName(QStringLiteral("ErrorBox"));
    // Messages carry file names and server replies: never read them as markup.
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

int DialogAsker::runModal(QDialog& window)
{
    return window.exec();
}

} // namespace quorvane::app
