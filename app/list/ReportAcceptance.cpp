#include "app/list/ReportAcceptance.h"

#include <algorithm>

namespace quorvane::app {

ReportAcceptance::ReportAcceptance(const ReportReview& review)
    : review_(review), accepted_(review.Records().size(), false)
{
    const std::vector<ReviewedRecord>& records = review.Records();
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (records[i].game >= games_.size())
            games_.resize(records[i].game + 1);
        games_[records[i].game].push_back(i);
    }
}

bool ReportAcceptance::CanAccept(std::size_t index) const
{
    return review_.Records()[index].kind != ReportKind::Unclear;
}

std::vector<std::size_t> ReportAcceptance::Accept(std::size_t index, bool accept)
{
    std::vector<std::size_t> changed;
    if (accept && !CanAccept(index))
        return changed;
    if (accepted_[index] != accept) {
        accepted_[index] = accept;
        changed.push_back(index);
    }
    if (!accept)
        return changed;
    const std::vector<ReviewedRecord>& records = review_.Records();
    const std::string& flag = records[index].fields[GoodField];
    for (const std::size_t other : games_[records[index].game]) {
        if (accepted_[other] && records[other].fields[GoodField] != flag) {
            accepted_[other] = false;
            changed.push_back(other);
        }
    }
    return changed;
}

std::vector<std::size_t> ReportAcceptance::AcceptKind(ReportKind kind)
{
    std::vector<std::size_t> changed;
    const std::vector<ReviewedRecord>& records = review_.Records();
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (records[i].kind == kind && CanAccept(i) && !accepted_[i]) {
            accepted_[i] = true;
            changed.push_back(i);
        }
    }
    return changed;
}

bool ReportAcceptance::Disagrees(std::size_t index) const
{
    const std::vector<ReviewedRecord>& records = review_.Records();
    const std::string* flag = nullptr;
    for (const std::size_t i : games_[records[index].game]) {
        if (!accepted_[i])
            continue;
        if (flag && *flag != records[i].fields[GoodField])
            return true;
        flag = &records[i].fields[GoodField];
    }
    return false;
}

int ReportAcceptance::AcceptedCount() const
{
    return static_cast<int>(std::count(accepted_.begin(), accepted_.end(), true));
}

MergeChoice ReportAcceptance::Choice(const std::string& version) const
{
    MergeChoice choice;
    choice.version = version;
    choice.records = accepted_;
    // An empty set would mean "by kind": a set with nothing accepted keeps
    // one entry past the records, which no record matches.
    if (choice.records.empty())
        choice.records.push_back(false);
    return choice;
}

} // namespace quorvane::app
