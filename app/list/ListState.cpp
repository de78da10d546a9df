#include "app/list/ListState.h"

namespace quorvane::app {

QString ListState::Summary() const
{
    return QStringLiteral("List Version [") + QString::fromUtf8(ListVersion) + QStringLiteral("] GCM's [") +
           QString::number(GCMCount) + QStringLiteral("] [Good: ") + QString::number(GoodCount) +
           QStringLiteral("] [Bad: ") + QString::number(BadCount) + QStringLiteral("]");
}

} // namespace quorvane::app
