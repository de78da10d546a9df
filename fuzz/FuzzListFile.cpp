// Treats the input as a downloaded Main List: the start-up load (parse,
// count, read every field, List Summary) and then the HTML export, as the
// program runs them. The list file itself must come out byte for byte as it
// went in, whatever happens.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <iterator>
#include <string>

#include <QString>

#include "app/list/ListFileNames.h"
#include "app/list/MainList.h"
#include "app/list/StatusSink.h"

namespace {

class NullStatus : public quorvane::app::StatusSink {
public:
    void SetStatusText(const QString&) override {}
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

}  // namespace

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
    try {
        list.LoadMainList(status);
        list.ExportHtml();
    } catch (const std::exception&) {
        // A clear error is a fine outcome for a hostile file.
    }
    if (ReadAll(listPath) != bytes)
        __builtin_trap();  // the input file was changed
    return 0;
}
