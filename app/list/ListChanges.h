#pragma once

#include "app/list/CaptionCollator.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace quorvane::app {

class MainList;

/// What became of one game between two lists, in the order the views sort by.
enum class ChangeKind { New, Removed, NowBoots, NoLongerBoots, Changed };

/// A record's boot status in one of the two lists; None when the list does
/// not hold the record.
enum class BootStatus { None, Boots, DoesNotBoot };

/// One game that differs between the older and the newer list.
struct ListChange {
    ChangeKind kind = ChangeKind::Changed;
    /// The GAMEID and GAMENAME texts of the newer list's record (the older
    /// list's for a removed one).
    QString gameId;
    QString name;
    BootStatus oldStatus = BootStatus::None;
    BootStatus newStatus = BootStatus::None;
    /// The fields other than the ID and the boot flag whose texts differ, in
    /// record order: "name", "notes", "size", "nick", "instructions".
    QStringList fields;
};

/// How many changes of each kind a comparison found.
struct ChangeCounts {
    int added = 0;
    int removed = 0;
    int nowBoot = 0;
    int noLongerBoot = 0;
    int changed = 0;

    int Total() const { return added + removed + nowBoot + noLongerBoot + changed; }
    /// "Changes [N] New [a] Removed [b] Now boot [c] No longer boot [d] Changed [e]".
    QString Summary() const;
};

/// The comparison of an older and a newer list. Records are matched by their
/// GAMEID, blanks around it dropped and ASCII letters compared ignoring case
/// (as My Games matches images); of an ID listed more than once only the
/// first record in list order counts. Records with an empty ID are matched by
/// their GAMENAME (blanks around it dropped, exact) among the records with an
/// empty ID, again the first of each name. A record whose GOOD text went to or
/// from "1" now boots or no longer boots; any other record that differs in its
/// name, notes, size, nick or instructions is changed; equal records are not
/// reported.
class ListChanges {
public:
    /// Loads both List Files as the start-up load does (relative names in the
    /// working directory) and compares them. A file that is missing, or does
    /// not load, raises its usual message ("Cannot open file ...", a parse
    /// error, ...).
    static ListChanges Compare(const QString& olderFile, const QString& newerFile,
                               const CaptionCollator& collator = CaptionCollator());
    /// Compare with the two lists loaded into `older` and `newer`, which
    /// keep them (a caller may free them after it has used the result).
    static ListChanges Compare(MainList& older, const QString& olderFile, MainList& newer, const QString& newerFile,
                               const CaptionCollator& collator = CaptionCollator());

    /// Sorted by kind in the order of ChangeKind, then by name in the views'
    /// order; equal names keep list order.
    const std::vector<ListChange>& Changes() const { return changes_; }
    const ChangeCounts& Counts() const { return counts_; }

    /// "new", "removed", "now boots", "no longer boots", "changed".
    static QString KindText(ChangeKind kind);
    /// "boots", "does not boot", or empty for None.
    static QString StatusText(BootStatus status);

private:
    std::vector<ListChange> changes_;
    ChangeCounts counts_;
};

} // namespace quorvane::app
