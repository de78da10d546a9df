#include "app/ui/BootFlagBox.h"

#include "app/list/ListItem.h"

namespace quorvane::app {

namespace {
// The two choices come first; a kept text, when there is one, follows them.
constexpr int kChoices = 2;
} // namespace

BootFlagBox::BootFlagBox(QWidget* parent) : QComboBox(parent)
{
    addItem(QStringLiteral("Boots"), QString::fromLatin1(BootsFlag));
    addItem(QStringLiteral("Does not boot"), QString::fromLatin1(DoesNotBootFlag));
    setCurrentIndex(-1);
}

QString BootFlagBox::Flag() const
{
    return currentIndex() < 0 ? QString() : currentData().toString();
}

void BootFlagBox::SetFlag(const QString& flag)
{
    while (count() > kChoices)
        removeItem(count() - 1);
    if (flag.isEmpty()) {
        setCurrentIndex(-1);
        return;
    }
    const int choice = findData(flag);
    if (choice >= 0) {
        setCurrentIndex(choice);
        return;
    }
    addItem(flag, flag);
    setCurrentIndex(count() - 1);
}

bool BootFlagBox::IsChosen() const
{
    return currentIndex() >= 0 && currentIndex() < kChoices;
}

} // namespace quorvane::app
