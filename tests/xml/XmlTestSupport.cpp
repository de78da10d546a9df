#include "tests/xml/XmlTestSupport.h"

#include "xml/PlatformVendor.h"

namespace quorvane::xml::test {

// Registered before any fixture member document looks the vendor up.
XmlTest::XmlTest()
{
    InitParser();
}

void XmlTest::SetUp()
{
    InitParser();
}

void XmlTest::LoadFile(XmlDocument& doc, const std::string& bytes, const std::string& name)
{
    doc.XML().LoadFromFile(dir_.Write(name, bytes));
    doc.SetActive(true);
}

} // namespace quorvane::xml::test
