#include "app/ui/SortedListView.h"

#include <QHeaderView>

namespace quorvane::app {

namespace {

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
    setEditTriggers(editing == SortedListModel::CaptionEditing::InPlace
                        ? QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed |
                              QAbstractItemView::DoubleClicked
                        : QAbstractItemView::NoEditTriggers);

    QHeaderView* vertical = verticalHeader();
    vertical->hide();
    // Fixed row heights let the view place any of 100k rows without measuring.
    vertical->setSectionResizeMode(QHeaderView::Fixed);
    vertical->setDefaultSectionSize(std::max(17, fontMetrics().height() + 4));

    QHeaderView* horizontal = horizontalHeader();
    horizontal->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontal->setHighlightSections(false);
    horizontal->setSectionsClickable(false);
    horizontal->setStretchLastSection(false);
    for (int i = 0; i < static_cast<int>(columns.size()); ++i)
        setColumnWidth(i, columns[static_cast<std::size_t>(i)].width);
}

void SortedListView::Clear()
{
    model_.Clear();
}

void SortedListView::AddItem(ListItem item)
{
    if (!filling_) {
        filling_ = true;
        model_.FillStarted();
    }
    model_.AddItem(std::move(item));
}

void SortedListView::FillFinished()
{
    if (!filling_)
        return;
    filling_ = false;
    model_.FillFinished();
}

} // namespace quorvane::app
