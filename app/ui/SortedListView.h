#pragma once

#include "app/list/ListSink.h"
#include "app/ui/SortedListModel.h"

#include <QTableView>

#include <vector>

namespace quorvane::app {

/// A report-style list view with grid lines, whole-row selection and fixed
/// row heights (smooth at 100k rows), whose rows keep themselves sorted by
/// caption. As a ListSink it takes a command's items in one batch and sorts
/// them once when the command finishes.
class SortedListView : public QTableView, public ListSink {
    Q_OBJECT
public:
    /// A column: its caption and width in pixels.
    struct Column {
        QString caption;
        int width;
    };

    /// `columns` gives the seven columns in order.
    SortedListView(const std::vector<Column>& columns, SortedListModel::CaptionEditing editing,
                   SortedListModel::RowImages images, QWidget* parent = nullptr);

    /// True while a caption is being edited in place.
    bool IsEditing() const { return state() == EditingState; }

    SortedListModel& rows() { return model_; }
    const SortedListModel& rows() const { return model_; }

    // ListSink
    void Clear() override;
    void AddItem(ListItem item) override;
    void FillFinished() override;

private:
    SortedListModel model_;
    bool filling_ = false;
};

} // namespace quorvane::app
