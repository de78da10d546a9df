#include "tests/xml/XmlTestSupport.h"
#include "xml/DomError.h"
#include "xml/DomImplementation.h"
#include "xml/DomVendor.h"
#include "xml/DomVendorRegistry.h"
#include "xml/XmlError.h"
#include "xml/libxml2/ParserDocumentHook.h"
#include "xml/libxml2/ParserDomVendor.h"

#include <functional>

namespace quorvane::xml::test {
namespace {

class NamedVendor : public DomVendor {
public:
    explicit NamedVendor(std::string name) : name_(std::move(name)) {}
    std::string VendorDescription() const override { return name_; }
    Ref<DomImplementation> ObtainImplementation() override { return LookupVendor("libxml2")->ObtainImplementation(); }

private:
    std::string name_;
};

std::string MessageOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const XmlError& e) {
        return e.what();
    }
    return "<no error>";
}

class VendorRegistryTest : public XmlTest {};

TEST_F(VendorRegistryTest, LookupAndRegistrationMessages)
{
    ParserDomVendor duplicate;
    EXPECT_EQ(MessageOf([&] { RegisterVendor(&duplicate); }), "\"libxml2\" DOMImplementation already registered");
    EXPECT_EQ(MessageOf([] { LookupVendor("LIBXML2"); }), "No matching DOM Vendor: \"LIBXML2\"");
    EXPECT_EQ(MessageOf([] { LookupVendor("libxml2 "); }), "No matching DOM Vendor: \"libxml2 \"");
    EXPECT_EQ(MessageOf([] { XmlDocument doc("NoSuchVendor"); }), "No matching DOM Vendor: \"NoSuchVendor\"");
    EXPECT_EQ(LookupVendor("libxml2")->VendorDescription(), "libxml2");
    UnregisterVendor(&duplicate); // not registered: nothing happens
    EXPECT_EQ(LookupVendor("libxml2")->VendorDescription(), "libxml2");
}

TEST_F(VendorRegistryTest, EmptyDescriptionMeansDefaultThenFirst)
{
    NamedVendor second("second");
    RegisterVendor(&second);
    EXPECT_EQ(LookupVendor("")->VendorDescription(), "libxml2"); // first registered
    SetDefaultVendorDesc("second");
    EXPECT_EQ(LookupVendor("")->VendorDescription(), "second");
    SetDefaultVendorDesc("gone");
    EXPECT_EQ(MessageOf([] { LookupVendor(""); }), "No matching DOM Vendor: \"gone\"");
    SetDefaultVendorDesc("");
    UnregisterVendor(&second);
    EXPECT_EQ(MessageOf([] { LookupVendor("second"); }), "No matching DOM Vendor: \"second\"");

    // A document without a vendor uses the default one.
    XmlDocument doc;
    doc.XML().SetText("<A/>");
    doc.SetActive(true);
    EXPECT_EQ(doc.RootElement()->NodeName(), "A");
}

TEST_F(VendorRegistryTest, VendorChangeDeactivates)
{
    NamedVendor other("other");
    RegisterVendor(&other);
    XmlDocument doc("libxml2");
    doc.XML().SetText("<A/>");
    doc.SetActive(true);
    doc.SetVendorDesc("other");
    EXPECT_FALSE(doc.Active());
    EXPECT_EQ(doc.Vendor(), &other);
    doc.SetActive(true);
    EXPECT_TRUE(doc.Active());
    UnregisterVendor(&other);
}

TEST_F(VendorRegistryTest, MissingParserDocumentIsReported)
{
    const ParserDocumentFactory saved = ParserDocumentHook;
    ParserDocumentHook = [] { return static_cast<_xmlDoc*>(nullptr); };
    XmlDocument doc("libxml2");
    doc.XML().SetText("<A/>");
    try {
        doc.SetActive(true);
        ADD_FAILURE();
    } catch (const DomError& e) {
        EXPECT_STREQ(e.what(), "The XML parser is not available");
    }
    ParserDocumentHook = saved;
    EXPECT_FALSE(doc.Active());
    doc.SetActive(true);
    EXPECT_TRUE(doc.Active());
}

} // namespace
} // namespace quorvane::xml::test
