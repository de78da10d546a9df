#pragma once

#include "xml/DomNodeType.h"
#include "xml/NodeChange.h"
#include "xml/NodeKey.h"
#include "xml/Ref.h"
#include "xml/RefCounted.h"

#include <string>
#include <string_view>

namespace quorvane::xml {

class DocumentAnchor;
class DomNode;
class XmlDocument;
class XmlNodeList;

/// Wrapper of one DOM node, handed out by child lists. Reference-counted;
/// it keeps its DOM node alive. The parent is a weak link that becomes none
/// when the parent wrapper goes away or the node leaves the parent's list.
/// Texts are UTF-8.
class XmlNode : public RefCounted {
public:
    /// Raises `XmlDocError` "DomNode required" when `domNode` is none.
    /// `document` may be null (a node outside any document component).
    XmlNode(Ref<DomNode> domNode, XmlNode* parent, XmlDocument* document);
    ~XmlNode() override;

    /// The DOM node type code, unchanged.
    DomNodeType NodeKind() const;
    std::string NodeName() const;
    std::string LocalName() const;
    std::string NamespaceURI() const;
    std::string Prefix() const;
    bool HasChildNodes() const;

    DomNode& DOMNode() const noexcept { return *domNode_; }
    /// The owning document component; null once detached or destroyed.
    XmlDocument* OwnerDocument() const noexcept;
    /// The parent wrapper; null for the document node, for nodes not
    /// obtained through a child list, and after removal.
    XmlNode* ParentNode() const noexcept { return parent_; }
    bool IsReadOnly() const noexcept { return readOnly_; }
    /// True for an element whose parent wrapper is the document node.
    bool IsDocumentElement() const noexcept { return documentElement_; }

    /// The children (all kinds: elements, text, CDATA, comments, processing
    /// instructions), built on first request and then cached.
    Ref<XmlNodeList> ChildList();
    /// The attributes of an element; raises `XmlDocError` "Attributes are not
    /// supported on this node type" for other kinds.
    Ref<XmlNodeList> AttributeNodes();

    /// The text of a text-only element (an element without children first
    /// gets an empty text child, without a change notification), or the
    /// value of any other kind of node. Raises `XmlDocError` "Element does not
    /// contain a single text node" for an element holding anything else.
    std::string NodeText();
    /// `NodeText` without a copy where the DOM service allows one: the view
    /// points into the DOM's own text (valid until the tree changes) or, where
    /// it cannot, into `storage`.
    std::string_view NodeTextView(std::string& storage);

    /// Gives the childless element `element` the empty text child that
    /// reading its text gives it; returns that child.
    static Ref<DomNode> AppendEmptyText(DomNode& element);

    /// The next / previous entry of the parent's child list (any kind), or
    /// none at the end or without a parent.
    Ref<XmlNode> FollowingSibling() const;
    Ref<XmlNode> PrecedingSibling() const;

    /// Creates an element `tagName` and inserts it at `index` of this node's
    /// child list (-1 appends). A DOM refusal raises `DomServiceError`.
    Ref<XmlNode> AddChildElement(const std::string& tagName, int index = -1);

    /// Drops the cached child list; the next `ChildList` builds new wrappers.
    void ResetChildList();
    /// Cuts this wrapper and every cached descendant from the document.
    void DetachFromDocument();

    // Overridable operations, in slot order.

    /// The wrapper for an attribute of this node.
    virtual Ref<XmlNode> CreateAttributeNode(Ref<DomNode> domNode);
    /// The wrapper for a child of this node.
    virtual Ref<XmlNode> CreateChildNode(Ref<DomNode> domNode);
    virtual void SetParentNode(XmlNode* parent);
    /// Runs around each operation of this node's child list: reports the
    /// node change and, in the Before phase (while the list's update count
    /// is 0), carries the operation out on the DOM. For `Create` it returns
    /// the created child; otherwise none. `key` is the position for Insert
    /// and the name for Create.
    virtual Ref<XmlNode> ChildListNotification(ListOperation operation, const Ref<XmlNode>& node, const NodeKey& key,
                                               NotifyPhase phase, const XmlNodeList& list);
    /// Counts and reports a change; raises "Node is readonly" in the Before
    /// phase on a read-only node.
    virtual void NodeChanged(NodeChange change, NotifyPhase phase);
    virtual void SetAttributeNodes(Ref<XmlNodeList> list);
    virtual void SetChildNodes(Ref<XmlNodeList> list);

private:
    friend class XmlNodeList;

    /// True when the document asks for plain reads (`ReadPath::Plain`).
    bool ReadsPlainly() const noexcept;

    Ref<DomNode> domNode_;
    Ref<DocumentAnchor> anchor_;
    XmlNode* parent_ = nullptr;
    Ref<XmlNodeList> childList_;
    Ref<XmlNodeList> attributeList_;
    bool readOnly_ = false;
    bool documentElement_ = false;
    // Position in the parent's list when last seen there; checked before use.
    mutable int positionHint_ = -1;
};

} // namespace quorvane::xml
