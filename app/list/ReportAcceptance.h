#pragma once

#include "app/list/ReportReview.h"

#include <cstddef>
#include <string>
#include <vector>

namespace quorvane::app {

/// Which records of a review the keepers accept, one by one, and the rule
/// that keeps a game's accepted records from disagreeing: accepting a record
/// drops the other accepted records of its game whose flag differs, as
/// `prefer` settles a disagreement in the merge. Records of a kind accepted
/// all at once may disagree; such games are marked (`Disagrees`) and left
/// out of the merge until one of their records is accepted on its own.
/// `Unclear` records are never accepted.
class ReportAcceptance {
public:
    /// Nothing accepted yet; `review` must have been reviewed and outlive this.
    explicit ReportAcceptance(const ReportReview& review);

    /// Whether record `index` (of ReportReview::Records()) may be accepted.
    bool CanAccept(std::size_t index) const;
    bool Accepted(std::size_t index) const { return accepted_[index]; }
    /// Accepts or drops record `index`; returns the records whose acceptance
    /// changed, `index` among them when it did.
    std::vector<std::size_t> Accept(std::size_t index, bool accept);
    /// Accepts every record of `kind` that may be accepted; returns those
    /// whose acceptance changed.
    std::vector<std::size_t> AcceptKind(ReportKind kind);
    /// Whether the accepted records of record `index`'s game disagree on the flag.
    bool Disagrees(std::size_t index) const;
    int AcceptedCount() const;

    /// The merge of the accepted records into a list of `version`.
    MergeChoice Choice(const std::string& version) const;

private:
    const ReportReview& review_;
    std::vector<bool> accepted_;
    /// The records of each game, by ReviewedRecord::game.
    std::vector<std::vector<std::size_t>> games_;
};

} // namespace quorvane::app
