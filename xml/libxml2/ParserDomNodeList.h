#pragma once

#include "xml/DomNodeList.h"

struct _xmlNode;

namespace quorvane::xml {

class DomNode;

/// Live view of a parser node's children; keeps the node's binding object
/// (and so its document) alive.
class ParserDomNodeList final : public DomNodeList {
public:
    explicit ParserDomNodeList(Ref<DomNode> owner, _xmlNode* parent) : owner_(std::move(owner)), parent_(parent) {}
    Ref<DomNode> item(int index) const override;
    int length() const override;

private:
    Ref<DomNode> owner_;
    _xmlNode* parent_;
};

} // namespace quorvane::xml
