#pragma once

#include "xml/Ref.h"
#include "xml/RefCounted.h"

#include <string>

namespace quorvane::xml {

class DomDocument;
class DomNode;

/// Factory of a DOM service's documents.
class DomImplementation : public RefCounted {
public:
    virtual bool hasFeature(const std::string& feature, const std::string& version) const = 0;
    virtual Ref<DomNode> createDocumentType(const std::string& qualifiedName, const std::string& publicId,
                                            const std::string& systemId) = 0;
    /// A new, empty document (the binding ignores the arguments).
    virtual Ref<DomDocument> createDocument(const std::string& namespaceURI, const std::string& qualifiedName,
                                            const Ref<DomNode>& docType) = 0;
};

} // namespace quorvane::xml
