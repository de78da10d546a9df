#include "app/list/MainList.h"

#include "app/list/AtomicFileWriter.h"
#include "app/list/CustomListWriter.h"
#include "app/list/HtmlExporter.h"
#include "app/list/ListFileNames.h"
#include "app/list/NameMatcher.h"
#include "app/list/RecordTable.h"
#include "app/list/RecordWalk.h"
#include "app/list/SearchIndex.h"
#include "xml/PlatformVendor.h"
#include "xml/XmlDocument.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>

#include <exception>
#include <string>

namespace quorvane::app {

namespace {

// Runs a fill and tells the sink it has ended, also when the fill throws, so
// a view that sorts once after a fill is sorted in both cases.
template <class Fill>
void Filling(ListSink& view, Fill&& fill)
{
    try {
        fill();
    } catch (...) {
        view.FillFinished();
        throw;
    }
    view.FillFinished();
}

// Loads a file into the document through its string list and activates it.
// A file that cannot be read leaves the document as it was; a malformed one
// leaves it inactive.
void Load(xml::XmlDocument& document, const QString& path)
{
    document.XML().LoadFromFile(QFile::encodeName(path).toStdString());
    document.SetActive(true);
}

// Walks `document` once as start-up does: reads all seven fields of every
// record (which completes records lacking one) and counts it in GCMCount; the
// records `filter` shows go to `add` as items and are counted as good or bad.
// A record that cannot be read ends the walk before it is counted.
template <class Add>
void CompleteAndCount(xml::XmlDocument& document, BootFilter filter, ListState& counts, Add&& add)
{
    RecordWalk::ForEach(document, [&](RecordWalk::Record& record) {
        // The boot test creates nothing, so it sees the record as the file has it.
        const bool boots = RecordWalk::Boots(record);
        if (boots || filter == BootFilter::AllRecords) {
            add(RecordWalk::ReadItem(record, boots ? BootImage::Tick : BootImage::Cross));
            ++(boots ? counts.GoodCount : counts.BadCount);
        } else {
            RecordWalk::ReadAllFields(record);
        }
        ++counts.GCMCount;
    });
}

// Reads a walk's records into a table, one after the other.
class Tabulator {
public:
    explicit Tabulator(RecordTable& table) : table_(table) {}

    /// Appends `record`: the boot test first (it creates nothing), then all
    /// seven fields, which completes the record. Returns its number.
    RecordTable::Row Append(RecordWalk::Record& record)
    {
        const bool boots = RecordWalk::Boots(record);
        RecordWalk::ReadViews(record, texts_, storage_);
        const auto row = static_cast<RecordTable::Row>(table_.Size());
        table_.Append(texts_, boots ? BootImage::Tick : BootImage::Cross);
        return row;
    }

private:
    RecordTable& table_;
    std::array<std::string_view, RecordTable::Fields> texts_;
    std::array<std::string, RecordTable::Fields> storage_;
};

// CompleteAndCount reading every record into `table` as well (records that
// cannot be read fail the same way, before they are counted): the records
// `filter` shows go to `shown` by number.
void CompleteCountAndTabulate(xml::XmlDocument& document, BootFilter filter, ListState& counts, RecordTable& table,
                              std::vector<RecordTable::Row>& shown)
{
    Tabulator reader(table);
    RecordWalk::ForEach(document, [&](RecordWalk::Record& record) {
        const RecordTable::Row row = reader.Append(record);
        const bool boots = table.Image(row) == BootImage::Tick;
        if (boots || filter == BootFilter::AllRecords) {
            shown.push_back(row);
            ++(boots ? counts.GoodCount : counts.BadCount);
        }
        ++counts.GCMCount;
    });
}

} // namespace

MainList::MainList(QString folder) : folder_(std::move(folder))
{
    // The parser is normally set up at program start; setting it up is
    // idempotent, so a MainList works on its own too (tests, fuzzing).
    xml::InitParser();
    document_ = NewDocument();
    customDocument_ = NewDocument();
}

MainList::~MainList() = default;

QString SearchCount::Text() const
{
    if (wholeList)
        return QString();
    if (list == ListKind::Custom)
        return QStringLiteral("Found %1 of %2 in the Custom List.").arg(found).arg(total);
    return QStringLiteral("Found %1 of %2.").arg(found).arg(total);
}

void MainList::SetPath(ListPath path)
{
    path_ = path;
    DropSearchIndex(ListKind::Main);
    DropSearchIndex(ListKind::Custom);
    const xml::ReadPath reading = path == ListPath::Plain ? xml::ReadPath::Plain : xml::ReadPath::Fast;
    document_->SetReading(reading);
    customDocument_->SetReading(reading);
}

std::unique_ptr<xml::XmlDocument> MainList::NewDocument() const
{
    auto document = std::make_unique<xml::XmlDocument>(xml::PlatformVendor);
    document->SetReading(path_ == ListPath::Plain ? xml::ReadPath::Plain : xml::ReadPath::Fast);
    return document;
}

xml::XmlDocument& MainList::Document()
{
    return *document_;
}

xml::XmlDocument& MainList::Document(ListKind list)
{
    return list == ListKind::Main ? *document_ : *customDocument_;
}

bool MainList::IsLoaded(ListKind list) const
{
    return (list == ListKind::Main ? document_ : customDocument_)->Active();
}

QString MainList::FilePath(const QString& fileName) const
{
    const QDir folder(folder_.isEmpty() ? QDir::currentPath() : folder_);
    return QDir::cleanPath(folder.absoluteFilePath(fileName));
}

StartupLoad MainList::LoadMainListFile(const QString& fileName)
{
    state_.GCMCount = 0;
    const QString path = FilePath(fileName.isEmpty() ? QString(MainListFileName) : fileName);
    // Only a file counts: a folder (or anything else) of that name is no
    // Main List, so the user is asked whether to download one.
    if (!QFileInfo(path).isFile())
        return StartupLoad::MainListMissing;
    shown_ = ListKind::Main;
    DropSearchIndex(ListKind::Main);
    Load(Document(), path);
    return StartupLoad::Loaded;
}

StartupLoad MainList::LoadMainList(StatusSink& status, const QString& fileName)
{
    if (LoadMainListFile(fileName) == StartupLoad::MainListMissing)
        return StartupLoad::MainListMissing;
    // Reading every field completes records that lack one, so later walks of
    // this document find all seven elements.
    RecordWalk::ForEach(Document(), [this](RecordWalk::Record& record) {
        RecordWalk::ReadAllFields(record);
        ++state_.GCMCount;
    });
    ShowListSummary(status);
    return StartupLoad::Loaded;
}

StartupLoad MainList::LoadMainList(StatusSink& status, const QString& fileName,
                                   const std::function<void(RecordWalk::Record&)>& read)
{
    if (LoadMainListFile(fileName) == StartupLoad::MainListMissing)
        return StartupLoad::MainListMissing;
    RecordWalk::ForEach(Document(), [this, &read](RecordWalk::Record& record) {
        read(record);
        ++state_.GCMCount;
    });
    ShowListSummary(status);
    return StartupLoad::Loaded;
}

StartupLoad MainList::LoadAndCountMainList(StatusSink& status, const QString& fileName)
{
    state_.GoodCount = 0;
    state_.BadCount = 0;
    if (LoadMainListFile(fileName) == StartupLoad::MainListMissing)
        return StartupLoad::MainListMissing;
    RecordWalk::ForEach(Document(), [this](RecordWalk::Record& record) {
        ++(RecordWalk::ReadAllFieldsAndBoots(record) ? state_.GoodCount : state_.BadCount);
        ++state_.GCMCount;
    });
    ShowListSummary(status);
    return StartupLoad::Loaded;
}

StartupLoad MainList::LoadAndShowMainList(BootFilter filter, ListSink& view, StatusSink& status)
{
    state_.GoodCount = 0;
    state_.BadCount = 0;
    if (LoadMainListFile(QString()) == StartupLoad::MainListMissing)
        return StartupLoad::MainListMissing;
    view.Clear();
    Filling(view, [&] {
        if (path_ == ListPath::Plain) {
            CompleteAndCount(Document(), filter, state_, [&view](ListItem item) { view.AddItem(std::move(item)); });
            return;
        }
        auto table = std::make_shared<RecordTable>();
        std::vector<RecordTable::Row> shown;
        try {
            CompleteCountAndTabulate(Document(), filter, state_, *table, shown);
        } catch (...) {
            // The records before the one that failed are shown, as the plain
            // path shows them; later commands walk the document and fail there.
            indexes_[static_cast<std::size_t>(ListKind::Main)].tableUnreadable = true;
            view.AddRows(std::move(table), std::move(shown));
            throw;
        }
        indexes_[static_cast<std::size_t>(ListKind::Main)].table = table;
        view.AddRows(std::move(table), std::move(shown));
    });
    ShowListSummary(status);
    return StartupLoad::Loaded;
}

void MainList::ReloadMainList(BootFilter filter, ListSink& view, StatusSink& status)
{
    // Everything that can fail happens on the fresh document and on copies of
    // the state and the items; the window's state changes only after that.
    std::unique_ptr<xml::XmlDocument> fresh = NewDocument();
    Load(*fresh, FilePath(MainListFileName));
    ListState counted;
    std::vector<ListItem> items;
    std::shared_ptr<RecordTable> table;
    std::vector<RecordTable::Row> shown;
    if (path_ == ListPath::Plain) {
        CompleteAndCount(*fresh, filter, counted, [&items](ListItem item) { items.push_back(std::move(item)); });
    } else {
        table = std::make_shared<RecordTable>();
        CompleteCountAndTabulate(*fresh, filter, counted, *table, shown);
    }
    counted.ListVersion = RecordWalk::ReadVersion(*fresh);

    document_ = std::move(fresh);
    DropSearchIndex(ListKind::Main);
    indexes_[static_cast<std::size_t>(ListKind::Main)].table = table;
    state_ = std::move(counted);
    shown_ = ListKind::Main;
    view.Clear();
    Filling(view, [&] {
        if (table) {
            view.AddRows(std::move(table), std::move(shown));
            return;
        }
        for (ListItem& item : items)
            view.AddItem(std::move(item));
    });
    status.SetStatusText(state_.Summary());
}

void MainList::ShowListSummary(StatusSink& status)
{
    state_.ListVersion = RecordWalk::ReadVersion(Document());
    status.SetStatusText(state_.Summary());
}

SearchCount MainList::Search(const QString& text, BootFilter filter, ListSink& view)
{
    return Search(shown_, text, filter, view);
}

SearchCount MainList::Search(ListKind list, const QString& text, BootFilter filter, ListSink& view)
{
    SearchCount count;
    count.list = list;
    view.Clear();
    Filling(view, [&] {
        const RecordWalk::Start start = RecordWalk::FirstRecord(Document(list));
        // The default locale is the system's unless the application set one.
        const NameMatcher matcher(QLocale(), text, path_);
        count.wholeList = matcher.MatchesEverything();
        std::string nameStorage;
        std::string idStorage;
        // The search rule on a record of the document.
        const auto matches = [&](RecordWalk::Record& record) {
            if (count.wholeList || matcher.Matches(RecordWalk::NameView(record, nameStorage)))
                return true;
            std::string_view id;
            return matcher.LooksAtIds() && RecordWalk::FindText(record, "GAMEID", idStorage, id) &&
                   matcher.MatchesId(id);
        };
        const SearchIndex* index = nullptr;
        if (!count.wholeList && matcher.FoldsMarks())
            index = SearchIndexFrom(list, start);

        if (const std::shared_ptr<const RecordTable> table = TableFrom(list, start)) {
            count.total = static_cast<int>(table->Size());
            std::vector<RecordTable::Row> found;
            const auto take = [&](RecordTable::Row row) {
                if (filter == BootFilter::AllRecords || table->Image(row) == BootImage::Tick)
                    found.push_back(row);
            };
            if (count.wholeList) {
                for (RecordTable::Row row = 0; row < table->Size(); ++row)
                    take(row);
            } else if (index != nullptr && index->Size() == table->Size()) {
                for (RecordTable::Row row = 0; row < table->Size(); ++row) {
                    if (index->Matches(row, matcher))
                        take(row);
                }
            } else {
                // The table's records are the walk's, in its order.
                RecordTable::Row row = 0;
                RecordWalk::ForEachFrom(start, [&](RecordWalk::Record& record) {
                    const RecordTable::Row at = row++;
                    if (matches(record))
                        take(at);
                });
            }
            count.found = static_cast<int>(found.size());
            view.AddRows(table, std::move(found));
            return;
        }

        const auto show = [&](RecordWalk::Record& record) {
            // The boot test only reads (it creates nothing), so it can wait
            // until the record matches.
            const bool boots = RecordWalk::Boots(record);
            if (!boots && filter == BootFilter::BootableOnly)
                return;
            view.AddItem(RecordWalk::ReadItem(record, boots ? BootImage::Tick : BootImage::Cross));
            ++count.found;
        };
        if (index != nullptr) {
            count.total = static_cast<int>(index->Size());
            for (std::size_t i = 0; i < index->Size(); ++i) {
                if (!index->Matches(i, matcher))
                    continue;
                RecordWalk::Record record = RecordWalk::At(start, index->Position(i));
                show(record);
            }
            return;
        }
        RecordWalk::ForEachFrom(start, [&](RecordWalk::Record& record) {
            ++count.total;
            if (matches(record))
                show(record);
        });
    });
    return count;
}

std::shared_ptr<const RecordTable> MainList::TableFrom(ListKind list, const RecordWalk::Start& start)
{
    // Only the Main List: every load of it reads every field of every record,
    // which completes them all, so reading them for the table changes nothing
    // in its document. A Show of the Custom List reads only the records it shows.
    if (path_ == ListPath::Plain || list != ListKind::Main)
        return nullptr;
    Indexed& indexed = indexes_[static_cast<std::size_t>(list)];
    if (indexed.table)
        return indexed.table;
    if (indexed.tableUnreadable)
        return nullptr;
    auto table = std::make_shared<RecordTable>();
    try {
        Tabulator reader(*table);
        RecordWalk::ForEachFrom(start, [&reader](RecordWalk::Record& record) { reader.Append(record); });
    } catch (const std::exception&) {
        // The walk reaches the same record and fails there, after adding
        // the records before it, as the plain path does.
        indexed.tableUnreadable = true;
        return nullptr;
    }
    indexed.table = table;
    return table;
}

const SearchIndex* MainList::SearchIndexOf(ListKind list)
{
    return SearchIndexFrom(list, RecordWalk::FirstRecord(Document(list)));
}

const SearchIndex* MainList::SearchIndexFrom(ListKind list, const RecordWalk::Start& start)
{
    if (path_ == ListPath::Plain)
        return nullptr;
    Indexed& indexed = indexes_[static_cast<std::size_t>(list)];
    const QLocale locale;
    if (indexed.index && indexed.index->Locale() == locale)
        return indexed.index.get();
    if (indexed.unreadable)
        return nullptr;
    try {
        indexed.index = std::make_unique<SearchIndex>(start, locale);
    } catch (const std::exception&) {
        // The walk reaches the same record and fails there, after adding
        // the records before it, as the plain path does.
        indexed.index.reset();
        indexed.unreadable = true;
        return nullptr;
    }
    return indexed.index.get();
}

void MainList::DropSearchIndex(ListKind list)
{
    indexes_[static_cast<std::size_t>(list)] = Indexed();
}

void MainList::ShowMainList(BootFilter filter, ListSink& view, StatusSink& status)
{
    ShowList(ListKind::Main, filter, view, status);
}

void MainList::ShowCustomList(BootFilter filter, ListSink& view, StatusSink& status)
{
    state_.GoodCount = 0;
    state_.BadCount = 0;
    view.Clear();
    Filling(view, [&] {
        LoadCustomList();
        shown_ = ListKind::Custom;
        AddCounted(ListKind::Custom, filter, view);
    });
    status.SetStatusText(state_.Summary());
}

void MainList::LoadCustomList()
{
    std::unique_ptr<xml::XmlDocument> fresh = NewDocument();
    Load(*fresh, FilePath(CustomListFileName));
    customDocument_ = std::move(fresh);
    DropSearchIndex(ListKind::Custom);
}

std::vector<ListItem> MainList::ReadCustomListRows() const
{
    std::unique_ptr<xml::XmlDocument> document = NewDocument();
    Load(*document, FilePath(CustomListFileName));
    std::vector<ListItem> rows;
    RecordWalk::ForEach(*document, [&rows](RecordWalk::Record& record) {
        const bool boots = RecordWalk::Boots(record);
        rows.push_back(RecordWalk::ReadItem(record, boots ? BootImage::Tick : BootImage::Cross));
    });
    return rows;
}

void MainList::ShowList(ListKind list, BootFilter filter, ListSink& view, StatusSink& status)
{
    state_.GoodCount = 0;
    state_.BadCount = 0;
    view.Clear();
    shown_ = list;
    Filling(view, [&] { AddCounted(list, filter, view); });
    status.SetStatusText(state_.Summary());
}

void MainList::AddCounted(ListKind list, BootFilter filter, ListSink& view)
{
    const RecordWalk::Start start = RecordWalk::FirstRecord(Document(list));
    if (const std::shared_ptr<const RecordTable> table = TableFrom(list, start)) {
        std::vector<RecordTable::Row> shown;
        shown.reserve(table->Size());
        for (RecordTable::Row row = 0; row < table->Size(); ++row) {
            if (table->Image(row) == BootImage::Tick) {
                shown.push_back(row);
                ++state_.GoodCount;
            } else if (filter == BootFilter::AllRecords) {
                shown.push_back(row);
                ++state_.BadCount;
            }
        }
        view.AddRows(table, std::move(shown));
        return;
    }
    RecordWalk::ForEachFrom(start, [&](RecordWalk::Record& record) {
        if (RecordWalk::Boots(record)) {
            view.AddItem(RecordWalk::ReadItem(record, BootImage::Tick));
            ++state_.GoodCount;
        } else if (filter == BootFilter::AllRecords) {
            view.AddItem(RecordWalk::ReadItem(record, BootImage::Cross));
            ++state_.BadCount;
        }
    });
}

std::size_t MainList::ExportHtml()
{
    // The document is checked before the file is touched.
    const RecordWalk::Start start = RecordWalk::FirstRecord(Document(shown_));
    AtomicFileWriter file(FilePath(HtmlExportFileName));
    file.Write(HtmlExporter::Header());
    std::size_t written = 0;
    RecordWalk::ForEachFrom(start, [&file, &written](RecordWalk::Record& record) {
        // The export writes GOOD as text and shows no image.
        file.Write(HtmlExporter::Record(RecordWalk::ReadItem(record, BootImage::Cross)));
        ++written;
    });
    file.Write(HtmlExporter::Footer());
    file.Commit();
    return written;
}

void MainList::SaveCustomList(const std::vector<ListItem>& rows)
{
    CustomListWriter::Write(FilePath(CustomListFileName), rows);
}

} // namespace quorvane::app
