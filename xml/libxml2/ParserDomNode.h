#pragma once

#include "xml/libxml2/ParserDomNodeBase.h"

struct _xmlNode;

namespace quorvane::xml {
class ParserDomDocument;
} // namespace quorvane::xml

namespace quorvane::xml {

/// Binding object of one parser node other than the document. There is at
/// most one per parser node at a time (the parser node points back at it),
/// so node identity is object identity. It keeps its document alive.
class ParserDomNode : public ParserDomNodeBase<DomNode> {
public:
    /// The binding object of `node` (document included), created on first
    /// request with the class of its node type; none for null.
    static Ref<DomNode> Wrap(_xmlNode* node);
    /// The same for a node of the binding document `document`, known to the
    /// caller (saves reading it from the node).
    static Ref<DomNode> Wrap(_xmlNode* node, ParserDomDocument* document);
    /// The parser node behind a binding object of this vendor. Raises
    /// `DomError` "Node cannot be null" for none, `DomServiceError` for a
    /// node of another vendor.
    static _xmlNode* Unwrap(const Ref<DomNode>& node);

protected:
    ParserDomNode(_xmlNode* node, ParserDomDocument* document);
    ~ParserDomNode() override;

private:
    ParserDomDocument* document_; ///< held (one reference) for the object's life
};

} // namespace quorvane::xml
