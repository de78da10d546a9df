#include "app/ui/ReportTableModel.h"

#include "app/text/Utf8Text.h"
#include "app/ui/Images.h"

#include <QBrush>
#include <QColor>
#include <QFileInfo>

#include <numeric>

namespace quorvane::app {

namespace {

/// Shown on the rows of a game whose accepted records disagree.
const QString kDisagreeMark = QStringLiteral(" (disagree)");
const QString kDisagreeTip =
    QStringLiteral("Accepted reports disagree on this game's flag: accept one of them, or none, to merge it.");

/// Tick for "1", cross for another flag, nothing for none (a new game's list flag).
QVariant FlagIcon(const std::string& flag, bool present)
{
    if (!present)
        return {};
    return Images::icon(flag == BootsFlag ? Images::GreenTick : Images::RedCross);
}

} // namespace

ReportTableModel::ReportTableModel(QObject* parent)
    : QAbstractTableModel(parent), acceptance_(std::make_unique<ReportAcceptance>(review_))
{}

ReportTableModel::~ReportTableModel() = default;

void ReportTableModel::SetReview(ReportReview review)
{
    beginResetModel();
    // The acceptance refers to the review: it goes first and comes back after.
    acceptance_.reset();
    review_ = std::move(review);
    acceptance_ = std::make_unique<ReportAcceptance>(review_);
    const std::vector<ReviewedRecord>& records = review_.Records();
    rows_.resize(records.size());
    std::iota(rows_.begin(), rows_.end(), std::size_t{0});
    std::stable_sort(rows_.begin(), rows_.end(),
                     [&records](std::size_t a, std::size_t b) { return records[a].game < records[b].game; });
    rowOf_.assign(rows_.size(), 0);
    for (std::size_t row = 0; row < rows_.size(); ++row)
        rowOf_[rows_[row]] = static_cast<int>(row);
    endResetModel();
    Q_EMIT acceptanceChanged();
}

int ReportTableModel::RowOf(std::size_t index) const
{
    return rowOf_[index];
}

QString ReportTableModel::KindWords(ReportKind kind)
{
    return kind == ReportKind::AddsNotes ? QStringLiteral("adds notes")
                                         : QString::fromLatin1(ReportReview::KindText(kind));
}

MergedList ReportTableModel::Merge(const QString& mainListFile, const std::string& version)
{
    MergedList merged = review_.Merge(mainListFile, acceptance_->Choice(version));
    // The merge reviewed the reports again: a list changed meanwhile may
    // have changed their kinds.
    Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1));
    return merged;
}

void ReportTableModel::AcceptKind(ReportKind kind)
{
    Changed(acceptance_->AcceptKind(kind));
}

int ReportTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int ReportTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ReportTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    const std::size_t i = RecordAt(index.row());
    const ReviewedRecord& record = review_.Records()[i];
    const bool disagrees = acceptance_->Disagrees(i);
    const auto text = [&](int column) -> QString {
        switch (column) {
        case AcceptColumn: return {};
        case KindColumn: return KindWords(record.kind) + (disagrees ? kDisagreeMark : QString());
        case NameColumn: return Utf8Text::Decode(record.fields[NameField]);
        case IdColumn: return Utf8Text::Decode(record.fields[IdField]);
        case ListFlagColumn: return Utf8Text::Decode(record.listGood);
        case ReportFlagColumn: return Utf8Text::Decode(record.fields[GoodField]);
        case NotesColumn: return Utf8Text::Decode(record.fields[NotesField]);
        case InstructionsColumn: return Utf8Text::Decode(record.fields[InstField]);
        case NickColumn: return Utf8Text::Decode(record.fields[NickField]);
        case ReportColumn: return QFileInfo(review_.Reports()[record.report].path).fileName();
        default: return {};
        }
    };
    switch (role) {
    case Qt::DisplayRole: return text(index.column());
    case Qt::CheckStateRole:
        if (index.column() == AcceptColumn)
            return acceptance_->Accepted(i) ? Qt::Checked : Qt::Unchecked;
        return {};
    case Qt::DecorationRole:
        if (index.column() == ListFlagColumn)
            return FlagIcon(record.listGood, record.kind != ReportKind::New);
        if (index.column() == ReportFlagColumn)
            return FlagIcon(record.fields[GoodField], true);
        return {};
    case Qt::BackgroundRole:
        if (disagrees)
            return QBrush(QColor(255, 221, 221));
        return {};
    case Qt::ToolTipRole:
        if (disagrees)
            return kDisagreeTip;
        if (index.column() == ReportColumn)
            return review_.Reports()[record.report].path;
        return {};
    case KindRole: return static_cast<int>(record.kind);
    case SortRole:
        if (index.column() == AcceptColumn)
            return acceptance_->Accepted(i) ? 1 : 0;
        return text(index.column());
    default: return {};
    }
}

QVariant ReportTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const char* const titles[ColumnCount] = {"Accept", "Kind",  "Name",         "ID",   "List's flag",
                                                    "Flag",   "Notes", "Instructions", "Nick", "Report"};
    return section >= 0 && section < ColumnCount ? QString::fromLatin1(titles[section]) : QVariant();
}

Qt::ItemFlags ReportTableModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    if (index.isValid() && index.column() == AcceptColumn) {
        flags |= Qt::ItemIsUserCheckable;
        if (!acceptance_->CanAccept(RecordAt(index.row())))
            flags &= ~Qt::ItemIsEnabled;
    }
    return flags;
}

bool ReportTableModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || index.column() != AcceptColumn || role != Qt::CheckStateRole)
        return false;
    const bool accept = value.toInt() == Qt::Checked;
    Changed(acceptance_->Accept(RecordAt(index.row()), accept));
    return true;
}

void ReportTableModel::Changed(const std::vector<std::size_t>& records)
{
    if (records.empty())
        return;
    // An acceptance changes the marks of every row of its game, and a game's
    // rows may stand anywhere once sorted: all rows are repainted.
    Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1));
    Q_EMIT acceptanceChanged();
}

void ReportFilterModel::SetKind(std::optional<ReportKind> kind)
{
    kind_ = kind;
    invalidateFilter();
}

bool ReportFilterModel::filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const
{
    if (!kind_)
        return true;
    const QModelIndex index = sourceModel()->index(sourceRow, 0, sourceParent);
    return index.data(ReportTableModel::KindRole).toInt() == static_cast<int>(*kind_);
}

} // namespace quorvane::app
