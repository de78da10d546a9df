#include "tests/xml/XmlTestSupport.h"
#include "xml/DomParseError.h"
#include "xml/XmlError.h"

namespace quorvane::xml::test {
namespace {

class HostileFilesTest : public XmlTest {
protected:
    // Everything the document shows of itself: the serialised DOM.
    static std::string Everything(XmlDocument& doc)
    {
        doc.RootElement()->ChildList()->Resolve("ADDED"); // forces a rewrite of the text
        return doc.XML().Text();
    }
};

TEST_F(HostileFilesTest, BillionLaughsIsAParseErrorNotExhaustedMemory)
{
    std::string dtd = "<!DOCTYPE lolz [\r\n<!ENTITY lol \"lol\">\r\n";
    std::string previous = "lol";
    for (int i = 1; i <= 9; ++i) {
        const std::string name = "lol" + std::to_string(i);
        dtd += "<!ENTITY " + name + " \"";
        for (int k = 0; k < 10; ++k)
            dtd += "&" + previous + ";";
        dtd += "\">\r\n";
        previous = name;
    }
    dtd += "]>\r\n";
    XmlDocument doc("libxml2");
    try {
        LoadFile(doc, dtd + "<IMAGE><GCM><GAMENAME>&lol9;</GAMENAME></GCM></IMAGE>\r\n");
        FAIL() << "the expansion was accepted";
    } catch (const DomParseError& e) {
        EXPECT_FALSE(doc.Active());
        // Reported where the reference stands in the file, not inside the entity.
        EXPECT_EQ(e.line(), 13) << e.what();
        EXPECT_EQ(e.srcText().rfind("<IMAGE><GCM>", 0), 0u) << e.what();
    }
}

TEST_F(HostileFilesTest, ExternalEntitiesAndDtdsAreNeverRead)
{
    const std::string secret = dir_.Write("secret.txt", "TOP-SECRET-CONTENT");
    const std::string dtdFile = dir_.Write("evil.dtd", "<!ENTITY leak \"DTD-WAS-READ\">");
    const std::string variants[] = {
        "<!DOCTYPE IMAGE [<!ENTITY xxe SYSTEM \"file://" + secret +
            "\">]>\r\n<IMAGE><GCM><NICK>&xxe;</NICK></GCM></IMAGE>\r\n",
        "<!DOCTYPE IMAGE [<!ENTITY xxe SYSTEM \"" + secret +
            "\">]>\r\n<IMAGE><GCM><NICK>a&xxe;b</NICK></GCM></IMAGE>\r\n",
        "<!DOCTYPE IMAGE SYSTEM \"" + dtdFile + "\">\r\n<IMAGE><GCM><NICK>&leak;</NICK></GCM></IMAGE>\r\n",
    };
    for (const std::string& text : variants) {
        XmlDocument doc("libxml2");
        try {
            LoadFile(doc, text);
        } catch (const DomParseError& e) {
            const std::string message = e.what();
            EXPECT_EQ(message.find("TOP-SECRET"), std::string::npos);
            EXPECT_EQ(message.find("DTD-WAS-READ"), std::string::npos);
            continue;
        }
        const std::string shown = Everything(doc);
        EXPECT_EQ(shown.find("TOP-SECRET"), std::string::npos) << shown;
        EXPECT_EQ(shown.find("DTD-WAS-READ"), std::string::npos) << shown;
        Ref<XmlNode> nick = doc.RootElement()->ChildList()->FindChild("GCM")->ChildList()->FindChild("NICK");
        try {
            EXPECT_EQ(nick->NodeText().find("TOP-SECRET"), std::string::npos);
        } catch (const XmlError&) {
            // An unexpanded reference is not a single text node: also fine.
        }
    }
}

TEST_F(HostileFilesTest, InvalidUtf8IsAParseErrorWithItsLine)
{
    XmlDocument doc("libxml2");
    try {
        LoadFile(doc, CrLf({"<IMAGE>", "<GCM><GAMENAME>bad \xC3\x28 byte</GAMENAME></GCM>", "</IMAGE>"}));
        FAIL() << "accepted invalid UTF-8";
    } catch (const DomParseError& e) {
        EXPECT_EQ(e.line(), 2);
        EXPECT_FALSE(doc.Active());
    }
}

TEST_F(HostileFilesTest, Utf16WithByteOrderMarkLoads)
{
    const std::string text = "<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n<IMAGE>\r\n<GCM><GAMENAME>Caf\xC3\xA9 "
                             "\xF0\x9D\x84\x9E</GAMENAME></GCM>\r\n</IMAGE>\r\n";
    for (bool bigEndian : {false, true}) {
        std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
        // ASCII plus three non-ASCII characters, encoded by hand.
        for (std::size_t i = 0; i < text.size(); ++i) {
            const auto c = static_cast<unsigned char>(text[i]);
            char16_t units[2];
            int count = 1;
            if (c < 0x80) {
                units[0] = c;
            } else if (c == 0xC3) {
                units[0] = 0xE9;
                i += 1;
            } else {
                units[0] = 0xD834;
                units[1] = 0xDD1E;
                count = 2;
                i += 3;
            }
            for (int k = 0; k < count; ++k) {
                const char hi = static_cast<char>(units[k] >> 8), lo = static_cast<char>(units[k] & 0xFF);
                bytes += bigEndian ? hi : lo;
                bytes += bigEndian ? lo : hi;
            }
        }
        XmlDocument doc("libxml2");
        LoadFile(doc, bytes);
        Ref<XmlNode> name = doc.RootElement()->ChildList()->FindChild("GCM")->ChildList()->Resolve("GAMENAME");
        EXPECT_EQ(name->NodeText(), "Caf\xC3\xA9 \xF0\x9D\x84\x9E") << bigEndian;
    }
}

TEST_F(HostileFilesTest, ExcessiveNestingAndTruncationFailCleanly)
{
    std::string deep;
    for (int i = 0; i < 5000; ++i)
        deep += "<a>";
    XmlDocument doc("libxml2");
    EXPECT_THROW(LoadFile(doc, deep + "\r\n"), DomParseError);
    EXPECT_FALSE(doc.Active());

    const std::string whole = CrLf({"<IMAGE>", "<GCM><GAMENAME>x</GAMENAME></GCM>", "</IMAGE>"});
    for (std::size_t cut : {std::size_t(1), std::size_t(12), whole.size() - 4}) {
        XmlDocument truncated("libxml2");
        EXPECT_THROW(LoadFile(truncated, whole.substr(0, cut), "cut.xml"), DomParseError) << cut;
    }
}

} // namespace
} // namespace quorvane::xml::test
