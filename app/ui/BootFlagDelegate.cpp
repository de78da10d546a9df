#include "app/ui/BootFlagDelegate.h"

#include "app/ui/BootFlagBox.h"

namespace quorvane::app {

QWidget* BootFlagDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex&) const
{
    auto* box = new BootFlagBox(parent);
    box->setObjectName(QStringLiteral("bootFlagEditor"));
    // A choice made is the edit: it is written back at once, as Return would.
    // The signals are not const; the editor is made in a const function.
    auto* self = const_cast<BootFlagDelegate*>(this);
    connect(box, &QComboBox::activated, self, [self, box] {
        Q_EMIT self->commitData(box);
        Q_EMIT self->closeEditor(box);
    });
    return box;
}

void BootFlagDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    static_cast<BootFlagBox*>(editor)->SetFlag(index.data(Qt::EditRole).toString());
}

void BootFlagDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const
{
    const auto* box = static_cast<BootFlagBox*>(editor);
    // Unset, or the kept text left as it was: nothing to write.
    if (box->IsChosen())
        model->setData(index, box->Flag(), Qt::EditRole);
}

} // namespace quorvane::app
