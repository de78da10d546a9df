#pragma once

#include "app/list/ReportAcceptance.h"
#include "app/list/ReportReview.h"

#include <QAbstractTableModel>
#include <QSortFilterProxyModel>

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quorvane::app {

/// The keepers' table: one row per report record, grouped by game (the
/// review's game order, then report order), with a check box in the first
/// column for its acceptance. The kind's column carries the kind as text and,
/// for rows of a game whose accepted records disagree, says so; those rows
/// are tinted. Flags show as the list view shows boot flags: tick for "1",
/// cross otherwise, next to the text.
class ReportTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column {
        AcceptColumn,
        KindColumn,
        NameColumn,
        IdColumn,
        ListFlagColumn,
        ReportFlagColumn,
        NotesColumn,
        InstructionsColumn,
        NickColumn,
        ReportColumn,
        ColumnCount
    };
    /// The row's ReportKind as an int, for the filter.
    static constexpr int KindRole = Qt::UserRole + 1;
    /// A text that sorts as the column's values should (flags and kinds by
    /// their words, the acceptance as "0"/"1"), for the sorting proxy.
    static constexpr int SortRole = Qt::UserRole + 2;

    explicit ReportTableModel(QObject* parent = nullptr);
    ~ReportTableModel() override;

    /// Shows `review` (reviewed already), nothing accepted; takes it.
    void SetReview(ReportReview review);
    const ReportReview& Review() const { return review_; }
    ReportAcceptance& Acceptance() { return *acceptance_; }
    /// The record a row shows.
    std::size_t RecordAt(int row) const { return rows_[static_cast<std::size_t>(row)]; }
    /// The row that shows record `index`.
    int RowOf(std::size_t index) const;

    /// Merges the accepted records into a list of `version`
    /// (ReportReview::Merge).
    MergedList Merge(const QString& mainListFile, const std::string& version);
    /// Accepts every record of `kind` that may be accepted.
    void AcceptKind(ReportKind kind);
    /// "new", "confirms", "contradicts", "adds notes", "unclear".
    static QString KindWords(ReportKind kind);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

Q_SIGNALS:
    void acceptanceChanged();

private:
    /// Repaints the rows after the acceptance of `records` changed.
    void Changed(const std::vector<std::size_t>& records);

    ReportReview review_;
    std::unique_ptr<ReportAcceptance> acceptance_;
    /// Record indices in row order.
    std::vector<std::size_t> rows_;
    std::vector<int> rowOf_;
};

/// Shows the rows of one kind (or all), sorted by any column.
class ReportFilterModel : public QSortFilterProxyModel {
    Q_OBJECT
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;
    /// None for every kind.
    void SetKind(std::optional<ReportKind> kind);

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

private:
    std::optional<ReportKind> kind_;
};

} // namespace quorvane::app
