#include "xml/libxml2/ParserDomNodeBase.h"

#include "xml/DomError.h"
#include "xml/libxml2/ParserDomDocument.h"
#include "xml/libxml2/ParserDomNamedNodeMap.h"
#include "xml/libxml2/ParserDomNode.h"
#include "xml/libxml2/ParserDomNodeList.h"
#include "xml/libxml2/ParserSupport.h"

#include <libxml/tree.h>

#include <memory>
#include <vector>

namespace quorvane::xml {

namespace {

// What the binding exposes as children: entity references and document
// types show none (the parser links an entity reference to the shared
// entity declaration, which is not a child in the DOM's sense).
xmlNodePtr FirstChildOf(const xmlNode* node)
{
    switch (node->type) {
    case XML_ENTITY_REF_NODE:
    case XML_DTD_NODE:
    case XML_DOCUMENT_TYPE_NODE:
    case XML_TEXT_NODE:
    case XML_CDATA_SECTION_NODE:
    case XML_COMMENT_NODE:
    case XML_PI_NODE: return nullptr;
    default: return node->children;
    }
}

xmlNodePtr LastChildOf(const xmlNode* node)
{
    return FirstChildOf(node) ? node->last : nullptr;
}

const char* KindName(xmlElementType type)
{
    switch (type) {
    case XML_TEXT_NODE: return "text";
    case XML_CDATA_SECTION_NODE: return "CDATA section";
    case XML_COMMENT_NODE: return "comment";
    case XML_PI_NODE: return "processing instruction";
    case XML_ENTITY_REF_NODE: return "entity reference";
    case XML_ATTRIBUTE_NODE: return "attribute";
    case XML_DTD_NODE:
    case XML_DOCUMENT_TYPE_NODE: return "document type";
    case XML_NOTATION_NODE: return "notation";
    case XML_DOCUMENT_NODE:
    case XML_HTML_DOCUMENT_NODE: return "document";
    case XML_ENTITY_NODE:
    case XML_ENTITY_DECL: return "entity";
    default: return "node";
    }
}

bool IsContentKind(xmlElementType type)
{
    return type == XML_ELEMENT_NODE || type == XML_TEXT_NODE || type == XML_CDATA_SECTION_NODE ||
           type == XML_COMMENT_NODE || type == XML_PI_NODE || type == XML_ENTITY_REF_NODE;
}

// The W3C DOM hierarchy rules, which the parser's own tree functions do not
// enforce: what `parent` may hold, and no node below itself.
void CheckChild(const xmlNode* parent, const xmlNode* child)
{
    bool allowed = false;
    switch (parent->type) {
    case XML_ELEMENT_NODE:
    case XML_DOCUMENT_FRAG_NODE: allowed = IsContentKind(child->type); break;
    case XML_DOCUMENT_NODE:
    case XML_HTML_DOCUMENT_NODE:
        allowed = child->type == XML_COMMENT_NODE || child->type == XML_PI_NODE;
        if (child->type == XML_ELEMENT_NODE) {
            const xmlNode* root = xmlDocGetRootElement(reinterpret_cast<const xmlDoc*>(parent));
            if (root != nullptr && root != child)
                FailService("Hierarchy request error: the document already has a document element",
                            kHierarchyRequestErr);
            allowed = true;
        }
        break;
    case XML_ATTRIBUTE_NODE: allowed = child->type == XML_TEXT_NODE || child->type == XML_ENTITY_REF_NODE; break;
    case XML_ENTITY_REF_NODE:
    case XML_ENTITY_NODE:
    case XML_ENTITY_DECL:
        FailService("No modification allowed: an entity's content is read-only", kNoModificationAllowedErr);
    default:
        FailService(std::string("Hierarchy request error: a ") + KindName(parent->type) + " node cannot have children",
                    kHierarchyRequestErr);
    }
    if (!allowed)
        FailService(std::string("Hierarchy request error: a ") + KindName(child->type) +
                        " node cannot be a child of a " + KindName(parent->type) + " node",
                    kHierarchyRequestErr);
    for (const xmlNode* up = parent; up; up = up->parent)
        if (up == child)
            FailService("Hierarchy request error: a node cannot be inserted below itself", kHierarchyRequestErr);
}

void LinkBefore(xmlNodePtr parent, xmlNodePtr node, xmlNodePtr before)
{
    node->parent = parent;
    if (before) {
        node->next = before;
        node->prev = before->prev;
        if (before->prev)
            before->prev->next = node;
        else
            parent->children = node;
        before->prev = node;
    } else {
        node->next = nullptr;
        node->prev = parent->last;
        if (parent->last)
            parent->last->next = node;
        else
            parent->children = node;
        parent->last = node;
    }
}

// Unlinks without freeing (and without the parser's merging of adjacent
// text nodes, which would free nodes that binding objects still hold).
void Detach(xmlNodePtr node)
{
    if (!node->parent && !node->prev && !node->next)
        return;
    xmlUnlinkNode(node);
    BindingDocumentOf(node)->AdoptOrphan(node);
}

std::string QualifiedName(const xmlNode* node)
{
    std::string name = Text(node->name);
    if (node->ns && node->ns->prefix)
        name = Text(node->ns->prefix) + ":" + name;
    return name;
}

std::string NodeNameOf(const xmlNode* node)
{
    switch (node->type) {
    case XML_ELEMENT_NODE:
    case XML_ATTRIBUTE_NODE: return QualifiedName(node);
    case XML_TEXT_NODE: return "#text";
    case XML_CDATA_SECTION_NODE: return "#cdata-section";
    case XML_COMMENT_NODE: return "#comment";
    case XML_DOCUMENT_NODE:
    case XML_HTML_DOCUMENT_NODE: return "#document";
    case XML_DOCUMENT_FRAG_NODE: return "#document-fragment";
    default: return Text(node->name);
    }
}

// nodeName() == name || localName() == name, without building either for
// elements and attributes.
bool NameIs(const xmlNode* node, std::string_view name)
{
    if (node->type != XML_ELEMENT_NODE && node->type != XML_ATTRIBUTE_NODE)
        return NodeNameOf(node) == name || name.empty(); // localName() is "" here
    const char* chars = node->name ? reinterpret_cast<const char*>(node->name) : "";
    // The local name, or the whole name when there is no prefix: compared
    // without measuring it first (a walk asks this of every field it passes).
    std::size_t k = 0;
    while (k < name.size() && chars[k] != '\0' && chars[k] == name[k])
        ++k;
    if (k == name.size() && chars[k] == '\0')
        return true;
    if (name.find(':') == std::string_view::npos)
        return false; // and no "prefix:local" either
    const std::string_view local(chars);
    // "prefix:local": told from the name alone before the namespace is read.
    if (name.size() < local.size() + 1 || name[name.size() - local.size() - 1] != ':' || !name.ends_with(local))
        return false;
    if (!node->ns || !node->ns->prefix)
        return false;
    const std::string_view prefix(reinterpret_cast<const char*>(node->ns->prefix));
    return name.size() == prefix.size() + 1 + local.size() && name.starts_with(prefix);
}

ElementTextView::Shape ElementShapeOf(const xmlNode* node)
{
    if (node->type != XML_ELEMENT_NODE)
        return ElementTextView::Shape::Unknown;
    const xmlNode* first = node->children;
    if (!first)
        return ElementTextView::Shape::Empty;
    if (first->next || (first->type != XML_TEXT_NODE && first->type != XML_CDATA_SECTION_NODE))
        return ElementTextView::Shape::Other;
    return ElementTextView::Shape::Single;
}

ElementTextView ElementTextOf(const xmlNode* node)
{
    ElementTextView view;
    view.shape = ElementShapeOf(node);
    if (view.shape == ElementTextView::Shape::Single && node->children->content)
        view.text = std::string_view(reinterpret_cast<const char*>(node->children->content));
    return view;
}

DomChildHandle HandleOf(xmlNodePtr node)
{
    return reinterpret_cast<DomChildHandle>(node);
}

xmlNodePtr NodeOf(DomChildHandle handle)
{
    return reinterpret_cast<xmlNodePtr>(handle);
}

} // namespace

template <class Base>
std::string ParserDomNodeBase<Base>::nodeName() const
{
    return NodeNameOf(node_);
}

template <class Base>
std::string ParserDomNodeBase<Base>::nodeValue() const
{
    switch (node_->type) {
    case XML_TEXT_NODE:
    case XML_CDATA_SECTION_NODE:
    case XML_COMMENT_NODE:
    case XML_PI_NODE: return Text(node_->content);
    case XML_ATTRIBUTE_NODE: {
        std::unique_ptr<xmlChar, void (*)(void*)> content(xmlNodeGetContent(node_), xmlFree);
        return Text(content.get());
    }
    default: return std::string();
    }
}

template <class Base>
void ParserDomNodeBase<Base>::setNodeValue(const std::string& value)
{
    switch (node_->type) {
    case XML_TEXT_NODE:
    case XML_CDATA_SECTION_NODE:
    case XML_COMMENT_NODE:
    case XML_PI_NODE: xmlNodeSetContentLen(node_, Chars(value), static_cast<int>(value.size())); break;
    case XML_ATTRIBUTE_NODE: {
        // Replace the attribute's text children without freeing the old ones,
        // which binding objects may still hold.
        while (node_->children)
            Detach(node_->children);
        xmlNodePtr text = xmlNewDocText(node_->doc, Chars(value));
        if (!text)
            FailParserCall("xmlNewDocText");
        LinkBefore(node_, text, nullptr);
        break;
    }
    default:
        // Elements, documents and the like have no value to set.
        break;
    }
}

template <class Base>
DomNodeType ParserDomNodeBase<Base>::nodeType() const
{
    switch (node_->type) {
    case XML_DTD_NODE: return DomNodeType::DocumentType;
    case XML_ENTITY_DECL: return DomNodeType::Entity;
    case XML_HTML_DOCUMENT_NODE: return DomNodeType::Document;
    default: return static_cast<DomNodeType>(node_->type);
    }
}

template <class Base>
Ref<DomNode> ParserDomNodeBase<Base>::parentNode() const
{
    if (node_->type == XML_ATTRIBUTE_NODE)
        return Ref<DomNode>();
    return ParserDomNode::Wrap(node_->parent);
}

template <class Base>
Ref<DomNodeList> ParserDomNodeBase<Base>::childNodes()
{
    return MakeRef<ParserDomNodeList>(Ref<DomNode>(this), node_);
}

template <class Base>
Ref<DomNode> ParserDomNodeBase<Base>::firstChild() const
{
    return ParserDomNode::Wrap(FirstChildOf(node_));
}

template <class Base>
Ref<DomNode> ParserDomNodeBase<Base>::lastChild() const
{
    return ParserDomNode::Wrap(LastChildOf(node_));
}

template <class Base>
Ref<DomNode> ParserDomNodeBase<Base>::previousSibling() const
{
    if (node_->type == XML_ATTRIBUTE_NODE)
        return Ref<DomNode>();
    return ParserDomNode::Wrap(node_->prev);
}

template <class Base>
Ref<DomNode> ParserDomNodeBase<Base>::nextSibling() const
{
    if (node_->type == XML_ATTRIBUTE_NODE)
        return Ref<DomNode>();
    return ParserDomNode::Wrap(node_->next);
}

template <class Base>
Ref<DomNamedNodeMap> ParserDomNodeBase<Base>::attributes()
{
    if (node_->type != XML_ELEMENT_NODE)
        return Ref<DomNamedNodeMap>();
    return MakeRef<ParserDomNamedNodeMap>(Ref<DomNode>(this), node_);
}

template <class Base>
Ref<DomDocument> ParserDomNodeBase<Base>::ownerDocument() const
{
    if (node_->type == XML_DOCUMENT_NODE || node_->type == XML_HTML_DOCUMENT_NODE || !node_->doc)
        return Ref<DomDocument>();
    return Ref<DomDocument>(BindingDocumentOf(node_));
}

template <class Base>
std::string ParserDomNodeBase<Base>::namespaceURI() const
{
    if ((node_->type == XML_ELEMENT_NODE || node_->type == XML_ATTRIBUTE_NODE) && node_->ns)
        return Text(node_->ns->href);
    return std::string();
}

template <class Base>
std::string ParserDomNodeBase<Base>::prefix() const
{
    if ((node_->type == XML_ELEMENT_NODE || node_->type == XML_ATTRIBUTE_NODE) && node_->ns)
        return Text(node_->ns->prefix);
    return std::string();
}

template <class Base>
std::string ParserDomNodeBase<Base>::localName() const
{
    if (node_->type == XML_ELEMENT_NODE || node_->type == XML_ATTRIBUTE_NODE)
        return Text(node_->name);
    return std::string();
}

template <class Base>
std::string ParserDomNodeBase<Base>::lookupNamespaceURI(const std::string& prefix) const
{
    const xmlNs* ns = xmlSearchNs(node_->doc, node_, prefix.empty() ? nullptr : Chars(prefix));
    return ns ? Text(ns->href) : std::string();
}

template <class Base>
Ref<DomNode> ParserDomNodeBase<Base>::insertBefore(const Ref<DomNode>& newChild, const Ref<DomNode>& refChild)
{
    xmlNodePtr child = ParserDomNode::Unwrap(newChild);
    xmlNodePtr before = refChild ? ParserDomNode::Unwrap(refChild) : nullptr;
    if (before && before->parent != node_)
        FailService("Not found: the reference node is not a child of this node", kNotFoundErr);
    if (child->doc != node_->doc)
        FailService("Wrong document: the node belongs to another document", kWrongDocumentErr);
    if (child == before)
        return newChild;
    if (child->type == XML_DOCUMENT_FRAG_NODE) {
        std::vector<xmlNodePtr> moved;
        for (xmlNodePtr c = child->children; c; c = c->next) {
            CheckChild(node_, c);
            moved.push_back(c);
        }
        for (xmlNodePtr c : moved) {
            xmlUnlinkNode(c);
            LinkBefore(node_, c, before);
        }
        return newChild;
    }
    CheckChild(node_, child);
    Detach(child);
    LinkBefore(node_, child, before);
    return newChild;
}

template <class Base>
Ref<DomNode> ParserDomNodeBase<Base>::replaceChild(const Ref<DomNode>& newChild, const Ref<DomNode>& oldChild)
{
    xmlNodePtr old = ParserDomNode::Unwrap(oldChild);
    if (old->parent != node_ || old->type == XML_ATTRIBUTE_NODE)
        FailService("Not found: the node to replace is not a child of this node", kNotFoundErr);
    if (ParserDomNode::Unwrap(newChild) == old)
        return oldChild;
    insertBefore(newChild, oldChild);
    return removeChild(oldChild);
}

template <class Base>
Ref<DomNode> ParserDomNodeBase<Base>::removeChild(const Ref<DomNode>& oldChild)
{
    xmlNodePtr old = ParserDomNode::Unwrap(oldChild);
    if (old->parent != node_ || old->type == XML_ATTRIBUTE_NODE)
        FailService("Not found: the node to remove is not a child of this node", kNotFoundErr);
    if (node_->type == XML_ENTITY_REF_NODE || node_->type == XML_ENTITY_DECL)
        FailService("No modification allowed: an entity's content is read-only", kNoModificationAllowedErr);
    Detach(old);
    return oldChild;
}

template <class Base>
Ref<DomNode> ParserDomNodeBase<Base>::appendChild(const Ref<DomNode>& newChild)
{
    return insertBefore(newChild, Ref<DomNode>());
}

template <class Base>
bool ParserDomNodeBase<Base>::hasChildNodes() const
{
    return FirstChildOf(node_) != nullptr;
}

template <class Base>
Ref<DomNode> ParserDomNodeBase<Base>::cloneNode(CloneDepth depth) const
{
    if (node_->type == XML_DOCUMENT_NODE || node_->type == XML_HTML_DOCUMENT_NODE) {
        xmlDocPtr copy = xmlCopyDoc(reinterpret_cast<xmlDocPtr>(node_), depth == CloneDepth::Deep ? 1 : 0);
        if (!copy)
            FailParserCall("xmlCopyDoc");
        return Ref<DomNode>(new ParserDomDocument(copy));
    }
    xmlNodePtr copy = xmlDocCopyNode(node_, node_->doc, depth == CloneDepth::Deep ? 1 : 2);
    if (!copy)
        FailParserCall("xmlDocCopyNode");
    BindingDocumentOf(node_)->AdoptOrphan(copy);
    return ParserDomNode::Wrap(copy);
}

template <class Base>
void ParserDomNodeBase<Base>::normalize()
{
    FailUnsupported("normalize");
}

template <class Base>
bool ParserDomNodeBase<Base>::supports(const std::string&, const std::string&) const
{
    FailUnsupported("supports");
}

template <class Base>
std::string ParserDomNodeBase<Base>::xml() const
{
    std::unique_ptr<xmlBuffer, void (*)(xmlBufferPtr)> buffer(xmlBufferCreate(), xmlBufferFree);
    if (!buffer)
        FailParserCall("xmlBufferCreate");
    if (xmlNodeDump(buffer.get(), node_->doc, node_, 0, 0) < 0)
        FailParserCall("xmlNodeDump");
    return std::string(reinterpret_cast<const char*>(xmlBufferContent(buffer.get())),
                       static_cast<std::size_t>(xmlBufferLength(buffer.get())));
}

template <class Base>
bool ParserDomNodeBase<Base>::nameIs(std::string_view name) const
{
    return NameIs(node_, name);
}

template <class Base>
ElementTextView ParserDomNodeBase<Base>::elementText() const
{
    return ElementTextOf(node_);
}

template <class Base>
DomChildHandle ParserDomNodeBase<Base>::firstChildHandle() const
{
    return HandleOf(FirstChildOf(node_));
}

template <class Base>
DomChildHandle ParserDomNodeBase<Base>::nextChildHandle(DomChildHandle child) const
{
    return child ? HandleOf(NodeOf(child)->next) : nullptr;
}

template <class Base>
bool ParserDomNodeBase<Base>::childNameIs(DomChildHandle child, std::string_view name) const
{
    return NameIs(NodeOf(child), name);
}

template <class Base>
bool ParserDomNodeBase<Base>::childIsElementNamed(DomChildHandle child, std::string_view name) const
{
    const xmlNode* node = NodeOf(child);
    return node->type == XML_ELEMENT_NODE && NameIs(node, name);
}

template <class Base>
ElementTextView::Shape ParserDomNodeBase<Base>::childElementShape(DomChildHandle child) const
{
    return ElementShapeOf(NodeOf(child));
}

template <class Base>
ElementTextView ParserDomNodeBase<Base>::childElementText(DomChildHandle child) const
{
    return ElementTextOf(NodeOf(child));
}

template <class Base>
DomChildHandle ParserDomNodeBase<Base>::firstGrandchildNamed(DomChildHandle child, std::string_view name) const
{
    const xmlNode* node = NodeOf(child);
    if (node->type != XML_ELEMENT_NODE || node->ns)
        return nullptr;
    for (xmlNodePtr grandchild = node->children; grandchild; grandchild = grandchild->next) {
        if (NameIs(grandchild, name))
            return HandleOf(grandchild);
    }
    return nullptr;
}

template <class Base>
void ParserDomNodeBase<Base>::prefetchChild(DomChildHandle child, int depth) const
{
    const xmlNode* node = NodeOf(child);
    for (int level = 0; level < depth && level < 2; ++level) {
        node = FirstChildOf(node);
        if (!node)
            return;
    }
    // A node can straddle two cache lines: its type, name and links, which a
    // walk reads, lie at either end.
    const char* bytes = reinterpret_cast<const char*>(node);
    if (depth < 3) {
        __builtin_prefetch(bytes);
        __builtin_prefetch(bytes + sizeof(xmlNode) - 1);
    } else if (node->content) {
        __builtin_prefetch(node->content);
    }
}

template <class Base>
Ref<DomNode> ParserDomNodeBase<Base>::wrapChild(DomChildHandle child) const
{
    // A child belongs to this node's document, which saves reading it from the child.
    return ParserDomNode::Wrap(NodeOf(child), BindingDocumentOf(node_));
}

template class ParserDomNodeBase<DomNode>;
template class ParserDomNodeBase<DomDocument>;

Ref<DomNode> ParserDomNodeList::item(int index) const
{
    if (index < 0)
        return Ref<DomNode>();
    xmlNodePtr child = FirstChildOf(parent_);
    for (int i = 0; child && i < index; ++i)
        child = child->next;
    return ParserDomNode::Wrap(child);
}

int ParserDomNodeList::length() const
{
    int count = 0;
    for (xmlNodePtr child = FirstChildOf(parent_); child; child = child->next)
        ++count;
    return count;
}

Ref<DomNode> ParserDomNamedNodeMap::getNamedItem(const std::string& name) const
{
    for (xmlAttrPtr attr = element_->properties; attr; attr = attr->next)
        if (QualifiedName(reinterpret_cast<xmlNodePtr>(attr)) == name)
            return ParserDomNode::Wrap(reinterpret_cast<xmlNodePtr>(attr));
    return Ref<DomNode>();
}

Ref<DomNode> ParserDomNamedNodeMap::setNamedItem(const Ref<DomNode>& attrNode)
{
    xmlNodePtr attr = ParserDomNode::Unwrap(attrNode);
    if (attr->type != XML_ATTRIBUTE_NODE)
        FailService("Hierarchy request error: only attributes belong in an attribute map", kHierarchyRequestErr);
    if (attr->doc != element_->doc)
        FailService("Wrong document: the node belongs to another document", kWrongDocumentErr);
    if (attr->parent == element_)
        return attrNode;
    if (attr->parent)
        FailService("Attribute in use: the attribute belongs to another element", kInuseAttributeErr);
    Ref<DomNode> replaced = getNamedItem(QualifiedName(attr));
    if (replaced)
        Detach(ParserDomNode::Unwrap(replaced));
    auto* newAttr = reinterpret_cast<xmlAttrPtr>(attr);
    newAttr->parent = element_;
    newAttr->next = nullptr;
    newAttr->prev = nullptr;
    if (!element_->properties) {
        element_->properties = newAttr;
    } else {
        xmlAttrPtr last = element_->properties;
        while (last->next)
            last = last->next;
        last->next = newAttr;
        newAttr->prev = last;
    }
    return replaced;
}

Ref<DomNode> ParserDomNamedNodeMap::item(int index) const
{
    if (index < 0)
        return Ref<DomNode>();
    xmlAttrPtr attr = element_->properties;
    for (int i = 0; attr && i < index; ++i)
        attr = attr->next;
    return ParserDomNode::Wrap(reinterpret_cast<xmlNodePtr>(attr));
}

int ParserDomNamedNodeMap::length() const
{
    int count = 0;
    for (xmlAttrPtr attr = element_->properties; attr; attr = attr->next)
        ++count;
    return count;
}

} // namespace quorvane::xml
