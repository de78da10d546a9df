#include "app/scan/ScanReport.h"

namespace quorvane::app {

QString ScannedImage::ShownName() const
{
    if (status != ImageStatus::NotInList)
        return gameName;
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

QString ScannedImage::StatusText() const
{
    switch (status) {
    case ImageStatus::Boots: return QStringLiteral("boots");
    case ImageStatus::DoesNotBoot: return QStringLiteral("does not boot");
    case ImageStatus::NotInList: break;
    }
    return QStringLiteral("not in list");
}

QString ScanCounts::Summary() const
{
    return QStringLiteral("Images [%1] Boot [%2] Do not boot [%3] Not in list [%4] Other files [%5] Unreadable [%6]")
        .arg(images)
        .arg(boot)
        .arg(doNotBoot)
        .arg(notInList)
        .arg(otherFiles)
        .arg(unreadable);
}

} // namespace quorvane::app
