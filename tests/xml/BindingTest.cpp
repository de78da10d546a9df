#include "tests/xml/XmlTestSupport.h"
#include "xml/DomDocument.h"
#include "xml/DomError.h"
#include "xml/DomImplementation.h"
#include "xml/DomNamedNodeMap.h"
#include "xml/DomNodeList.h"
#include "xml/DomPersist.h"
#include "xml/DomServiceError.h"
#include "xml/DomVendorRegistry.h"

#include <functional>

namespace quorvane::xml::test {
namespace {

class BindingTest : public XmlTest {
protected:
    void SetUp() override
    {
        XmlTest::SetUp();
        doc_ = GetDomImplementation("libxml2")->createDocument("", "", nullptr);
        ASSERT_TRUE(doc_->persist()->loadXML("<R><E>t</E><!--c--><?p d?><![CDATA[x]]></R>"));
        root_ = doc_->documentElement();
    }
    Ref<DomNode> Child(int index) const { return root_->childNodes()->item(index); }

    Ref<DomDocument> doc_;
    Ref<DomNode> root_;
};

std::string ServiceMessage(const std::function<void()>& action)
{
    try {
        action();
    } catch (const DomServiceError& e) {
        return e.what();
    }
    return "<no error>";
}

TEST(DomServiceErrorTest, MessageTrimming)
{
    struct Case {
        std::string description;
        unsigned code;
        std::string message;
    } cases[] = {
        {"Bad thing.\r\n", 1, "Bad thing"},
        {"Ends in dots...", 1, "Ends in dots"},
        {"Inner. Dots stay. \t", 1, "Inner. Dots stay"},
        {"", 42, "XML parser error 0000002a"},
        {" .\n", 0xdeadbeef, "XML parser error deadbeef"},
        {"no change", 3, "no change"},
    };
    for (const Case& c : cases) {
        const DomServiceError e(c.description, c.code);
        EXPECT_EQ(std::string(e.what()), c.message) << c.description;
        EXPECT_EQ(e.code(), c.code);
    }
}

TEST_F(BindingTest, LeafNodesRefuseChildren)
{
    for (int index : {1, 2, 3}) { // comment, processing instruction, CDATA section
        Ref<DomNode> leaf = Child(index);
        const std::string message = ServiceMessage([&] { leaf->appendChild(doc_->createElement("X")); });
        EXPECT_EQ(message.rfind("Hierarchy request error", 0), 0u) << message;
        EXPECT_FALSE(leaf->hasChildNodes());
    }
    Ref<DomNode> text = Child(0)->firstChild();
    EXPECT_NE(ServiceMessage([&] { text->appendChild(doc_->createTextNode("more")); }).find("text node"),
              std::string::npos);
    EXPECT_EQ(text->nodeValue(), "t");
}

TEST_F(BindingTest, TreeRulesAndArgumentChecks)
{
    Ref<DomNode> element = Child(0);
    // A node below itself, a second document element, a stranger's child.
    EXPECT_NE(ServiceMessage([&] { element->appendChild(root_); }).find("below itself"), std::string::npos);
    EXPECT_NE(ServiceMessage([&] { doc_->appendChild(doc_->createElement("Second")); }).find("document element"),
              std::string::npos);
    EXPECT_NE(ServiceMessage([&] { root_->removeChild(element->firstChild()); }).find("Not found"), std::string::npos);
    Ref<DomDocument> other = GetDomImplementation("libxml2")->createDocument("", "", nullptr);
    EXPECT_NE(ServiceMessage([&] { root_->appendChild(other->createElement("X")); }).find("Wrong document"),
              std::string::npos);
    EXPECT_NE(ServiceMessage([&] { doc_->createElement("1bad"); }).find("Invalid character"), std::string::npos);
    try {
        root_->appendChild(Ref<DomNode>());
        FAIL();
    } catch (const DomError& e) {
        EXPECT_STREQ(e.what(), "Node cannot be null");
    }
    EXPECT_EQ(root_->childNodes()->length(), 4);
}

TEST_F(BindingTest, UnsupportedOperationsNameThemselves)
{
    struct Case {
        const char* name;
        std::function<void()> call;
    } cases[] = {
        {"getElementById", [&] { doc_->getElementById("x"); }},
        {"importNode", [&] { doc_->importNode(root_, CloneDepth::Deep); }},
        {"normalize", [&] { root_->normalize(); }},
        {"supports", [&] { root_->supports("XML", "1.0"); }},
        {"createDocumentType", [&] { GetDomImplementation("libxml2")->createDocumentType("a", "", ""); }},
    };
    for (const Case& c : cases) {
        try {
            c.call();
            ADD_FAILURE() << c.name;
        } catch (const DomError& e) {
            EXPECT_EQ(std::string(e.what()),
                      std::string("Property or Method \"") + c.name + "\" is not supported by DOM Vendor \"libxml2\"");
        }
    }
}

TEST_F(BindingTest, NodesKeepIdentityAndSurviveMovesAndRemoval)
{
    Ref<DomNode> element = Child(0);
    EXPECT_EQ(element.get(), root_->firstChild().get());
    EXPECT_EQ(element->parentNode().get(), root_.get());
    EXPECT_EQ(root_->parentNode().get(), static_cast<DomNode*>(doc_.get()));

    // Adjacent text nodes stay separate objects: nothing is merged or freed.
    Ref<DomNode> extra = doc_->createTextNode("u");
    element->appendChild(extra);
    EXPECT_EQ(element->childNodes()->length(), 2);
    EXPECT_EQ(extra->nodeValue(), "u");

    Ref<DomNode> moved = root_->removeChild(element);
    EXPECT_FALSE(moved->parentNode());
    root_->insertBefore(moved, Child(2));
    EXPECT_EQ(Child(2).get(), element.get());
    EXPECT_EQ(Child(2)->firstChild()->nodeValue(), "t");
    root_->replaceChild(doc_->createComment("swap"), element);
    EXPECT_EQ(Child(2)->nodeValue(), "swap");
    EXPECT_EQ(element->firstChild()->nodeValue(), "t"); // still readable while unlinked

    Ref<DomNode> fragment = doc_->createDocumentFragment();
    fragment->appendChild(doc_->createElement("F1"));
    fragment->appendChild(doc_->createElement("F2"));
    root_->appendChild(fragment);
    EXPECT_EQ(root_->lastChild()->nodeName(), "F2");
    EXPECT_FALSE(fragment->hasChildNodes());
}

// Regression: a removed element holding a created text node was freed as a
// subtree, and the text node then read after it was freed.
TEST_F(BindingTest, RemovedSubtreeWithCreatedChildrenIsFreedOnce)
{
    Ref<DomNode> element = doc_->createElement("Gone");
    element->appendChild(doc_->createTextNode("inner"));
    element->appendChild(doc_->createComment("also"));
    root_->appendChild(element);
    root_->removeChild(element);
    Ref<DomNode> kept = doc_->createElement("Kept");
    kept->appendChild(element);
    doc_.reset(); // the binding objects above still hold the document
    EXPECT_EQ(kept->firstChild()->firstChild()->nodeValue(), "inner");
}

TEST_F(BindingTest, NamesKindsAndAttributes)
{
    ASSERT_TRUE(doc_->persist()->loadXML("<p:R xmlns:p=\"urn:p\" a=\"1\" b=\"&amp;\"><p:E/></p:R>"));
    Ref<DomNode> root = doc_->documentElement();
    EXPECT_EQ(root->nodeName(), "p:R");
    EXPECT_EQ(root->localName(), "R");
    EXPECT_EQ(root->prefix(), "p");
    EXPECT_EQ(root->namespaceURI(), "urn:p");
    EXPECT_EQ(root->nodeType(), DomNodeType::Element);
    EXPECT_EQ(doc_->nodeType(), DomNodeType::Document);
    EXPECT_EQ(doc_->nodeName(), "#document");
    EXPECT_EQ(root->lookupNamespaceURI("p"), "urn:p");
    Ref<DomNamedNodeMap> attributes = root->attributes();
    ASSERT_EQ(attributes->length(), 2);
    EXPECT_EQ(attributes->getNamedItem("b")->nodeValue(), "&");
    EXPECT_EQ(attributes->item(0)->nodeType(), DomNodeType::Attribute);
    EXPECT_FALSE(attributes->getNamedItem("c"));
    EXPECT_FALSE(root->firstChild()->attributes()->item(0));
    Ref<DomNode> element = doc_->createElementNS("urn:q", "q:N");
    EXPECT_EQ(element->nodeName(), "q:N");
    EXPECT_EQ(element->namespaceURI(), "urn:q");
}

} // namespace
} // namespace quorvane::xml::test
