#include "app/ui/SortedListModel.h"

#include "app/ui/Images.h"

#include <QTextDocument>

#include <algorithm>
#include <utility>

namespace quorvane::app {

namespace {
constexpr int kColumns = 7;
} // namespace

SortedListModel::SortedListModel(QStringList headers, CaptionEditing editing, RowImages images,
                                 CaptionCollator collator, QObject* parent)
    : QAbstractTableModel(parent),
      headers_(std::move(headers)),
      editing_(editing),
      images_(images),
      collator_(std::move(collator))
{}

int SortedListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : size();
}

int SortedListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kColumns;
}

QVariant SortedListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= size() || index.column() >= kColumns)
        return {};
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole: return text(index.row(), column).toString();
    case Qt::ToolTipRole: {
        // A tooltip guesses whether its text is markup; a cell shows a list
        // file's text, so it is handed over escaped, to be shown as it stands.
        const QString shown = text(index.row(), column).toString();
        return shown.isEmpty() ? QVariant() : QVariant(Qt::convertFromPlainText(shown, Qt::WhiteSpacePre));
    }
    case Qt::DecorationRole:
        if (column == 0 && images_ == RowImages::Shown) {
            const auto at = static_cast<std::size_t>(index.row());
            return Images::icon(static_cast<int>(table_ ? table_->Image(tableRows_[at]) : rows_[at].image));
        }
        return {};
    default: return {};
    }
}

QVariant SortedListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < headers_.size())
        return headers_[section];
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags SortedListModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (!index.isValid())
        return f;
    if ((index.column() == 0 && editing_ == CaptionEditing::InPlace) || editing_ == CaptionEditing::EveryCell)
        f |= Qt::ItemIsEditable;
    return f;
}

bool SortedListModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !index.isValid() || index.row() >= size() || index.column() >= kColumns ||
        !(flags(index) & Qt::ItemIsEditable))
        return false;
    const QString edited = value.toString();
    const int column = index.column();
    const ListItem before = item(index.row());
    ListItem after = before;
    (column == 0 ? after.caption : after.subItems[static_cast<std::size_t>(column - 1)]) = edited;
    if (after == before)
        return true;
    if (editCheck_ && !editCheck_(before, after))
        return false;
    if (column == 0)
        setCaption(index.row(), edited);
    else
        setSubItem(index.row(), static_cast<std::size_t>(column - 1), edited);
    return true;
}

void SortedListModel::Clear()
{
    std::vector<ListItem> rows;
    std::vector<ListItem> pending;
    std::vector<RecordTable::Row> tableRows;
    beginResetModel();
    rows.swap(rows_);
    pending.swap(pending_);
    tableRows.swap(tableRows_);
    table_.reset();
    pendingTable_.reset();
    pendingRows_.clear();
    sortColumn_ = 0;
    sortOrder_ = Qt::AscendingOrder;
    endResetModel();
    release(rows);
    release(pending);
}

void SortedListModel::ownRows()
{
    if (!table_)
        return;
    rows_.reserve(tableRows_.size());
    for (const RecordTable::Row row : tableRows_)
        rows_.push_back(table_->Item(row));
    table_.reset();
    tableRows_ = {};
}

void SortedListModel::release(std::vector<ListItem>& rows)
{
    // A fill allocates its rows' texts one after the other, and sorting then
    // scatters them: freed in the view's order, 100k rows would hand the
    // allocator their 700k texts in random order, to be merged at random later
    // on. Freed in the order of their addresses, which is the order the fill
    // made them in, they cost about what making them cost.
    std::vector<std::pair<const void*, std::size_t>> byAddress;
    byAddress.reserve(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i)
        byAddress.emplace_back(rows[i].caption.constData(), i);
    std::sort(byAddress.begin(), byAddress.end());
    for (const auto& [address, i] : byAddress) {
        ListItem& row = rows[i];
        row.caption = QString();
        for (QString& text : row.subItems)
            text = QString();
    }
    rows.clear();
    rows.shrink_to_fit();
}

void SortedListModel::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= kColumns)
        return;
    // A table's rows are in name order already.
    if (table_ && column == 0 && order == Qt::AscendingOrder)
        return;
    ownRows();
    sortColumn_ = column;
    sortOrder_ = order;
    sortRows();
}

std::vector<ListItem> SortedListModel::itemsInNameOrder() const
{
    std::vector<ListItem> items;
    if (table_) {
        // A table's rows are only ever in name order.
        items.reserve(tableRows_.size());
        for (const RecordTable::Row row : tableRows_)
            items.push_back(table_->Item(row));
        return items;
    }
    items.reserve(rows_.size());
    for (std::size_t from : nameOrder(rows_))
        items.push_back(rows_[from]);
    return items;
}

void SortedListModel::AddItem(ListItem item)
{
    if (filling_) {
        pending_.push_back(std::move(item));
        return;
    }
    ownRows();
    const int at = size();
    beginInsertRows(QModelIndex(), at, at);
    rows_.push_back(std::move(item));
    endInsertRows();
    sortRows();
}

void SortedListModel::AddRows(std::shared_ptr<const RecordTable> table, std::vector<RecordTable::Row> rows)
{
    if (filling_ && !pendingTable_ && pending_.empty()) {
        pendingTable_ = std::move(table);
        pendingRows_ = std::move(rows);
        return;
    }
    for (const RecordTable::Row row : rows)
        AddItem(table->Item(row));
}

void SortedListModel::FillStarted()
{
    filling_ = true;
}

void SortedListModel::FillFinished()
{
    if (!filling_)
        return;
    filling_ = false;
    if (pendingTable_) {
        std::shared_ptr<const RecordTable> table = std::move(pendingTable_);
        std::vector<RecordTable::Row> rows = std::move(pendingRows_);
        pendingTable_.reset();
        pendingRows_.clear();
        if (size() == 0 && pending_.empty() && sortColumn_ == 0 && sortOrder_ == Qt::AscendingOrder) {
            // The usual fill after a clear: the table puts its records in
            // name order, and the view gets one insertion.
            tableRows_ = table->InNameOrder(rows, collator_);
            rows_ = {};
            table_ = std::move(table);
            if (!tableRows_.empty()) {
                beginInsertRows(QModelIndex(), 0, size() - 1);
                endInsertRows();
            }
            return;
        }
        // Items came too: the table's rows, added first, join them as items.
        std::vector<ListItem> items;
        items.reserve(rows.size() + pending_.size());
        for (const RecordTable::Row row : rows)
            items.push_back(table->Item(row));
        std::move(pending_.begin(), pending_.end(), std::back_inserter(items));
        pending_ = std::move(items);
    }
    if (pending_.empty())
        return;
    ownRows();
    const int first = size();
    const int last = first + static_cast<int>(pending_.size()) - 1;
    if (rows_.empty()) {
        // The usual fill after a clear: sort the new rows before the view
        // sees them, so it gets one insertion and no layout change.
        permute(pending_, sortedOrder(pending_));
        rows_.swap(pending_);
        pending_.clear();
        beginInsertRows(QModelIndex(), first, last);
        endInsertRows();
        return;
    }
    beginInsertRows(QModelIndex(), first, last);
    {
        rows_.reserve(rows_.size() + pending_.size());
        std::move(pending_.begin(), pending_.end(), std::back_inserter(rows_));
        pending_.clear();
    }
    endInsertRows();
    sortRows();
}

void SortedListModel::RemoveItem(int row)
{
    if (row < 0 || row >= size())
        return;
    ownRows();
    beginRemoveRows(QModelIndex(), row, row);
    rows_.erase(rows_.begin() + row);
    endRemoveRows();
}

int SortedListModel::setCaption(int row, const QString& caption)
{
    ownRows();
    ListItem& r = rows_.at(static_cast<std::size_t>(row));
    if (r.caption == caption)
        return row;
    r.caption = caption;
    QPersistentModelIndex tracker(index(row, 0));
    sortRows();
    const QModelIndex col0 = index(tracker.row(), 0);
    Q_EMIT dataChanged(col0, col0);
    return tracker.row();
}

int SortedListModel::setSubItem(int row, std::size_t subItem, const QString& text)
{
    ownRows();
    QString& field = rows_.at(static_cast<std::size_t>(row)).subItems.at(subItem);
    if (field == text)
        return row;
    field = text;
    QPersistentModelIndex tracker(index(row, 0));
    if (sortColumn_ == static_cast<int>(subItem) + 1)
        sortRows();
    const QModelIndex cell = index(tracker.row(), static_cast<int>(subItem) + 1);
    Q_EMIT dataChanged(cell, cell);
    return tracker.row();
}

std::vector<std::size_t> SortedListModel::nameOrder(const std::vector<ListItem>& rows) const
{
    std::vector<QStringView> captions;
    captions.reserve(rows.size());
    for (const ListItem& r : rows)
        captions.emplace_back(r.caption);
    return collator_.SortedOrder(captions);
}

std::vector<std::size_t> SortedListModel::sortedOrder(const std::vector<ListItem>& rows) const
{
    std::vector<std::size_t> order = nameOrder(rows);
    if (sortColumn_ == 0 && sortOrder_ == Qt::AscendingOrder)
        return order;
    const auto textOf = [this](const ListItem& row) -> const QString& {
        return sortColumn_ == 0 ? row.caption : row.subItems[static_cast<std::size_t>(sortColumn_ - 1)];
    };
    const bool descending = sortOrder_ == Qt::DescendingOrder;
    const auto columnOrder = static_cast<std::size_t>(sortColumn_) < columnOrders_.size()
                                 ? columnOrders_[static_cast<std::size_t>(sortColumn_)]
                                 : ColumnOrder::Text;
    // Sorting the name order stably keeps rows that are equal in the column
    // in name order, in either direction.
    if (columnOrder == ColumnOrder::Number) {
        struct Key {
            bool number;
            double value;
        };
        std::vector<Key> keys(rows.size());
        for (std::size_t i = 0; i < rows.size(); ++i) {
            bool number = false;
            const double value = textOf(rows[i]).trimmed().toDouble(&number);
            keys[i] = {number, value};
        }
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            const Key& ka = keys[a];
            const Key& kb = keys[b];
            // Texts that are no number ("?", empty) stay last either way.
            if (ka.number != kb.number)
                return ka.number;
            if (!ka.number)
                return false;
            return descending ? kb.value < ka.value : ka.value < kb.value;
        });
        return order;
    }
    std::vector<QCollatorSortKey> keys;
    keys.reserve(rows.size());
    for (const ListItem& row : rows)
        keys.push_back(collator_.SortKey(textOf(row)));
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return descending ? keys[b].compare(keys[a]) < 0 : keys[a].compare(keys[b]) < 0;
    });
    return order;
}

void SortedListModel::permute(std::vector<ListItem>& rows, const std::vector<std::size_t>& order)
{
    std::vector<ListItem> sorted;
    sorted.reserve(rows.size());
    for (std::size_t from : order)
        sorted.push_back(std::move(rows[from]));
    rows.swap(sorted);
}

void SortedListModel::sortRows()
{
    const std::size_t n = rows_.size();
    if (n < 2)
        return;
    const std::vector<std::size_t> order = sortedOrder(rows_);
    if (std::is_sorted(order.begin(), order.end()))
        return;

    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<int> newPosition(n);
    for (std::size_t to = 0; to < n; ++to)
        newPosition[order[to]] = static_cast<int>(to);
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& idx : before)
        after.append(index(newPosition[static_cast<std::size_t>(idx.row())], idx.column()));
    changePersistentIndexList(before, after);
    permute(rows_, order);
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

} // namespace quorvane::app
