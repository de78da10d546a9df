#pragma once

#include "app/list/CaptionCollator.h"
#include "app/list/ListItem.h"
#include "app/list/RecordTable.h"

#include <QAbstractTableModel>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

namespace quorvane::app {

/// The rows of a report-style list view, kept ordered by caption: each
/// time a caption changes to a different text the whole list is sorted again
/// with CaptionCollator. Rows whose captions compare equal keep the order in
/// which they were added. Column 0 shows the caption (with the row's image
/// when images are on), columns 1 to 6 the six sub-items.
///
/// The user may sort by another column (sort()); rows then stay ordered by
/// that column, rows equal in it in name order, until Clear() returns to the
/// name order for the next fill.
///
/// Rows come as items of their own, or, from AddRows, as records of a shared
/// RecordTable: the model then holds their numbers only, in name order, and
/// makes items of them the first time a row is changed, removed or added, or
/// the user sorts by another column.
class SortedListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    /// What the user may edit in place: nothing, the caption, or every cell.
    enum class CaptionEditing { ReadOnly, InPlace, EveryCell };
    /// Says whether a row may change from `before` to `after` by an edit in
    /// place; a refused edit leaves the row as it was.
    using EditCheck = std::function<bool(const ListItem& before, const ListItem& after)>;
    enum class RowImages { Shown, Hidden };
    /// How a column compares when the user sorts by it.
    enum class ColumnOrder {
        /// As the captions do, locale-aware.
        Text,
        /// As numbers ("2" before "10"); texts that are no number come last.
        Number,
    };

    /// `headers` gives the column captions (seven of them).
    SortedListModel(QStringList headers, CaptionEditing editing, RowImages images,
                    CaptionCollator collator = CaptionCollator(), QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    /// An edit in place of an editable cell, after the edit check: column 0
    /// changes the caption (setCaption), the others their sub-item
    /// (setSubItem). False when the edit was not taken.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    /// Orders the rows by `column` (0 is the name), reversed for
    /// Qt::DescendingOrder; rows equal in that column keep the name order.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    /// The check every edit in place passes first; none by default.
    void setEditCheck(EditCheck check) { editCheck_ = std::move(check); }
    /// How each column compares when sorted by; Text for those not given.
    void setColumnOrders(std::vector<ColumnOrder> orders) { columnOrders_ = std::move(orders); }
    /// The column the rows are ordered by, and in which direction.
    int sortColumn() const { return sortColumn_; }
    Qt::SortOrder sortOrder() const { return sortOrder_; }
    /// Whether column 0 shows the rows' images.
    RowImages images() const { return images_; }
    /// The rows in name order, whatever the order shown.
    std::vector<ListItem> itemsInNameOrder() const;

    // The fill vocabulary of ListSink, which the view forwards here.

    /// Removes every row, including rows of an unfinished fill, and returns
    /// to the name order.
    void Clear();

    /// Adds one row and sorts at once; during a fill, holds it back.
    void AddItem(ListItem item);
    /// Adds the records `rows` (ascending numbers) of `table` as rows; the
    /// first thing a fill adds, they are kept as numbers into the shared
    /// table, else as items. Outside a fill, as AddItem for each.
    void AddRows(std::shared_ptr<const RecordTable> table, std::vector<RecordTable::Row> rows);

    /// Starts a fill: rows added until FillFinished() are held back and sorted
    /// in with one sort, so a fill of n rows costs one sort, not n.
    void FillStarted();
    /// Shows and sorts the held-back rows. Does nothing outside a fill.
    void FillFinished();

    /// Removes the row at view position `row` (0 .. size() - 1); the others
    /// keep their order.
    void RemoveItem(int row);

    /// Changes the caption of the row at `row` (view position); the rows are
    /// sorted again when the text differs. Returns the row's new position.
    int setCaption(int row, const QString& caption);

    /// Changes sub-item `subItem` (0 .. 5) of the row at `row` (view
    /// position); the rows are sorted again when they are ordered by that
    /// column. Returns the row's new position.
    int setSubItem(int row, std::size_t subItem, const QString& text);

    /// The row at view position `row` (0 .. size() - 1).
    ListItem item(int row) const
    {
        return table_ ? table_->Item(tableRows_[static_cast<std::size_t>(row)]) : rows_[static_cast<std::size_t>(row)];
    }
    /// The text in `column` (0 the caption, 1 to 6 the sub-items) of the row
    /// at view position `row`; valid until the rows change.
    QStringView text(int row, int column) const
    {
        const auto at = static_cast<std::size_t>(row);
        if (table_)
            return table_->Text(tableRows_[at], static_cast<std::size_t>(column));
        return column == 0 ? QStringView(rows_[at].caption)
                           : QStringView(rows_[at].subItems[static_cast<std::size_t>(column - 1)]);
    }
    /// Number of rows shown (rows of an unfinished fill not included).
    int size() const { return static_cast<int>(table_ ? tableRows_.size() : rows_.size()); }

private:
    /// Makes items of the table's rows, before anything changes them.
    void ownRows();
    /// Sorts rows_ stably by caption, keeping persistent indexes (an open
    /// editor, the current row) on their rows.
    void sortRows();
    /// The stable sorted order of `rows` by the current sort column (one
    /// collation key per row).
    std::vector<std::size_t> sortedOrder(const std::vector<ListItem>& rows) const;
    /// The stable order of `rows` by caption.
    std::vector<std::size_t> nameOrder(const std::vector<ListItem>& rows) const;
    /// Reorders `rows` so that position i holds the row that was at order[i].
    static void permute(std::vector<ListItem>& rows, const std::vector<std::size_t>& order);
    /// Frees `rows` (which the model no longer shows), in the order their
    /// texts were made in.
    static void release(std::vector<ListItem>& rows);

    QStringList headers_;
    CaptionEditing editing_;
    RowImages images_;
    CaptionCollator collator_;
    std::vector<ListItem> rows_;
    std::vector<ListItem> pending_;
    /// The rows, when they are records of a table: their numbers, in name order.
    std::shared_ptr<const RecordTable> table_;
    std::vector<RecordTable::Row> tableRows_;
    /// Records a fill added, held back as numbers.
    std::shared_ptr<const RecordTable> pendingTable_;
    std::vector<RecordTable::Row> pendingRows_;
    bool filling_ = false;
    std::vector<ColumnOrder> columnOrders_;
    EditCheck editCheck_;
    int sortColumn_ = 0;
    Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
};

} // namespace quorvane::app
