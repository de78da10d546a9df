#pragma once

#include "app/list/BootFilter.h"
#include "app/list/ListItem.h"
#include "app/list/ListPath.h"
#include "app/list/ListSink.h"
#include "app/list/ListState.h"
#include "app/list/StatusSink.h"

#include <QString>

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

/// The list logic behind the Main Window: its XML document (`XMLDoc`, holding
/// whichever List File was loaded last) and the list state, with one operation
/// per command. The window owns one MainList for the whole run and forwards
/// each handler to it; the command line does the same.
///
/// Every operation either completes or throws; nothing is rolled back on a
/// throw. Failures carry the message the error box shows: the XML layer's
/// ("No active document", "Cannot open file ...", parse errors, "Element does
/// not contain a single text node", ...) or ListError's (input/output errors,
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

    /// `ShowListSummary`: reads the loaded document's version into ListVersion
    /// (empty when the list has no VERSION or NUMBER) and writes the List
    /// Summary to `status`.
    void ShowListSummary(StatusSink& status);

    /// Search (`btnGCMSearchClick`): clears `view`, then adds every record whose
    /// game name contains `text` ignoring case, under `filter`. An empty text
    /// matches nothing. Counts and status are untouched.
    void Search(const QString& text, BootFilter filter, ListSink& view);

    /// "Show Palavera List GCM's" (`ShowALLGCMs1Click`): GoodCount = BadCount = 0,
    /// clears `view`, adds the records of the loaded document under `filter`,
    /// counting them, then writes the List Summary to `status`.
    void ShowMainList(BootFilter filter, ListSink& view, StatusSink& status);

    /// "Show Custom List GCM's" (`ShowCustomListGCMs1Click`): resets the counts,
    /// clears `view`, loads "custGCMList.xml" into the document, then as
    /// ShowMainList. A missing or unreadable file throws the XML layer's
    /// "Cannot open file "<full path>". <reason>" and keeps the previous
    /// document; a malformed one throws the parse error and leaves no document.
    void ShowCustomList(BootFilter filter, ListSink& view, StatusSink& status);

    /// "Export list to HTML" (`ExportlisttoHTML1Click`): writes every record of
    /// the loaded document to "compat.htm", replacing the previous file only when
    /// the whole export succeeded.
    void ExportHtml();

    /// "Save List" after the user said Yes (`btnWriteListClick`): writes `rows`
    /// (the editor's rows in the view's order; images are ignored) as
    /// "custGCMList.xml". Refuses rows the file cannot carry; on any failure the
    /// previous file stays as it was.
    void SaveCustomList(const std::vector<ListItem>& rows);

    const ListState& State() const { return state_; }

    /// Which way fields are read and names searched (fast unless a test or a
    /// fuzz target asks for the plain path); set it before loading a list.
    /// The order of a view is its collator's.
    void SetPath(ListPath path);
    ListPath Path() const { return path_; }

    /// Full path of a list file named without a path.
    QString FilePath(const QString& fileName) const;

    /// The Main Window's document (`XMLDoc`).
    xml::XmlDocument& Document();

private:
    /// Adds the document's records under `filter`, counting them.
    void AddCounted(BootFilter filter, ListSink& view);

    QString folder_;
    ListState state_;
    ListPath path_ = ListPath::Fast;
    std::unique_ptr<xml::XmlDocument> document_;
};

} // namespace quorvane::app
