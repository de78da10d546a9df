#pragma once

#include <QStyledItemDelegate>

namespace quorvane::app {

/// Edits a boot flag cell in place with a BootFlagBox: the cell's text is
/// shown as its choice (or as it is, for a text that is no choice), and only
/// a choice the user made is written back, so a kept text stays until the
/// user chooses.
class BootFlagDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
};

} // namespace quorvane::app
