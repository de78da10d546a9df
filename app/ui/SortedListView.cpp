#include "app/ui/SortedListView.h"

#include <QEvent>
#include <QHeaderView>
#include <QSignalBlocker>
#include <QStyle>

#include <algorithm>

namespace quorvane::app {

namespace {

/// Rows measured when a column fits its contents.
constexpr int kMeasuredRows = 1000;
/// Widths remembered at most; all are forgotten when there would be more.
constexpr qsizetype kRememberedWidths = 16384;

QStringList captionsOf(const std::vector<SortedListView::Column>& columns)
{
    QStringList captions;
    for (const auto& c : columns)
        captions << c.caption;
    return captions;
}

} // namespace

SortedListView::SortedListView(const std::vector<Column>& columns, SortedListModel::CaptionEditing editing,
                               SortedListModel::RowImages images, QWidget* parent)
    : QTableView(parent), model_(captionsOf(columns), editing, images)
{
    setModel(&model_);
    setShowGrid(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    // Tab leaves the view for the next control; the arrow keys move in it.
    setTabKeyNavigation(false);
    setIconSize(QSize(16, 16));
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setEditTriggers(editing != SortedListModel::CaptionEditing::ReadOnly
                        ? QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed |
                              QAbstractItemView::DoubleClicked
                        : QAbstractItemView::NoEditTriggers);

    QHeaderView* vertical = verticalHeader();
    vertical->hide();
    // Fixed row heights let the view place any of 100k rows without measuring.
    vertical->setSectionResizeMode(QHeaderView::Fixed);
    vertical->setDefaultSectionSize(std::max(17, fontMetrics().height() + 4));

    std::vector<SortedListModel::ColumnOrder> orders;
    for (const Column& column : columns)
        orders.push_back(column.order);
    model_.setColumnOrders(std::move(orders));
    chosen_.assign(columns.size(), false);

    QHeaderView* horizontal = horizontalHeader();
    horizontal->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontal->setHighlightSections(false);
    horizontal->setStretchLastSection(true);
    // Fitting a column measures this many rows, so a fill of 100k rows costs
    // no more than one of a thousand; a double-click on a divider too.
    horizontal->setResizeContentsPrecision(kMeasuredRows);
    sizing_ = true;
    for (int i = 0; i < static_cast<int>(columns.size()); ++i)
        setColumnWidth(i, columns[static_cast<std::size_t>(i)].width);
    sizing_ = false;
    connect(horizontal, &QHeaderView::sectionResized, this, [this](int column, int, int) {
        // The last column's width follows the view's; only the others are chosen.
        if (!sizing_ && column >= 0 && column + 1 < static_cast<int>(chosen_.size()))
            chosen_[static_cast<std::size_t>(column)] = true;
    });

    // The name order is the one shown before any click: the indicator must
    // say so before sorting is on, or turning it on would sort by it.
    horizontal->setSortIndicator(0, Qt::AscendingOrder);
    setSortingEnabled(true);

    // Rows added one by one (the editor) or by a fill, and edited captions.
    connect(&model_, &QAbstractItemModel::rowsInserted, this, [this] { FitColumns(); });
    connect(&model_, &QAbstractItemModel::dataChanged, this, [this] { FitColumns(); });
}

void SortedListView::FitColumns()
{
    // The texts are measured here rather than through the delegate, whose
    // per-cell size hints would make a fill of 100k rows a third slower; the
    // margins are the ones the delegate draws with.
    const QFontMetrics metrics(font());
    const int margin = 2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1) + 2;
    const int image = model_.images() == SortedListModel::RowImages::Shown ? iconSize().width() + margin : 0;
    const int rows = std::min(model_.size(), kMeasuredRows);
    sizing_ = true;
    for (int column = 0; column + 1 < static_cast<int>(chosen_.size()); ++column) {
        if (chosen_[static_cast<std::size_t>(column)])
            continue;
        int width = horizontalHeader()->sectionSizeHint(column);
        for (int row = 0; row < rows; ++row)
            width = std::max(width, TextWidth(metrics, model_.text(row, column)) + margin + (column == 0 ? image : 0));
        setColumnWidth(column, width);
    }
    sizing_ = false;
}

int SortedListView::TextWidth(const QFontMetrics& metrics, QStringView view)
{
    const QString text = view.toString();
    const auto found = widths_.constFind(text);
    if (found != widths_.cend())
        return *found;
    if (widths_.size() >= kRememberedWidths)
        widths_.clear();
    const int width = metrics.horizontalAdvance(text);
    widths_.insert(text, width);
    return width;
}

void SortedListView::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        widths_.clear();
    QTableView::changeEvent(event);
}

std::vector<int> SortedListView::ChosenWidths() const
{
    std::vector<int> widths;
    for (std::size_t column = 0; column < chosen_.size(); ++column)
        widths.push_back(chosen_[column] ? columnWidth(static_cast<int>(column)) : 0);
    return widths;
}

void SortedListView::RestoreChosenWidths(const std::vector<int>& widths)
{
    for (std::size_t column = 0; column + 1 < chosen_.size() && column < widths.size(); ++column) {
        if (widths[column] <= 0)
            continue;
        setColumnWidth(static_cast<int>(column), widths[column]);
        chosen_[column] = true;
    }
}

void SortedListView::Clear()
{
    model_.Clear();
    // The model is back in name order; the header says so without sorting again.
    const QSignalBlocker quiet(horizontalHeader());
    horizontalHeader()->setSortIndicator(0, Qt::AscendingOrder);
    horizontalHeader()->viewport()->update();
}

void SortedListView::AddItem(ListItem item)
{
    if (!filling_) {
        filling_ = true;
        model_.FillStarted();
    }
    model_.AddItem(std::move(item));
}

void SortedListView::AddRows(std::shared_ptr<const RecordTable> table, std::vector<RecordTable::Row> rows)
{
    if (!filling_) {
        filling_ = true;
        model_.FillStarted();
    }
    model_.AddRows(std::move(table), std::move(rows));
}

void SortedListView::FillFinished()
{
    if (!filling_)
        return;
    filling_ = false;
    model_.FillFinished();
}

} // namespace quorvane::app
