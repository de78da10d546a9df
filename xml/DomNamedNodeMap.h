#pragma once

#include "xml/Ref.h"
#include "xml/RefCounted.h"

#include <string>

namespace quorvane::xml {

class DomNode;

/// The attributes of an element, by name or by position.
class DomNamedNodeMap : public RefCounted {
public:
    /// The attribute named `name`, or none.
    virtual Ref<DomNode> getNamedItem(const std::string& name) const = 0;
    /// Adds or replaces an attribute node; returns the one it replaced, or none.
    virtual Ref<DomNode> setNamedItem(const Ref<DomNode>& attr) = 0;
    /// The attribute at `index`, or none outside 0 .. length() - 1.
    virtual Ref<DomNode> item(int index) const = 0;
    virtual int length() const = 0;
};

} // namespace quorvane::xml
