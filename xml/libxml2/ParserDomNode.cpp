#include "xml/libxml2/ParserDomNode.h"

#include "xml/DomError.h"
#include "xml/libxml2/ParserDomDocument.h"
#include "xml/libxml2/ParserDomNodeKinds.h"
#include "xml/libxml2/ParserSupport.h"

namespace quorvane::xml {

ParserDomNode::ParserDomNode(_xmlNode* node, ParserDomDocument* document)
    : ParserDomNodeBase<DomNode>(node), document_(document)
{
    node->_private = static_cast<DomNode*>(this);
    document_->AddRef();
}

ParserDomNode::~ParserDomNode()
{
    node_->_private = nullptr;
    // Last: this may free the document and with it the parser node.
    document_->Release();
}

Ref<DomNode> ParserDomNode::Wrap(_xmlNode* node)
{
    if (!node)
        return Ref<DomNode>();
    if (node->_private)
        return Ref<DomNode>(static_cast<DomNode*>(node->_private));
    return Wrap(node, BindingDocumentOf(node));
}

Ref<DomNode> ParserDomNode::Wrap(_xmlNode* node, ParserDomDocument* document)
{
    if (!node)
        return Ref<DomNode>();
    if (node->_private)
        return Ref<DomNode>(static_cast<DomNode*>(node->_private));
    switch (node->type) {
    case XML_ELEMENT_NODE: return MakeRef<ParserDomElement>(node, document);
    case XML_ATTRIBUTE_NODE: return MakeRef<ParserDomAttr>(node, document);
    case XML_TEXT_NODE: return MakeRef<ParserDomText>(node, document);
    case XML_CDATA_SECTION_NODE: return MakeRef<ParserDomCDATASection>(node, document);
    case XML_ENTITY_REF_NODE: return MakeRef<ParserDomEntityReference>(node, document);
    case XML_ENTITY_NODE:
    case XML_ENTITY_DECL: return MakeRef<ParserDomEntity>(node, document);
    case XML_PI_NODE: return MakeRef<ParserDomProcessingInstruction>(node, document);
    case XML_COMMENT_NODE: return MakeRef<ParserDomComment>(node, document);
    case XML_DOCUMENT_TYPE_NODE:
    case XML_DTD_NODE: return MakeRef<ParserDomDocumentType>(node, document);
    case XML_DOCUMENT_FRAG_NODE: return MakeRef<ParserDomDocumentFragment>(node, document);
    case XML_NOTATION_NODE: return MakeRef<ParserDomNotation>(node, document);
    default:
        // Documents always carry their binding object; declarations inside a
        // DTD are not exposed.
        return Ref<DomNode>();
    }
}

_xmlNode* ParserDomNode::Unwrap(const Ref<DomNode>& node)
{
    if (!node)
        throw DomError("Node cannot be null");
    if (auto* plain = dynamic_cast<ParserDomNodeBase<DomNode>*>(node.get()))
        return plain->parserNode();
    if (auto* document = dynamic_cast<ParserDomNodeBase<DomDocument>*>(node.get()))
        return document->parserNode();
    FailService("Wrong document: the node does not belong to this DOM implementation", kWrongDocumentErr);
}

} // namespace quorvane::xml
