#include "tests/xml/XmlTestSupport.h"
#include "xml/DomNode.h"
#include "xml/DomServiceError.h"
#include "xml/ListIndexError.h"
#include "xml/XmlDocError.h"

#include <fstream>
#include <functional>
#include <sstream>
#include <vector>

namespace quorvane::xml::test {
namespace {

const std::string kList = CrLf({
    "<?xml version=\"1.0\" ?>",
    "<IMAGE>",
    "<VERSION>",
    "<NUMBER>012</NUMBER>",
    "</VERSION>",
    "<!--GCM LISTINGS -->",
    "<GCM>",
    "<GAMENAME>Alpha</GAMENAME>",
    "<GAMEID>GALE01</GAMEID>",
    "<NOTES>Boots</NOTES>",
    "<SSIZE>?</SSIZE>",
    "<GOOD>1</GOOD>",
    "<NICK>ann</NICK>",
    "<INST></INST>",
    "</GCM>",
    "<!-- between -->",
    "<GCM>",
    "<INST>none</INST>",
    "<GAMENAME>Beta</GAMENAME>",
    "<GOOD>1 </GOOD>",
    "</GCM>",
    "<!-- End -->",
    "</IMAGE>",
});

class NodeAccessTest : public XmlTest {
protected:
    void SetUp() override
    {
        XmlTest::SetUp();
        LoadFile(doc_, kList);
        root_ = doc_.RootElement();
        ASSERT_TRUE(root_);
    }
    Ref<XmlNode> FirstGcm() { return root_->ChildList()->FindChild("GCM"); }

    XmlDocument doc_{"libxml2"};
    Ref<XmlNode> root_;
};

TEST_F(NodeAccessTest, RecordWalkVisitsElementsAndCommentsInDocumentOrder)
{
    std::vector<std::string> seen;
    for (Ref<XmlNode> cursor = FirstGcm(); cursor; cursor = cursor->FollowingSibling())
        seen.push_back(cursor->NodeName() + "=" +
                       (cursor->NodeKind() == DomNodeType::Element
                            ? cursor->ChildList()->Resolve("GAMENAME")->NodeText()
                            : cursor->NodeText()));
    EXPECT_EQ(seen, (std::vector<std::string>{"GCM=Alpha", "#comment= between ", "GCM=Beta", "#comment= End "}));
    EXPECT_EQ(root_->NodeName(), "IMAGE");
    EXPECT_TRUE(root_->IsDocumentElement());
    // Whitespace between elements made no nodes: VERSION, comment, GCM, comment, GCM, comment.
    EXPECT_EQ(root_->ChildList()->Count(), 6);
}

TEST_F(NodeAccessTest, FieldsReadBackExactlyAndVersionResolves)
{
    Ref<XmlNodeList> fields = FirstGcm()->ChildList();
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"GAMENAME", "Alpha"}, {"GAMEID", "GALE01"}, {"NOTES", "Boots"}, {"SSIZE", "?"},
        {"GOOD", "1"},         {"NICK", "ann"},      {"INST", ""},
    };
    for (const auto& [name, text] : expected)
        EXPECT_EQ(fields->Resolve(name)->NodeText(), text) << name;
    EXPECT_EQ(root_->ChildList()->FindChild("VERSION")->ChildList()->Resolve("NUMBER")->NodeText(), "012");
    // Trailing blanks are data, not layout.
    EXPECT_EQ(FirstGcm()->FollowingSibling()->FollowingSibling()->ChildList()->FindChild("GOOD")->NodeText(), "1 ");
}

TEST_F(NodeAccessTest, ResolveCreatesMissingFieldAsLastChildWithoutTouchingTheFile)
{
    Ref<XmlNode> second = FirstGcm()->FollowingSibling()->FollowingSibling();
    Ref<XmlNodeList> fields = second->ChildList();
    ASSERT_EQ(fields->Count(), 3);
    const int before = doc_.ChangeCount();

    Ref<XmlNode> nick = fields->Resolve("NICK");
    EXPECT_EQ(fields->Count(), 4);
    EXPECT_EQ(fields->ItemAt(3).get(), nick.get());
    EXPECT_EQ(nick->NodeName(), "NICK");
    EXPECT_EQ(nick->ParentNode(), second.get());
    EXPECT_EQ(second->DOMNode().lastChild()->nodeName(), "NICK");
    EXPECT_GT(doc_.ChangeCount(), before);

    const int afterCreate = doc_.ChangeCount();
    EXPECT_EQ(nick->NodeText(), "");
    EXPECT_TRUE(nick->HasChildNodes());
    EXPECT_EQ(doc_.ChangeCount(), afterCreate);
    // The second read finds the element just made instead of adding another.
    EXPECT_EQ(fields->Resolve("NICK").get(), nick.get());

    const std::string xml = doc_.XML().Text();
    EXPECT_NE(xml.find("<NICK></NICK>"), std::string::npos) << xml;
    std::ifstream file(dir_.Path() / "list.xml", std::ios::binary);
    std::stringstream onDisk;
    onDisk << file.rdbuf();
    EXPECT_EQ(onDisk.str(), kList);
    EXPECT_TRUE(doc_.Active());
}

TEST_F(NodeAccessTest, ResolveOnCommentReportsTheRefusalAndLeavesNoChild)
{
    Ref<XmlNode> comment = FirstGcm()->FollowingSibling();
    ASSERT_EQ(comment->NodeKind(), DomNodeType::Comment);
    EXPECT_EQ(comment->ChildList()->Count(), 0);
    EXPECT_FALSE(comment->ChildList()->FindChild("GOOD"));

    const int before = doc_.ChangeCount();
    try {
        comment->ChildList()->Resolve("GAMENAME");
        FAIL() << "no refusal";
    } catch (const DomServiceError& e) {
        EXPECT_NE(std::string(e.what()).find("comment"), std::string::npos) << e.what();
    }
    EXPECT_EQ(comment->ChildList()->Count(), 0);
    EXPECT_FALSE(comment->HasChildNodes());
    EXPECT_EQ(doc_.ChangeCount(), before + 2);
}

TEST_F(NodeAccessTest, NameMatchingIsExactWithLocalNameFallback)
{
    XmlDocument doc("libxml2");
    LoadFile(doc, CrLf({"<IMAGE xmlns:x=\"urn:Q\">", "<!-- c -->", "<x:GCM>a</x:GCM>", "<GCM>b</GCM>", "</IMAGE>"}));
    Ref<XmlNodeList> list = doc.RootElement()->ChildList();
    EXPECT_FALSE(list->FindChild("gcm"));
    EXPECT_EQ(list->FindChild("GCM")->NodeText(), "a"); // local name of x:GCM
    EXPECT_EQ(list->FindChild("x:GCM")->NodeText(), "a");
    EXPECT_EQ(list->IndexOfName("GCM"), 1);
    EXPECT_EQ(list->FindChild("GCM", "URN:q")->NodeText(), "a"); // URI compared ignoring case
    EXPECT_FALSE(list->FindChild("GCM", "urn:other"));
    EXPECT_EQ(list->IndexOfName("NOPE"), -1);
}

TEST_F(NodeAccessTest, ResolveByPositionTakesAnyKindAndRejectsOutsidePositions)
{
    Ref<XmlNodeList> list = root_->ChildList();
    EXPECT_EQ(list->Resolve(0)->NodeName(), "VERSION");
    EXPECT_EQ(list->Resolve(1)->NodeKind(), DomNodeType::Comment);
    EXPECT_EQ(list->Resolve(true)->NodeKind(), DomNodeType::Comment); // an ordinal, not a name
    for (long long bad : {6LL, -1LL, 1LL << 40}) {
        try {
            list->Resolve(bad);
            FAIL() << bad;
        } catch (const ListIndexError& e) {
            EXPECT_EQ(std::string(e.what()), "List index out of bounds (" + std::to_string(bad) + ")");
        }
    }
    EXPECT_THROW(list->ItemAt(6), ListIndexError);
}

TEST_F(NodeAccessTest, NodeTextTable)
{
    struct Case {
        const char* element;
        const char* text;
    } cases[] = {
        {"<F>  spaced  </F>", "  spaced  "},
        {"<F><![CDATA[<b>&x]]></F>", "<b>&x"},
        {"<F>a &amp; b &lt; c</F>", "a & b < c"},
        {"<F>&#233;t&#xE9;</F>", "\xC3\xA9t\xC3\xA9"},
        {"<F></F>", ""},
        {"<F/>", ""},
    };
    for (const Case& c : cases) {
        XmlDocument doc("libxml2");
        LoadFile(doc, CrLf({"<R>", c.element, "</R>"}));
        Ref<XmlNode> field = doc.RootElement()->ChildList()->Resolve("F");
        EXPECT_EQ(field->NodeText(), c.text) << c.element;
        EXPECT_EQ(doc.ChangeCount(), 0) << c.element;
        EXPECT_EQ(field->ChildList()->Count(), 1) << c.element;

        // Read by handle in the DOM, without wrappers: the same text, and the
        // same text child for an empty element.
        XmlDocument byHandle("libxml2");
        LoadFile(byHandle, CrLf({"<R>", c.element, "</R>"}));
        const int root = byHandle.DocumentNode()->ChildList()->IndexOfElement("R", 0);
        std::string_view text;
        ASSERT_TRUE(byHandle.DocumentNode()->ChildList()->EntryChildText(root, "F", text)) << c.element;
        EXPECT_EQ(text, c.text) << c.element;
        EXPECT_EQ(byHandle.ChangeCount(), 0) << c.element;
        EXPECT_EQ(byHandle.RootElement()->ChildList()->Resolve("F")->ChildList()->Count(), 1) << c.element;
    }
}

TEST_F(NodeAccessTest, NodeTextRejectsMixedContent)
{
    for (const char* element : {"<F><G>x</G></F>", "<F>x<!-- c --></F>", "<F><!-- c --></F>", "<F>a<G/>b</F>"}) {
        XmlDocument doc("libxml2");
        LoadFile(doc, CrLf({"<R>", element, "</R>"}));
        // Read by handle, such a field is left to the wrapper, which raises.
        std::string_view text;
        EXPECT_FALSE(doc.DocumentNode()->ChildList()->EntryChildText(
            doc.DocumentNode()->ChildList()->IndexOfElement("R", 0), "F", text))
            << element;
        try {
            doc.RootElement()->ChildList()->Resolve("F")->NodeText();
            FAIL() << element;
        } catch (const XmlDocError& e) {
            EXPECT_STREQ(e.what(), "Element does not contain a single text node") << element;
        }
    }
}

TEST_F(NodeAccessTest, ResolveWithoutAutoCreateReportsTheMissingName)
{
    doc_.SetOptions(doc_.Options().Without(XmlDocOption::NodeAutoCreate));
    try {
        FirstGcm()->ChildList()->Resolve("MISSING");
        FAIL();
    } catch (const XmlDocError& e) {
        EXPECT_STREQ(e.what(), "Node \"MISSING\" not found");
    }
    EXPECT_EQ(doc_.ChangeCount(), 0);
}

TEST_F(NodeAccessTest, RootElementSkipsTrailingCommentsAndInstructions)
{
    XmlDocument doc("libxml2");
    LoadFile(doc, CrLf({"<!-- head -->", "<LIST><A/></LIST>", "<!-- tail -->", "<?pi data?>"}));
    Ref<XmlNode> root = doc.RootElement();
    ASSERT_TRUE(root);
    EXPECT_EQ(root->NodeName(), "LIST");
    EXPECT_EQ(doc.DocumentNode()->ChildList()->Count(), 4);
    EXPECT_EQ(root->ParentNode(), doc.DocumentNode().get());
}

TEST_F(NodeAccessTest, SiblingsAtTheEndsAndForStrangers)
{
    Ref<XmlNodeList> list = root_->ChildList();
    EXPECT_FALSE(list->ItemAt(0)->PrecedingSibling());
    EXPECT_FALSE(list->ItemAt(5)->FollowingSibling());
    EXPECT_EQ(list->ItemAt(2)->PrecedingSibling().get(), list->ItemAt(1).get());
    EXPECT_FALSE(root_->FollowingSibling()); // the only top-level node
    // A node that is not an entry: position -1 plus the offset, no fault.
    Ref<XmlNode> stranger = MakeRef<XmlNode>(Ref<DomNode>(&root_->DOMNode()), nullptr, nullptr);
    EXPECT_FALSE(stranger->FollowingSibling());
    EXPECT_FALSE(list->SiblingOf(stranger.get(), -1));
    EXPECT_EQ(list->IndexOfNode(stranger.get()), -1);
}

TEST_F(NodeAccessTest, InsertAndRemoveChangeTheDomFirst)
{
    Ref<XmlNode> gcm = FirstGcm();
    Ref<XmlNodeList> fields = gcm->ChildList();
    Ref<XmlNode> added = gcm->AddChildElement("EXTRA", 0);
    EXPECT_EQ(fields->IndexOfNode(added.get()), 0);
    EXPECT_EQ(gcm->DOMNode().firstChild()->nodeName(), "EXTRA");
    EXPECT_EQ(doc_.ChangeCount(), 2);

    Ref<XmlNode> nick = fields->FindChild("NICK");
    EXPECT_EQ(fields->RemoveNode(nick), 6);
    EXPECT_FALSE(fields->FindChild("NICK"));
    EXPECT_EQ(nick->ParentNode(), nullptr);
    EXPECT_EQ(nick->NodeText(), "ann"); // the removed node stays usable
    EXPECT_EQ(fields->RemoveNode(nick), -1);
    EXPECT_EQ(doc_.ChangeCount(), 4);

    const std::string xml = doc_.XML().Text();
    EXPECT_EQ(xml.find("<NICK>ann</NICK>"), std::string::npos);
    EXPECT_NE(xml.find("<GCM><EXTRA/>"), std::string::npos) << xml;
}

// Child lists make their wrappers as entries are first handed out; however a
// list is read, it must hand out one object per child, in DOM order.
TEST_F(NodeAccessTest, EntriesKeepIdentityAndOrderHoweverTheListIsRead)
{
    Ref<XmlNode> gcm = FirstGcm();
    Ref<XmlNodeList> fields = gcm->ChildList();
    Ref<XmlNode> gameId = fields->FindChild("GAMEID");
    std::string storage;
    EXPECT_EQ(fields->ResolveText("NOTES", storage), "Boots");
    EXPECT_EQ(fields->ItemAt(1), gameId);
    Ref<XmlNode> added = gcm->AddChildElement("EXTRA", 2);
    std::vector<std::string> names;
    for (int i = 0; i < fields->Count(); ++i) {
        Ref<XmlNode> entry = fields->ItemAt(i);
        names.push_back(entry->NodeName());
        EXPECT_EQ(entry->ParentNode(), gcm.get());
        EXPECT_EQ(entry->FollowingSibling(), i + 1 < fields->Count() ? fields->ItemAt(i + 1) : Ref<XmlNode>());
    }
    EXPECT_EQ(names,
              (std::vector<std::string>{"GAMENAME", "GAMEID", "EXTRA", "NOTES", "SSIZE", "GOOD", "NICK", "INST"}));
    EXPECT_EQ(fields->FindChild("EXTRA"), added);
    EXPECT_EQ(fields->FindChild("GAMEID"), gameId);

    // A list still held when its owner drops it reads whole, without parents.
    Ref<XmlNode> second = FirstGcm()->FollowingSibling()->FollowingSibling();
    Ref<XmlNodeList> kept = second->ChildList();
    second->ResetChildList();
    ASSERT_EQ(kept->Count(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(kept->ItemAt(i)->ParentNode(), nullptr);
    EXPECT_EQ(kept->ItemAt(2)->NodeText(), "1 ");
    EXPECT_NE(second->ChildList(), kept);
}

TEST_F(NodeAccessTest, WrappersOutliveTheirDocument)
{
    Ref<XmlNode> gcm;
    {
        XmlDocument doc("libxml2");
        LoadFile(doc, kList);
        gcm = doc.RootElement()->ChildList()->FindChild("GCM");
    }
    EXPECT_EQ(gcm->OwnerDocument(), nullptr);
    EXPECT_EQ(gcm->ChildList()->Resolve("GAMENAME")->NodeText(), "Alpha");
    EXPECT_THROW(gcm->ChildList()->Resolve("NICKX"), XmlDocError); // no document: no auto-creation
    // The parent wrappers went with the document: no parent, no siblings.
    EXPECT_EQ(gcm->ParentNode(), nullptr);
    EXPECT_FALSE(gcm->FollowingSibling());
}

TEST_F(NodeAccessTest, ReleaseCutsOldWrappersFromTheDocument)
{
    Ref<XmlNode> gcm = FirstGcm();
    doc_.SetActive(false);
    EXPECT_FALSE(doc_.Active());
    EXPECT_EQ(gcm->OwnerDocument(), nullptr);
    EXPECT_EQ(gcm->ChildList()->Resolve("GAMEID")->NodeText(), "GALE01");
    EXPECT_EQ(doc_.ChangeCount(), 0);
    try {
        doc_.RootElement();
        FAIL();
    } catch (const XmlDocError& e) {
        EXPECT_STREQ(e.what(), "No active document");
    }
    // The string list still holds the file: activation works again.
    doc_.SetActive(true);
    EXPECT_EQ(doc_.RootElement()->NodeName(), "IMAGE");
}

TEST_F(NodeAccessTest, FixedMessagesOfTheDocumentLayer)
{
    auto message = [](const std::function<void()>& action) {
        try {
            action();
        } catch (const XmlDocError& e) {
            return std::string(e.what());
        }
        return std::string("<no error>");
    };
    Ref<XmlNode> comment = FirstGcm()->FollowingSibling();
    EXPECT_EQ(message([&] { comment->AttributeNodes(); }), "Attributes are not supported on this node type");
    EXPECT_EQ(message([] { XmlNode node(Ref<DomNode>(), nullptr, nullptr); }), "DomNode required");
    for (DomNodeType kind : {DomNodeType(0), DomNodeType::Entity, DomNodeType::Document, DomNodeType::DocumentType})
        EXPECT_EQ(message([&] { doc_.CreateNode("X", kind); }), "Invalid node type");
    XmlDocument inactive("libxml2");
    EXPECT_EQ(message([&] { inactive.CreateNode("X", DomNodeType::Element); }), "No active document");
    EXPECT_EQ(message([&] { inactive.DocumentNode(); }), "No active document");

    // Created nodes insert like any other; attributes list the element's.
    Ref<XmlNode> note = doc_.CreateNode("note", DomNodeType::Comment);
    root_->ChildList()->InsertAt(0, note);
    EXPECT_EQ(root_->ChildList()->ItemAt(0)->NodeText(), "note");
    EXPECT_EQ(root_->AttributeNodes()->Count(), 0);
}

TEST_F(NodeAccessTest, WhitespaceNodesOnlyWhenPreserved)
{
    XmlDocument doc("libxml2");
    doc.SetParseOptions(ParseOption::PreserveWhiteSpace);
    LoadFile(doc, CrLf({"<R>", "  <A>x</A>", "  <B> </B>", "</R>"}));
    Ref<XmlNodeList> list = doc.RootElement()->ChildList();
    EXPECT_EQ(list->Count(), 5);
    EXPECT_EQ(list->ItemAt(0)->NodeKind(), DomNodeType::Text);

    XmlDocument plain("libxml2");
    LoadFile(plain, CrLf({"<R>", "  <A>x</A>", "  <B> </B>", "</R>"}), "plain.xml");
    Ref<XmlNodeList> tight = plain.RootElement()->ChildList();
    EXPECT_EQ(tight->Count(), 2);
    // Whitespace that is an element's whole content is kept as its text.
    EXPECT_EQ(tight->Resolve("B")->NodeText(), " ");
}

} // namespace
} // namespace quorvane::xml::test
