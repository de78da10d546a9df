// Treats the input as a downloaded Main List: the start-up load (parse,
// count, read every field, List Summary), the HTML export, showing and
// searching the list, then saving what was shown as the Custom List and
// showing that. The list file itself must come out byte for byte as it went
// in, and a Custom List that was saved must read back as the rows saved.
#include "app/list/ListFileNames.h"
#include "app/list/ListSink.h"
#include "app/list/MainList.h"
#include "app/list/StatusSink.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

class NullStatus : public quorvane::app::StatusSink {
public:
    void SetStatusText(const QString&) override {}
};

class CollectingSink : public quorvane::app::ListSink {
public:
    void Clear() override { items.clear(); }
    void AddItem(quorvane::app::ListItem item) override { items.push_back(std::move(item)); }
    std::vector<quorvane::app::ListItem> items;
};

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

const std::string& Folder()
{
    static const std::string folder = [] {
        std::string pattern = "/tmp/quorvane-fuzz-list-XXXXXX";
        if (std::getenv("TMPDIR") != nullptr)
            pattern = std::string(std::getenv("TMPDIR")) + "/quorvane-fuzz-list-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr)
            std::abort();
        return pattern;
    }();
    return folder;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::string listPath = Folder() + "/" + quorvane::app::MainListFileName;
    {
        std::ofstream out(listPath, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }

    quorvane::app::MainList list(QString::fromStdString(Folder()));
    NullStatus status;
    CollectingSink shown;
    bool loaded = false;
    try {
        list.LoadMainList(status);
        list.ExportHtml();
        list.Search(QStringLiteral("a"), quorvane::app::BootFilter::AllRecords, shown);
        list.ShowMainList(quorvane::app::BootFilter::AllRecords, shown, status);
        loaded = true;
    } catch (const std::exception&) {
        // A clear error is a fine outcome for a hostile file.
    }
    if (loaded) {
        bool saved = false;
        try {
            list.SaveCustomList(shown.items);
            saved = true;
        } catch (const std::exception&) {
            // Rows the file cannot carry are refused before anything is written.
        }
        if (saved) {
            CollectingSink reread;
            try {
                list.ShowCustomList(quorvane::app::BootFilter::AllRecords, reread, status);
            } catch (const std::exception&) {
                __builtin_trap(); // the program cannot read the file it wrote
            }
            if (reread.items != shown.items)
                __builtin_trap(); // the saved rows came back changed
            // The editor opens with the same rows, in file order.
            try {
                if (list.ReadCustomListRows() != shown.items)
                    __builtin_trap(); // the editor would open with other rows
            } catch (const std::exception&) {
                __builtin_trap();
            }
        }
    }
    if (ReadAll(listPath) != bytes)
        __builtin_trap(); // the input file was changed
    return 0;
}
