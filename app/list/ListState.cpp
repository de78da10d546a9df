#include "app/list/ListState.h"

#include "app/text/Utf8Text.h"

namespace quorvane::app {

QString ListState::Summary() const
{
    return QStringLiteral("List Version [") + Utf8Text::Decode(ListVersion) + QStringLiteral("] GCM's [") +
           QString::number(GCMCount) + QStringLiteral("] [Good: ") + QString::number(GoodCount) +
           QStringLiteral("] [Bad: ") + QString::number(BadCount) + QStringLiteral("]");
}

} // namespace quorvane::app
