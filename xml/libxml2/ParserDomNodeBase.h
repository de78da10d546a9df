#pragma once

#include "xml/DomDocument.h"
#include "xml/DomNode.h"

struct _xmlNode;

namespace quorvane::xml {

/// The node operations of the binding over one parser node, shared by the
/// plain node classes (`Base` = `DomNode`) and the document (`Base` =
/// `DomDocument`). Failures surface as `DomServiceError` with the
/// binding's description; null arguments as `DomError`.
template <class Base>
class ParserDomNodeBase : public Base {
public:
    _xmlNode* parserNode() const noexcept { return node_; }

    std::string nodeName() const override;
    std::string nodeValue() const override;
    void setNodeValue(const std::string& value) override;
    DomNodeType nodeType() const override;
    Ref<DomNode> parentNode() const override;
    Ref<DomNodeList> childNodes() override;
    Ref<DomNode> firstChild() const override;
    Ref<DomNode> lastChild() const override;
    Ref<DomNode> previousSibling() const override;
    Ref<DomNode> nextSibling() const override;
    Ref<DomNamedNodeMap> attributes() override;
    Ref<DomDocument> ownerDocument() const override;
    std::string namespaceURI() const override;
    std::string prefix() const override;
    std::string localName() const override;
    std::string lookupNamespaceURI(const std::string& prefix) const override;
    Ref<DomNode> insertBefore(const Ref<DomNode>& newChild, const Ref<DomNode>& refChild) override;
    Ref<DomNode> replaceChild(const Ref<DomNode>& newChild, const Ref<DomNode>& oldChild) override;
    Ref<DomNode> removeChild(const Ref<DomNode>& oldChild) override;
    Ref<DomNode> appendChild(const Ref<DomNode>& newChild) override;
    bool hasChildNodes() const override;
    Ref<DomNode> cloneNode(CloneDepth depth) const override;
    /// Not offered through the node interface: raises `DomError`.
    void normalize() override;
    /// Not offered: raises `DomError`.
    bool supports(const std::string& feature, const std::string& version) const override;
    std::string xml() const override;
    bool nameIs(std::string_view name) const override;
    ElementTextView elementText() const override;
    bool hasChildHandles() const override { return true; }
    DomChildHandle firstChildHandle() const override;
    DomChildHandle nextChildHandle(DomChildHandle child) const override;
    bool childNameIs(DomChildHandle child, std::string_view name) const override;
    bool childIsElementNamed(DomChildHandle child, std::string_view name) const override;
    ElementTextView childElementText(DomChildHandle child) const override;
    ElementTextView::Shape childElementShape(DomChildHandle child) const override;
    DomChildHandle firstGrandchildNamed(DomChildHandle child, std::string_view name) const override;
    void prefetchChild(DomChildHandle child, int depth) const override;
    Ref<DomNode> wrapChild(DomChildHandle child) const override;

protected:
    explicit ParserDomNodeBase(_xmlNode* node) : node_(node) {}
    ~ParserDomNodeBase() override = default;

    _xmlNode* node_;
};

extern template class ParserDomNodeBase<DomNode>;
extern template class ParserDomNodeBase<DomDocument>;

} // namespace quorvane::xml
