#pragma once

#include "app/list/ListItem.h"
#include "app/list/ListSink.h"

#include <QString>

#include <vector>

namespace quorvane::app {

class MainList;

/// The Custom List editor's records between the file and the window: it opens
/// the editor with the records of "custGCMList.xml", keeps the one
/// unsaved-changes flag, and saves so that no saved record is lost unseen.
/// The window owns the rows (its view) and tells the editor when the user
/// changed them.
class CustomListEditor {
public:
    /// Reads and writes the Custom List of `list`'s folder; `list` outlives
    /// the editor.
    explicit CustomListEditor(MainList& list);

    /// Fills `rows` (cleared first) with the records of "custGCMList.xml" in
    /// file order when such a file exists; with no file the editor starts
    /// empty. A file that does not load leaves `rows` empty, is remembered as
    /// unreadable and throws the load's error, so the caller reports it once.
    /// Clears the unsaved-changes flag either way.
    void Open(ListSink& rows);

    /// True when a row has neither a game name nor a game ID: both are empty
    /// or only white space. Such a row is refused.
    static bool IsBlank(const ListItem& row);

    /// The user added, removed or renamed a row.
    void MarkChanged() { changed_ = true; }
    /// True from a change until the next Open or successful Save.
    bool HasUnsavedChanges() const { return changed_; }
    /// True while a file that did not load at Open is still in place.
    bool KeepsUnreadableFile() const { return unreadable_; }

    /// True when "custGCMList.xml" changed on disk since Open or the last
    /// successful Save: its bytes differ from those read or written then (a
    /// file now there where there was none counts too). A file that is gone
    /// counts as unchanged, as do one that cannot be read (writing it fails
    /// with its own error) and one that did not load at Open (Save keeps it
    /// aside).
    bool FileChangedOnDisk() const;

    /// "Save List": writes `rows` (the view's order) as "custGCMList.xml",
    /// replacing the file only when the whole write
    /// succeeded. When the file did not load at Open, it is first kept as
    /// "custGCMList.xml.unreadable" (replacing an older copy of that name).
    /// Throws on any failure (a row the file cannot carry, InOutError), and
    /// the flag stays set; on success the flag is cleared.
    void Save(const std::vector<ListItem>& rows);

private:
    static QByteArray Digest(const QByteArray& bytes);

    MainList& list_;
    /// The SHA-256 of the file's bytes as last read or written; empty while
    /// there was no file.
    QByteArray known_;
    bool changed_ = false;
    bool unreadable_ = false;
};

} // namespace quorvane::app
