#pragma once

#include "xml/RefCounted.h"

namespace quorvane::xml {

class XmlDocument;

/// The link from node wrappers to their document. The document clears it when
/// it is destroyed, so a wrapper that outlives its document sees "no
/// document" instead of a dangling pointer. One per document, shared by all
/// its wrappers.
class DocumentAnchor final : public RefCounted {
public:
    explicit DocumentAnchor(XmlDocument* document) : document_(document) {}
    XmlDocument* Document() const noexcept { return document_; }
    void Clear() noexcept { document_ = nullptr; }

private:
    XmlDocument* document_;
};

} // namespace quorvane::xml
