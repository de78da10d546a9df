#pragma once

#include "xml/libxml2/ParserDomNode.h"

namespace quorvane::xml {

// Binding classes by node type. They share the behaviour of ParserDomNode;
// the class tells the kind apart for callers that test for it.
#define QUORVANE_PARSER_DOM_KIND(Name)                                                                                 \
    class Name final : public ParserDomNode {                                                                          \
    public:                                                                                                            \
        Name(_xmlNode* node, ParserDomDocument* document) : ParserDomNode(node, document) {}                           \
    }

QUORVANE_PARSER_DOM_KIND(ParserDomElement);
QUORVANE_PARSER_DOM_KIND(ParserDomAttr);
QUORVANE_PARSER_DOM_KIND(ParserDomText);
QUORVANE_PARSER_DOM_KIND(ParserDomCDATASection);
QUORVANE_PARSER_DOM_KIND(ParserDomEntityReference);
QUORVANE_PARSER_DOM_KIND(ParserDomEntity);
QUORVANE_PARSER_DOM_KIND(ParserDomProcessingInstruction);
QUORVANE_PARSER_DOM_KIND(ParserDomComment);
QUORVANE_PARSER_DOM_KIND(ParserDomDocumentType);
QUORVANE_PARSER_DOM_KIND(ParserDomDocumentFragment);
QUORVANE_PARSER_DOM_KIND(ParserDomNotation);

#undef QUORVANE_PARSER_DOM_KIND

} // namespace quorvane::xml
