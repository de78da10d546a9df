#pragma once

#include "app/list/ListSink.h"
#include "app/ui/SortedListModel.h"

#include <QFontMetrics>
#include <QHash>
#include <QTableView>

#include <vector>

namespace quorvane::app {

/// A report-style list view with grid lines, whole-row selection and fixed
/// row heights (smooth at 100k rows), whose rows keep themselves sorted by
/// caption. As a ListSink it takes a command's items in one batch and sorts
/// them once when the command finishes, or takes the records of a
/// RecordTable by number, which come in name order with no sort.
///
/// A header click sorts by that column and a second click reverses; a new
/// fill (Clear) returns to the name order. Columns the user has not resized
/// fit their contents whenever rows arrive (measuring at most the first
/// 1,000 rows); the last column takes the width that is left.
class SortedListView : public QTableView, public ListSink {
    Q_OBJECT
public:
    /// A column: its caption, its width in pixels until rows arrive, and how
    /// it sorts.
    struct Column {
        QString caption;
        int width;
        SortedListModel::ColumnOrder order = SortedListModel::ColumnOrder::Text;
    };

    /// `columns` gives the seven columns in order.
    SortedListView(const std::vector<Column>& columns, SortedListModel::CaptionEditing editing,
                   SortedListModel::RowImages images, QWidget* parent = nullptr);

    /// True while a cell is being edited in place.
    bool IsEditing() const { return state() == EditingState; }

    SortedListModel& rows() { return model_; }
    const SortedListModel& rows() const { return model_; }

    /// The width of each column the user has resized, 0 for the others
    /// (they fit their contents) and always for the last one (it stretches).
    std::vector<int> ChosenWidths() const;
    /// Gives the columns widths as ChosenWidths() reported them: a positive
    /// width is kept as the user's, 0 lets the column fit its contents.
    void RestoreChosenWidths(const std::vector<int>& widths);

    // ListSink
    void Clear() override;
    void AddItem(ListItem item) override;
    /// Keeps the records' numbers, not items of their own (SortedListModel::AddRows).
    void AddRows(std::shared_ptr<const RecordTable> table, std::vector<RecordTable::Row> rows) override;
    void FillFinished() override;

private:
    /// Fits every column the user has not resized, but the last, to its
    /// contents.
    void FitColumns();
    /// The width of `text` in `metrics`, remembered: a filter as one types
    /// measures much the same texts at every key, and measuring (shaping)
    /// a text costs far more than looking it up.
    int TextWidth(const QFontMetrics& metrics, QStringView text);

protected:
    /// Forgets the remembered widths when the font or the style changes.
    void changeEvent(QEvent* event) override;

private:
    SortedListModel model_;
    bool filling_ = false;
    /// Per column: the user has resized it, so rows arriving leave it alone.
    std::vector<bool> chosen_;
    /// Set while the view itself sizes columns.
    bool sizing_ = false;
    /// Widths of the texts FitColumns measured, in the view's font.
    QHash<QString, int> widths_;
};

} // namespace quorvane::app
