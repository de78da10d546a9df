#include "xml/XmlNode.h"

#include "xml/DocumentAnchor.h"
#include "xml/DomDocument.h"
#include "xml/DomError.h"
#include "xml/DomNamedNodeMap.h"
#include "xml/DomNode.h"
#include "xml/XmlDocError.h"
#include "xml/XmlDocument.h"
#include "xml/XmlNodeList.h"

#include <vector>

namespace quorvane::xml {

XmlNode::XmlNode(Ref<DomNode> domNode, XmlNode* parent, XmlDocument* document) : domNode_(std::move(domNode))
{
    if (!domNode_)
        throw XmlDocError("DomNode required");
    if (document)
        anchor_ = document->Anchor();
    SetParentNode(parent);
}

XmlNode::~XmlNode()
{
    if (childList_)
        childList_->OwnerGone();
    if (attributeList_)
        attributeList_->OwnerGone();
}

DomNodeType XmlNode::NodeKind() const
{
    return domNode_->nodeType();
}
std::string XmlNode::NodeName() const
{
    return domNode_->nodeName();
}
std::string XmlNode::LocalName() const
{
    return domNode_->localName();
}
std::string XmlNode::NamespaceURI() const
{
    return domNode_->namespaceURI();
}
std::string XmlNode::Prefix() const
{
    return domNode_->prefix();
}
bool XmlNode::HasChildNodes() const
{
    return domNode_->hasChildNodes();
}

XmlDocument* XmlNode::OwnerDocument() const noexcept
{
    return anchor_ ? anchor_->Document() : nullptr;
}

bool XmlNode::ReadsPlainly() const noexcept
{
    const XmlDocument* document = OwnerDocument();
    return document && document->Reading() == ReadPath::Plain;
}

Ref<XmlNodeList> XmlNode::ChildList()
{
    if (!childList_) {
        Ref<XmlNodeList> list = MakeRef<XmlNodeList>(this, domNode_->namespaceURI());
        if (domNode_->hasChildHandles() && !ReadsPlainly()) {
            // The wrappers are made as the entries are first handed out.
            list->TakeChildHandles(domNode_);
        } else {
            for (Ref<DomNode> child = domNode_->firstChild(); child; child = child->nextSibling())
                list->AppendQuietly(CreateChildNode(child));
        }
        SetChildNodes(std::move(list));
    }
    return childList_;
}

Ref<XmlNodeList> XmlNode::AttributeNodes()
{
    if (NodeKind() != DomNodeType::Element)
        throw XmlDocError("Attributes are not supported on this node type");
    if (!attributeList_) {
        Ref<XmlNodeList> list = MakeRef<XmlNodeList>(this, std::string());
        // The attribute view is read-only towards the DOM: changes of the
        // list stay in the list.
        list->BeginUpdate();
        if (Ref<DomNamedNodeMap> map = domNode_->attributes()) {
            const int count = map->length();
            for (int i = 0; i < count; ++i)
                list->AppendQuietly(CreateAttributeNode(map->item(i)));
        }
        SetAttributeNodes(std::move(list));
    }
    return attributeList_;
}

std::string XmlNode::NodeText()
{
    std::string storage;
    const std::string_view text = NodeTextView(storage);
    if (text.data() == storage.data())
        return storage;
    return std::string(text);
}

std::string_view XmlNode::NodeTextView(std::string& storage)
{
    if (NodeKind() != DomNodeType::Element) {
        storage = domNode_->nodeValue();
        return storage;
    }
    const ElementTextView view = ReadsPlainly() ? ElementTextView() : domNode_->elementText();
    switch (view.shape) {
    case ElementTextView::Shape::Single: return view.text;
    case ElementTextView::Shape::Other: throw XmlDocError("Element does not contain a single text node");
    case ElementTextView::Shape::Empty:
    case ElementTextView::Shape::Unknown: break;
    }
    Ref<DomNode> first = domNode_->firstChild();
    if (!first) {
        const Ref<DomNode> text = AppendEmptyText(*domNode_);
        ResetChildList();
        storage = text->nodeValue();
        return storage;
    }
    const DomNodeType kind = first->nodeType();
    if (first->nextSibling() || (kind != DomNodeType::Text && kind != DomNodeType::CDataSection))
        throw XmlDocError("Element does not contain a single text node");
    storage = first->nodeValue();
    return storage;
}

Ref<DomNode> XmlNode::AppendEmptyText(DomNode& element)
{
    // An empty element gets the text child it would have had; this is not a
    // change the user made, so nothing is counted or reported.
    Ref<DomDocument> owner = element.ownerDocument();
    if (!owner)
        throw DomError("Node cannot be null");
    Ref<DomNode> text = owner->createTextNode(std::string());
    element.appendChild(text);
    return text;
}

Ref<XmlNode> XmlNode::FollowingSibling() const
{
    if (!parent_)
        return Ref<XmlNode>();
    return parent_->ChildList()->SiblingOf(this, +1);
}

Ref<XmlNode> XmlNode::PrecedingSibling() const
{
    if (!parent_)
        return Ref<XmlNode>();
    return parent_->ChildList()->SiblingOf(this, -1);
}

Ref<XmlNode> XmlNode::AddChildElement(const std::string& tagName, int index)
{
    std::string tag = tagName;
    std::string namespaceURI;
    const std::size_t colon = tag.find(':');
    if (colon != std::string::npos) {
        namespaceURI = domNode_->lookupNamespaceURI(tag.substr(0, colon));
    } else {
        const std::string prefix = Prefix();
        if (!prefix.empty())
            tag = prefix + ":" + tag;
        namespaceURI = NamespaceURI();
    }
    Ref<DomDocument> owner;
    if (NodeKind() == DomNodeType::Document)
        owner = Ref<DomDocument>(dynamic_cast<DomDocument*>(domNode_.get()));
    else
        owner = domNode_->ownerDocument();
    if (!owner)
        throw DomError("Node cannot be null");
    Ref<DomNode> element = namespaceURI.empty() ? owner->createElement(tag) : owner->createElementNS(namespaceURI, tag);
    Ref<XmlNode> wrapper = CreateChildNode(element);
    ChildList()->InsertAt(index, wrapper);
    return wrapper;
}

void XmlNode::ResetChildList()
{
    if (childList_) {
        childList_->OwnerGone();
        childList_.reset();
    }
}

void XmlNode::DetachFromDocument()
{
    // Iterative, so a deep tree cannot exhaust the stack.
    std::vector<Ref<XmlNode>> pending{Ref<XmlNode>(this)};
    while (!pending.empty()) {
        Ref<XmlNode> node = std::move(pending.back());
        pending.pop_back();
        node->anchor_.reset();
        // Entries without a wrapper yet have nothing to detach.
        for (const Ref<XmlNodeList>& list : {node->childList_, node->attributeList_}) {
            if (!list)
                continue;
            for (Ref<XmlNode>& made : list->MadeEntries())
                pending.push_back(std::move(made));
        }
    }
}

Ref<XmlNode> XmlNode::CreateAttributeNode(Ref<DomNode> domNode)
{
    return MakeRef<XmlNode>(std::move(domNode), this, OwnerDocument());
}

Ref<XmlNode> XmlNode::CreateChildNode(Ref<DomNode> domNode)
{
    return MakeRef<XmlNode>(std::move(domNode), this, OwnerDocument());
}

void XmlNode::SetParentNode(XmlNode* parent)
{
    parent_ = parent;
    documentElement_ = parent && parent->NodeKind() == DomNodeType::Document && NodeKind() == DomNodeType::Element;
}

Ref<XmlNode> XmlNode::ChildListNotification(ListOperation operation, const Ref<XmlNode>& node, const NodeKey& key,
                                            NotifyPhase phase, const XmlNodeList& list)
{
    NodeChanged(operation == ListOperation::Remove ? NodeChange::RemoveChild : NodeChange::InsertChild, phase);
    if (phase != NotifyPhase::Before || list.UpdateCount() > 0)
        return Ref<XmlNode>();
    switch (operation) {
    case ListOperation::Insert: {
        if (!node)
            throw DomError("Node cannot be null");
        // A position past the DOM children (or -1, as an unsigned number)
        // appends; anything else inserts before the child at that position.
        const unsigned long long position = static_cast<unsigned long long>(key.Ordinal());
        Ref<DomNode> before = domNode_->firstChild();
        for (unsigned long long i = 0; before && i < position; ++i)
            before = before->nextSibling();
        if (before)
            domNode_->insertBefore(Ref<DomNode>(&node->DOMNode()), before);
        else
            domNode_->appendChild(Ref<DomNode>(&node->DOMNode()));
        node->SetParentNode(this);
        break;
    }
    case ListOperation::Remove:
        if (!node)
            throw DomError("Node cannot be null");
        domNode_->removeChild(Ref<DomNode>(&node->DOMNode()));
        node->SetParentNode(nullptr);
        break;
    case ListOperation::Create: return AddChildElement(key.Name(), -1);
    }
    return Ref<XmlNode>();
}

void XmlNode::NodeChanged(NodeChange change, NotifyPhase phase)
{
    if (XmlDocument* document = OwnerDocument())
        document->NodeChanged(*this, change, phase);
    if (phase == NotifyPhase::Before && readOnly_)
        throw XmlDocError("Node is readonly");
}

void XmlNode::SetAttributeNodes(Ref<XmlNodeList> list)
{
    if (attributeList_)
        attributeList_->OwnerGone();
    attributeList_ = std::move(list);
}

void XmlNode::SetChildNodes(Ref<XmlNodeList> list)
{
    if (childList_ && childList_ != list)
        childList_->OwnerGone();
    childList_ = std::move(list);
}

} // namespace quorvane::xml
