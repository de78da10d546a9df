#pragma once

#include "xml/Ref.h"
#include "xml/RefCounted.h"

namespace quorvane::xml {

class DomNode;

/// A live, ordered list of DOM nodes (a node's children).
class DomNodeList : public RefCounted {
public:
    /// The node at `index`, or none outside 0 .. length() - 1.
    virtual Ref<DomNode> item(int index) const = 0;
    virtual int length() const = 0;
};

} // namespace quorvane::xml
