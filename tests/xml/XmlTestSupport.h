#pragma once

#include "tests/support/ListFiles.h"
#include "tests/support/TempDir.h"
#include "xml/Ref.h"
#include "xml/XmlDocument.h"
#include "xml/XmlNode.h"
#include "xml/XmlNodeList.h"

#include <gtest/gtest.h>

#include <string>

namespace quorvane::xml::test {

using ::quorvane::test::CrLf;
using ::quorvane::test::TempDir;

/// Base fixture: the platform vendor is registered and a temporary folder exists.
class XmlTest : public ::testing::Test {
protected:
    XmlTest();
    void SetUp() override;

    /// Writes `bytes` to a file, loads it into `doc`'s string list the way
    /// the program does, and activates.
    void LoadFile(XmlDocument& doc, const std::string& bytes, const std::string& name = "list.xml");

    TempDir dir_{"quorvane-xml"};
};

} // namespace quorvane::xml::test
