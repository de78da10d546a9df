#pragma once

#include "xml/DomNodeType.h"
#include "xml/Ref.h"
#include "xml/RefCounted.h"

#include <string>
#include <string_view>

namespace quorvane::xml {

class DomDocument;
class DomNamedNodeMap;
class DomNodeList;

/// Whether `cloneNode` copies the subtree or the node alone.
enum class CloneDepth { Shallow, Deep };

/// An element's children as a text-only element's reader sees them.
struct ElementTextView {
    enum class Shape {
        Unknown, ///< the service cannot tell without binding objects; ask the children
        Empty,   ///< no children
        Single,  ///< exactly one child, a text or CDATA section; `text` is its value
        Other,   ///< anything else
    };
    Shape shape = Shape::Unknown;
    /// The value of the single text child, valid until the tree changes.
    std::string_view text;
};

/// A service's own handle of a child node, handed out by services that can
/// read their children without binding objects; opaque to everyone else.
struct DomChildHandleTag;
using DomChildHandle = DomChildHandleTag*;

/// One node of a DOM service's tree. Names and texts are UTF-8. Every
/// operation reports a failure inside the service as `DomServiceError`; a null
/// node argument raises `DomError` "Node cannot be null".
class DomNode : public RefCounted {
public:
    virtual std::string nodeName() const = 0;
    /// The node's value; an absent value (elements, documents) reads as "".
    virtual std::string nodeValue() const = 0;
    virtual void setNodeValue(const std::string& value) = 0;
    virtual DomNodeType nodeType() const = 0;
    virtual Ref<DomNode> parentNode() const = 0;
    /// The children as a live list (a new view object on each call).
    virtual Ref<DomNodeList> childNodes() = 0;
    virtual Ref<DomNode> firstChild() const = 0;
    virtual Ref<DomNode> lastChild() const = 0;
    virtual Ref<DomNode> previousSibling() const = 0;
    virtual Ref<DomNode> nextSibling() const = 0;
    /// The attribute map of an element; none for other kinds.
    virtual Ref<DomNamedNodeMap> attributes() = 0;
    virtual Ref<DomDocument> ownerDocument() const = 0;
    virtual std::string namespaceURI() const = 0;
    virtual std::string prefix() const = 0;
    virtual std::string localName() const = 0;
    /// The namespace URI bound to `prefix` in scope at this node, or "".
    virtual std::string lookupNamespaceURI(const std::string& prefix) const = 0;
    /// Inserts `newChild` before `refChild` (appends when `refChild` is none);
    /// returns `newChild`.
    virtual Ref<DomNode> insertBefore(const Ref<DomNode>& newChild, const Ref<DomNode>& refChild) = 0;
    /// Puts `newChild` in the place of `oldChild`; returns `oldChild`.
    virtual Ref<DomNode> replaceChild(const Ref<DomNode>& newChild, const Ref<DomNode>& oldChild) = 0;
    /// Unlinks `oldChild`; the node stays usable and belongs to the document.
    virtual Ref<DomNode> removeChild(const Ref<DomNode>& oldChild) = 0;
    virtual Ref<DomNode> appendChild(const Ref<DomNode>& newChild) = 0;
    virtual bool hasChildNodes() const = 0;
    virtual Ref<DomNode> cloneNode(CloneDepth depth) const = 0;
    virtual void normalize() = 0;
    virtual bool supports(const std::string& feature, const std::string& version) const = 0;
    /// The node serialised as XML text (the extended node view).
    virtual std::string xml() const = 0;

    // Reading without copies. A service that keeps its tree in memory answers
    // these without creating objects for other nodes; the defaults go through
    // the operations above.

    /// True when `nodeName()` or, failing that, `localName()` equals `name`.
    virtual bool nameIs(std::string_view name) const { return nodeName() == name || localName() == name; }
    /// How the children of this element look to a reader of its text.
    virtual ElementTextView elementText() const { return ElementTextView(); }

    /// True when this node's children can be listed and read by handle (the
    /// operations below); the defaults say no. A handle stays valid, and
    /// names the same node, as long as this node's binding object lives.
    virtual bool hasChildHandles() const { return false; }
    /// The first child's handle, or null.
    virtual DomChildHandle firstChildHandle() const { return nullptr; }
    /// The handle of the child after `child`, or null.
    virtual DomChildHandle nextChildHandle(DomChildHandle) const { return nullptr; }
    /// `nameIs` of the child `child`.
    virtual bool childNameIs(DomChildHandle, std::string_view) const { return false; }
    /// True when the child `child` is an element and `nameIs(name)`.
    virtual bool childIsElementNamed(DomChildHandle child, std::string_view name) const
    {
        const Ref<DomNode> node = wrapChild(child);
        return node && node->nodeType() == DomNodeType::Element && node->nameIs(name);
    }
    /// The shape of `elementText` of the child `child`, without its text.
    virtual ElementTextView::Shape childElementShape(DomChildHandle child) const
    {
        return childElementText(child).shape;
    }
    /// `elementText` of the child `child`.
    virtual ElementTextView childElementText(DomChildHandle) const { return ElementTextView(); }
    /// The handle of the first child of the element `child` that `nameIs(name)`,
    /// as a child list of `child` in no namespace finds it; null when there is
    /// none, when `child` is in a namespace (its list matches namespaces then),
    /// or when the service cannot tell. The child operations read it as they
    /// read a child.
    virtual DomChildHandle firstGrandchildNamed(DomChildHandle, std::string_view) const { return nullptr; }
    /// A hint that the child `child` is read soon, down to `depth` levels of
    /// first children (0: the child alone; 1: its first child; 2: that one's
    /// first child; 3: also the text of that): the service may start bringing
    /// the deepest of them into the processor's cache, having read the levels
    /// above it (which an earlier hint of lesser depth brought in). Nothing by
    /// default.
    virtual void prefetchChild(DomChildHandle, int /*depth*/) const {}
    /// The binding object of the child `child`.
    virtual Ref<DomNode> wrapChild(DomChildHandle) const { return Ref<DomNode>(); }
};

} // namespace quorvane::xml
