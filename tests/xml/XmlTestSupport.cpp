#include "tests/xml/XmlTestSupport.h"

#include "xml/libxml2/ParserDomVendor.h"

#include <unistd.h>

#include <atomic>
#include <fstream>

namespace quorvane::xml::test {

TempDir::TempDir()
{
    static std::atomic<int> counter{0};
    path_ = std::filesystem::temp_directory_path() /
            ("quorvane-xml-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string TempDir::Write(const std::string& name, const std::string& bytes) const
{
    const std::filesystem::path file = path_ / name;
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return file.string();
}

// Registered before any fixture member document looks the vendor up.
XmlTest::XmlTest()
{
    ParserDomVendor::Install();
}

void XmlTest::SetUp()
{
    ParserDomVendor::Install();
}

void XmlTest::LoadFile(XmlDocument& doc, const std::string& bytes, const std::string& name)
{
    doc.XML().LoadFromFile(dir_.Write(name, bytes));
    doc.SetActive(true);
}

std::string CrLf(std::initializer_list<std::string> lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    return text;
}

} // namespace quorvane::xml::test
