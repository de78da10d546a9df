#include "tests/xml/XmlTestSupport.h"
#include "xml/DomParseError.h"

namespace quorvane::xml::test {
namespace {

class HostileEncodingTest : public XmlTest {};

// Each ASCII byte as one UTF-16 unit, no byte-order mark.
std::string Utf16NoMark(const std::string& ascii, bool bigEndian)
{
    std::string bytes;
    for (char c : ascii) {
        bytes += bigEndian ? '\0' : c;
        bytes += bigEndian ? c : '\0';
    }
    return bytes;
}

// Read as 8-bit lines, such a file ended at its first NUL: little-endian
// failed on "<", big-endian loaded as an empty document and lost every record.
TEST_F(HostileEncodingTest, Utf16WithoutByteOrderMarkLoadsByItsDeclaration)
{
    const std::string text = "<?xml version=\"1.0\" "
                             "encoding=\"UTF-16\"?>\r\n<IMAGE>\r\n<GCM><GAMENAME>Wide</GAMENAME></GCM>\r\n</IMAGE>\r\n";
    for (bool bigEndian : {false, true}) {
        SCOPED_TRACE(bigEndian ? "big-endian" : "little-endian");
        XmlDocument doc("libxml2");
        LoadFile(doc, Utf16NoMark(text, bigEndian));
        EXPECT_EQ(doc.XML().Encoding(), bigEndian ? TextEncoding::Utf16BE : TextEncoding::Utf16LE);
        Ref<XmlNode> name = doc.RootElement()->ChildList()->FindChild("GCM")->ChildList()->FindChild("GAMENAME");
        ASSERT_TRUE(name);
        EXPECT_EQ(name->NodeText(), "Wide");
    }
    // Without a declaration there is nothing to tell UTF-16 by: an error, never an empty list.
    XmlDocument bare("libxml2");
    EXPECT_THROW(LoadFile(bare, Utf16NoMark("<IMAGE><GCM/></IMAGE>\r\n", false)), DomParseError);
}

} // namespace
} // namespace quorvane::xml::test
