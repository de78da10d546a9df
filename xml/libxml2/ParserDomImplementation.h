#pragma once

#include "xml/DomImplementation.h"

namespace quorvane::xml {

/// The DOM implementation of the "libxml2" vendor.
class ParserDomImplementation final : public DomImplementation {
public:
    /// "XML" and "Core" at versions "", "1.0" and "2.0".
    bool hasFeature(const std::string& feature, const std::string& version) const override;
    /// Not offered: raises `DomError`.
    Ref<DomNode> createDocumentType(const std::string& qualifiedName, const std::string& publicId,
                                    const std::string& systemId) override;
    /// Ignores its arguments; a new, empty document from `ParserDocumentHook`.
    /// Raises `DomError` "The XML parser is not available" when none is made.
    Ref<DomDocument> createDocument(const std::string& namespaceURI, const std::string& qualifiedName,
                                    const Ref<DomNode>& docType) override;
};

} // namespace quorvane::xml
