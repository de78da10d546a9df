#pragma once

#include "xml/DomNamedNodeMap.h"

struct _xmlNode;

namespace quorvane::xml {

class DomNode;

/// Live view of an element's attributes; keeps the element's binding object
/// alive.
class ParserDomNamedNodeMap final : public DomNamedNodeMap {
public:
    explicit ParserDomNamedNodeMap(Ref<DomNode> owner, _xmlNode* element) : owner_(std::move(owner)), element_(element)
    {}
    Ref<DomNode> getNamedItem(const std::string& name) const override;
    /// Raises `DomServiceError` for a non-attribute, an attribute of another
    /// document or one that belongs to another element.
    Ref<DomNode> setNamedItem(const Ref<DomNode>& attr) override;
    Ref<DomNode> item(int index) const override;
    int length() const override;

private:
    Ref<DomNode> owner_;
    _xmlNode* element_;
};

} // namespace quorvane::xml
