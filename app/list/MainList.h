#pragma once

#include "app/list/BootFilter.h"
#include "app/list/ListItem.h"
#include "app/list/ListPath.h"
#include "app/list/ListSink.h"
#include "app/list/ListState.h"
#include "app/list/RecordWalk.h"
#include "app/list/StatusSink.h"

#include <QString>

#include <array>
#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

namespace quorvane::xml {
class XmlDocument;
} // namespace quorvane::xml

namespace quorvane::app {

/// Result of the start-up load.
enum class StartupLoad {
    /// "gcmList.xml" was loaded, counted, and the List Summary written.
    Loaded,
    /// There is no file "gcmList.xml" (nothing, or a folder, by that name):
    /// nothing was loaded and nothing written; the caller asks whether to
    /// download it.
    MainListMissing,
};

/// Which of the two List Files a command works on.
enum class ListKind {
    /// The Main List, "gcmList.xml", loaded at start-up and by a reload.
    Main,
    /// The Custom List, "custGCMList.xml", loaded by "Show Custom List GCM's".
    Custom,
};

/// What a search found, for the count the window and the command line show.
struct SearchCount {
    /// The list searched.
    ListKind list = ListKind::Main;
    /// Records shown.
    int found = 0;
    /// Every record of the list searched, the bootable filter aside.
    int total = 0;
    /// The text was empty or only blanks: the whole list is shown, with no
    /// count to tell.
    bool wholeList = false;

    /// "Found 5 of 201." for the Main List, "Found 1 of 3 in the Custom
    /// List." for the Custom List; empty for a whole list.
    QString Text() const;
};

class RecordTable;
class SearchIndex;

/// The list logic behind the Main Window: the Main List's document (`XMLDoc`),
/// the Custom List's document of its own, "the list shown" and the list state,
/// with one operation per command. The window owns one MainList for the whole
/// run and forwards each handler to it; the command line does the same.
///
/// The Main List stays loaded until a reload replaces it. "The list shown" is
/// the Main List until a Show command or a reload names the other one; Search
/// and the export work on it.
///
/// Every operation either completes or throws; nothing is rolled back on a
/// throw, except that ReloadMainList and LoadCustomList change nothing then.
/// Failures carry the message the error box shows: the XML layer's ("No
/// active document", "Cannot open file ...", parse errors, "Element does not
/// contain a single text node", ...) or ListError's (input/output errors,
/// characters a list file cannot carry).
/// When a walk fails in the middle, the items added so far stay in the sink,
/// the counts keep what they reached, and the status panel is not rewritten.
class MainList {
public:
    /// `folder` holds the list files; empty means the working directory at the
    /// time of each call. File names in messages are full paths.
    explicit MainList(QString folder = QString());
    ~MainList();
    MainList(const MainList&) = delete;
    MainList& operator=(const MainList&) = delete;

    /// The Main Window's start-up load (`FormCreate`): GCMCount = 0; when
    /// `fileName` (default "gcmList.xml", relative names in the folder) exists,
    /// load it, count its records (reading all seven fields of each, which
    /// completes records lacking one) and call ShowListSummary.
    /// Throws on an unreadable or malformed file (no document afterwards) and on
    /// a record that cannot be read (document stays loaded, GCMCount holds the
    /// records counted before it, no summary written).
    StartupLoad LoadMainList(StatusSink& status, const QString& fileName = QString());
    /// LoadMainList with `read` doing the start-up walk's reading: it is
    /// called for every record in document order and must read all seven
    /// fields (as RecordWalk::ReadTexts does), which completes the record.
    /// Lets a caller that needs the texts read each record once.
    StartupLoad LoadMainList(StatusSink& status, const QString& fileName,
                             const std::function<void(RecordWalk::Record&)>& read);

    /// LoadMainList whose one walk also counts every record by the boot test,
    /// under no filter, into GoodCount and BadCount (both reset first), so the
    /// List Summary carries the list's real counts as the window's start-up
    /// summary does. The command line's `summary`. A record that cannot be
    /// read ends the walk uncounted, as in LoadMainList.
    StartupLoad LoadAndCountMainList(StatusSink& status, const QString& fileName = QString());

    /// The Main Window's start-up load with the list on screen: as
    /// LoadMainList, but the one walk that counts the records also resets and
    /// counts GoodCount and BadCount and fills `view` under `filter`, as
    /// ShowMainList would, so the List Summary carries the counts. The Main List
    /// becomes the list shown. A record that cannot be read ends the walk as in
    /// LoadMainList; the items added before it stay in `view`.
    StartupLoad LoadAndShowMainList(BootFilter filter, ListSink& view, StatusSink& status);

    /// Reloads "gcmList.xml" into a fresh document in one walk (completing,
    /// counting and collecting the records under `filter`). Only when all of
    /// that succeeded does the fresh document replace the Main List's, with
    /// ListVersion, GCMCount and the counts recounted, `view` refilled, the
    /// List Summary written and the Main List made the list shown. On any
    /// failure it throws and nothing has changed: document, state, view and
    /// status are as they were.
    void ReloadMainList(BootFilter filter, ListSink& view, StatusSink& status);

    /// `ShowListSummary`: reads the loaded document's version into ListVersion
    /// (empty when the list has no VERSION or NUMBER) and writes the List
    /// Summary to `status`.
    void ShowListSummary(StatusSink& status);

    /// Search (`btnGCMSearchClick`) in the list shown: clears `view`, then adds
    /// every record that matches `text` by the search rule (NameMatcher: the
    /// name ignoring case and, for an ASCII text, marks; a game ID by its
    /// beginning; an empty or blank text matches every record), under
    /// `filter`, and tells what it found. Counts, status and the list shown
    /// are untouched.
    SearchCount Search(const QString& text, BootFilter filter, ListSink& view);
    /// Search in `list`, whichever list is shown.
    SearchCount Search(ListKind list, const QString& text, BootFilter filter, ListSink& view);

    /// The index a search of `list` for an ASCII text reads on the fast path,
    /// built for the default locale when there is none for it yet; null on the
    /// plain path and for a list whose records cannot all be read (the search
    /// then walks the document and fails where the plain path does). Raises
    /// "No active document" when `list` is not loaded. A load drops it.
    const SearchIndex* SearchIndexOf(ListKind list);

    /// "Show Palavera List GCM's" (`ShowALLGCMs1Click`): ShowList of the Main List.
    void ShowMainList(BootFilter filter, ListSink& view, StatusSink& status);

    /// "Show Custom List GCM's" (`ShowCustomListGCMs1Click`) as the command
    /// line runs it: resets the counts, clears `view`, then LoadCustomList and
    /// ShowList of the Custom List.
    void ShowCustomList(BootFilter filter, ListSink& view, StatusSink& status);

    /// Loads "custGCMList.xml" into a fresh document that becomes the Custom
    /// List's only when it loaded. A missing or unreadable file throws the XML
    /// layer's "Cannot open file "<full path>". <reason>", a malformed one the
    /// parse error; either way the Custom List's document stays as it was.
    void LoadCustomList();

    /// The records of "custGCMList.xml" in file order, read from a document of
    /// their own: neither list's document changes. Throws as LoadCustomList
    /// does, and on a record that cannot be read.
    std::vector<ListItem> ReadCustomListRows() const;

    /// Shows `list` from its loaded document, reading no file:
    /// GoodCount = BadCount = 0, clears `view`, makes `list` the list shown,
    /// adds its records under `filter`, counting them, then writes the List
    /// Summary to `status`. Raises "No active document" when `list` is not
    /// loaded (the counts are reset and the view is cleared by then).
    void ShowList(ListKind list, BootFilter filter, ListSink& view, StatusSink& status);

    /// "Export list to HTML" (`ExportlisttoHTML1Click`): writes every record of
    /// the list shown to "compat.htm", replacing the previous file only when
    /// the whole export succeeded. Returns the number of records written.
    std::size_t ExportHtml();

    /// "Save List" after the user said Yes (`btnWriteListClick`): writes `rows`
    /// (the editor's rows in the view's order; images are ignored) as
    /// "custGCMList.xml". Refuses rows the file cannot carry; on any failure the
    /// previous file stays as it was.
    void SaveCustomList(const std::vector<ListItem>& rows);

    const ListState& State() const { return state_; }

    /// "The list shown": the list Search and ExportHtml work on.
    ListKind ListShown() const { return shown_; }
    /// True when `list` has a document loaded.
    bool IsLoaded(ListKind list) const;

    /// Which way fields are read and names searched (fast unless a test or a
    /// fuzz target asks for the plain path); set it before loading a list.
    /// The order of a view is its collator's.
    void SetPath(ListPath path);
    ListPath Path() const { return path_; }

    /// Full path of a list file named without a path.
    QString FilePath(const QString& fileName) const;

    /// The Main List's document (`XMLDoc`).
    xml::XmlDocument& Document();
    /// The document of `list`.
    xml::XmlDocument& Document(ListKind list);

private:
    /// An empty document read the way `path_` says.
    std::unique_ptr<xml::XmlDocument> NewDocument() const;
    /// Loads `fileName` (a missing name means "gcmList.xml") into the Main
    /// List's document when such a file exists, with GCMCount = 0 first.
    StartupLoad LoadMainListFile(const QString& fileName);
    /// Adds the records of `list` under `filter`, counting them.
    void AddCounted(ListKind list, BootFilter filter, ListSink& view);
    /// SearchIndexOf from a walk's start.
    const SearchIndex* SearchIndexFrom(ListKind list, const RecordWalk::Start& start);
    /// Every record of `list` from a walk's start as the views show it, read
    /// once on the fast path and kept until a load: what Show and Search
    /// hand the view there. Null on the plain path, for the Custom List (a
    /// Show of it reads only the records it shows), and for a list whose
    /// records cannot all be read (the commands then walk the document and
    /// fail where the plain path does).
    std::shared_ptr<const RecordTable> TableFrom(ListKind list, const RecordWalk::Start& start);
    /// Forgets the search index and the table of `list`, whose document changed.
    void DropSearchIndex(ListKind list);

    QString folder_;
    ListState state_;
    ListPath path_ = ListPath::Fast;
    std::unique_ptr<xml::XmlDocument> document_;
    std::unique_ptr<xml::XmlDocument> customDocument_;
    ListKind shown_ = ListKind::Main;
    /// Per list (Main, Custom): the search index and the table, once built.
    struct Indexed {
        std::unique_ptr<SearchIndex> index;
        /// The last build failed on a record that cannot be read.
        bool unreadable = false;
        std::shared_ptr<const RecordTable> table;
        /// Reading the table failed on a record that cannot be read.
        bool tableUnreadable = false;
    };
    std::array<Indexed, 2> indexes_;
};

} // namespace quorvane::app
