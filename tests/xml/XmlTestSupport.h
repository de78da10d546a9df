#pragma once

#include "xml/Ref.h"
#include "xml/XmlDocument.h"
#include "xml/XmlNode.h"
#include "xml/XmlNodeList.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace quorvane::xml::test {

/// A fresh directory under the system's temporary folder, removed afterwards.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    /// Writes `bytes` to `name` inside the directory; returns the full path.
    std::string Write(const std::string& name, const std::string& bytes) const;

private:
    std::filesystem::path path_;
};

/// Base fixture: the "libxml2" vendor is registered and a temp dir exists.
class XmlTest : public ::testing::Test {
protected:
    XmlTest();
    void SetUp() override;

    /// Writes `bytes` to a file, loads it into `doc`'s string list the way
    /// the program does, and activates.
    void LoadFile(XmlDocument& doc, const std::string& bytes, const std::string& name = "list.xml");

    TempDir dir_;
};

/// Lines joined with CR LF, each line ended.
std::string CrLf(std::initializer_list<std::string> lines);

} // namespace quorvane::xml::test
