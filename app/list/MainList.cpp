#include "app/list/MainList.h"

#include "app/list/AtomicFileWriter.h"
#include "app/list/CustomListWriter.h"
#include "app/list/HtmlExporter.h"
#include "app/list/ListFileNames.h"
#include "app/list/RecordWalk.h"
#include "app/list/Utf8Text.h"
#include "xml/PlatformVendor.h"
#include "xml/XmlDocument.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QStringDecoder>

#include <unicode/ustring.h>

#include <algorithm>
#include <string>
#include <string_view>

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

// The search test: the name, upper-cased by the locale's rules, holds the
// upper-cased search text. Names of plain ASCII, which most are, are compared
// in place, folding ASCII letters: in every locale but Turkish and Azerbaijani
// (whose i becomes a dotted capital) that is what the locale's rules give for
// ASCII, and an ASCII name can only hold an ASCII text. Other names are
// upper-cased by ICU with the locale QLocale::toUpper passes it, into buffers
// kept from one name to the next.
class NameMatcher {
public:
    NameMatcher(const QLocale& locale, const QString& text)
        : locale_(locale),
          icuLocale_(locale.bcp47Name().toLatin1().replace('-', '_')),
          wanted_(locale.toUpper(text)),
          decoder_(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom)
    {
        asciiRules_ = locale.language() != QLocale::Turkish && locale.language() != QLocale::Azerbaijani;
        wantedIsAscii_ = std::all_of(wanted_.cbegin(), wanted_.cend(), [](QChar c) { return c.unicode() < 0x80; });
        if (wantedIsAscii_)
            wantedAscii_ = wanted_.toLatin1().toStdString();
    }

    bool Matches(std::string_view name) const
    {
        if (asciiRules_ && IsAscii(name)) {
            if (!wantedIsAscii_)
                return false;
            return ContainsFoldingAscii(name);
        }
        return UpperCased(name).find(std::u16string_view(reinterpret_cast<const char16_t*>(wanted_.utf16()),
                                                         static_cast<std::size_t>(wanted_.size()))) !=
               std::u16string_view::npos;
    }

private:
    static bool IsAscii(std::string_view text)
    {
        return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    }

    static char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

    // `wantedAscii_` (upper case) occurs in `name` with its ASCII letters
    // upper-cased.
    bool ContainsFoldingAscii(std::string_view name) const
    {
        const std::size_t length = wantedAscii_.size();
        if (length == 0)
            return true;
        if (length > name.size())
            return false;
        const char first = wantedAscii_[0];
        for (std::size_t at = 0; at + length <= name.size(); ++at) {
            if (UpperAscii(name[at]) != first)
                continue;
            std::size_t i = 1;
            while (i < length && UpperAscii(name[at + i]) == wantedAscii_[i])
                ++i;
            if (i == length)
                return true;
        }
        return false;
    }

    // The name decoded as Utf8Text::Decode does and upper-cased as
    // QLocale::toUpper does; valid until the next call.
    std::u16string_view UpperCased(std::string_view name) const
    {
        const QByteArrayView bytes(name.data(), static_cast<qsizetype>(name.size()));
        // UTF-8 never takes more UTF-16 units than bytes.
        decoded_.resize(name.size() + 1);
        const QChar* end = decoder_.appendToBuffer(reinterpret_cast<QChar*>(decoded_.data()), bytes);
        const auto length = static_cast<int32_t>(end - reinterpret_cast<const QChar*>(decoded_.data()));
        for (;;) {
            UErrorCode status = U_ZERO_ERROR;
            const int32_t needed = u_strToUpper(upper_.data(), static_cast<int32_t>(upper_.size()), decoded_.data(),
                                                length, icuLocale_.constData(), &status);
            if (status == U_BUFFER_OVERFLOW_ERROR) {
                upper_.resize(static_cast<std::size_t>(needed));
                continue;
            }
            if (U_FAILURE(status))
                break;
            return std::u16string_view(upper_.data(), static_cast<std::size_t>(needed));
        }
        // QLocale::toUpper falls back on Qt's own rules when ICU fails.
        fallback_ = locale_.toUpper(Utf8Text::Decode(name));
        return std::u16string_view(reinterpret_cast<const char16_t*>(fallback_.utf16()),
                                   static_cast<std::size_t>(fallback_.size()));
    }

    QLocale locale_;
    QByteArray icuLocale_;
    QString wanted_;
    bool asciiRules_ = false;
    bool wantedIsAscii_ = false;
    std::string wantedAscii_;
    mutable QStringDecoder decoder_;
    mutable std::u16string decoded_;
    mutable std::u16string upper_ = std::u16string(64, u'\0');
    mutable QString fallback_;
};

// Loads a file into the document through its string list and activates it.
// A file that cannot be read leaves the document as it was; a malformed one
// leaves it inactive.
void Load(xml::XmlDocument& document, const QString& path)
{
    document.XML().LoadFromFile(QFile::encodeName(path).toStdString());
    document.SetActive(true);
}

} // namespace

MainList::MainList(QString folder) : folder_(std::move(folder))
{
    // The parser is normally set up at program start; setting it up is
    // idempotent, so a MainList works on its own too (tests, fuzzing).
    xml::InitParser();
    document_ = std::make_unique<xml::XmlDocument>(xml::PlatformVendor);
}

MainList::~MainList() = default;

xml::XmlDocument& MainList::Document()
{
    return *document_;
}

QString MainList::FilePath(const QString& fileName) const
{
    const QDir folder(folder_.isEmpty() ? QDir::currentPath() : folder_);
    return QDir::cleanPath(folder.absoluteFilePath(fileName));
}

StartupLoad MainList::LoadMainList(StatusSink& status, const QString& fileName)
{
    state_.GCMCount = 0;
    const QString path = FilePath(fileName.isEmpty() ? QString(MainListFileName) : fileName);
    // Only a file counts: a folder (or anything else) of that name is no
    // Main List, so the user is asked whether to download one.
    if (!QFileInfo(path).isFile())
        return StartupLoad::MainListMissing;

    xml::XmlDocument& document = Document();
    Load(document, path);
    // Reading every field completes records that lack one, so later walks of
    // this document find all seven elements.
    RecordWalk::ForEach(document, [this](RecordWalk::Record& record) {
        RecordWalk::ReadAllFields(record);
        ++state_.GCMCount;
    });
    ShowListSummary(status);
    return StartupLoad::Loaded;
}

void MainList::ShowListSummary(StatusSink& status)
{
    state_.ListVersion = RecordWalk::ReadVersion(Document());
    status.SetStatusText(state_.Summary());
}

void MainList::Search(const QString& text, BootFilter filter, ListSink& view)
{
    view.Clear();
    Filling(view, [&] {
        const RecordWalk::Start start = RecordWalk::FirstRecord(Document());
        // An empty search text matches no record.
        if (text.isEmpty())
            return;
        const NameMatcher matcher(QLocale::system(), text);
        std::string storage;
        RecordWalk::ForEachFrom(start, [&](RecordWalk::Record& record) {
            if (!matcher.Matches(RecordWalk::NameView(record, storage)))
                return;
            // The boot test only reads (it creates nothing), so it can wait
            // until the name matches.
            const bool boots = RecordWalk::Boots(record);
            if (!boots && filter == BootFilter::BootableOnly)
                return;
            view.AddItem(RecordWalk::ReadItem(record, boots ? BootImage::Tick : BootImage::Cross));
        });
    });
}

void MainList::ShowMainList(BootFilter filter, ListSink& view, StatusSink& status)
{
    state_.GoodCount = 0;
    state_.BadCount = 0;
    view.Clear();
    Filling(view, [&] { AddCounted(filter, view); });
    status.SetStatusText(state_.Summary());
}

void MainList::ShowCustomList(BootFilter filter, ListSink& view, StatusSink& status)
{
    state_.GoodCount = 0;
    state_.BadCount = 0;
    view.Clear();
    Filling(view, [&] {
        Load(Document(), FilePath(CustomListFileName));
        AddCounted(filter, view);
    });
    status.SetStatusText(state_.Summary());
}

void MainList::AddCounted(BootFilter filter, ListSink& view)
{
    RecordWalk::ForEach(Document(), [&](RecordWalk::Record& record) {
        if (RecordWalk::Boots(record)) {
            view.AddItem(RecordWalk::ReadItem(record, BootImage::Tick));
            ++state_.GoodCount;
        } else if (filter == BootFilter::AllRecords) {
            view.AddItem(RecordWalk::ReadItem(record, BootImage::Cross));
            ++state_.BadCount;
        }
    });
}

void MainList::ExportHtml()
{
    // The document is checked before the file is touched.
    const RecordWalk::Start start = RecordWalk::FirstRecord(Document());
    AtomicFileWriter file(FilePath(HtmlExportFileName));
    file.Write(HtmlExporter::Header());
    RecordWalk::ForEachFrom(start, [&file](RecordWalk::Record& record) {
        // The export writes GOOD as text and shows no image.
        file.Write(HtmlExporter::Record(RecordWalk::ReadItem(record, BootImage::Cross)));
    });
    file.Write(HtmlExporter::Footer());
    file.Commit();
}

void MainList::SaveCustomList(const std::vector<ListItem>& rows)
{
    CustomListWriter::Write(FilePath(CustomListFileName), rows);
}

} // namespace quorvane::app
