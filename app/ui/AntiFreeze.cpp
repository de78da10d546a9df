#include "app/ui/AntiFreeze.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QThread>

namespace quorvane::app {

void AntiFreeze::PumpMessages()
{
    if (!QCoreApplication::instance() || QThread::currentThread() != QCoreApplication::instance()->thread())
        return;
    if (ApplicationHasPriority) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        return;
    }
    // One pass of the dispatcher without waiting: the nearest Qt has to
    // "handle one message".
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance())
        dispatcher->processEvents(QEventLoop::AllEvents);
}

} // namespace quorvane::app
