#pragma once

#include "xml/DomNode.h"

#include <string>

namespace quorvane::xml {

class DomNodeList;
class DomParseErrorInfo;
class DomParseOptions;
class DomPersist;

/// A whole DOM document. Nodes it creates belong to it and stay unlinked
/// until inserted.
class DomDocument : public DomNode {
public:
    virtual Ref<DomNode> createElement(const std::string& tagName) = 0;
    virtual Ref<DomNode> createElementNS(const std::string& namespaceURI, const std::string& qualifiedName) = 0;
    virtual Ref<DomNode> createTextNode(const std::string& data) = 0;
    virtual Ref<DomNode> createAttribute(const std::string& name) = 0;
    virtual Ref<DomNode> createAttributeNS(const std::string& namespaceURI, const std::string& qualifiedName) = 0;
    virtual Ref<DomNode> createCDATASection(const std::string& data) = 0;
    virtual Ref<DomNode> createComment(const std::string& data) = 0;
    virtual Ref<DomNode> createProcessingInstruction(const std::string& target, const std::string& data) = 0;
    virtual Ref<DomNode> createEntityReference(const std::string& name) = 0;
    virtual Ref<DomNode> createDocumentFragment() = 0;
    /// The document element, or none.
    virtual Ref<DomNode> documentElement() const = 0;
    virtual Ref<DomNode> getElementById(const std::string& elementId) const = 0;
    virtual Ref<DomNodeList> getElementsByTagNameNS(const std::string& namespaceURI,
                                                    const std::string& localName) const = 0;
    virtual Ref<DomNode> importNode(const Ref<DomNode>& node, CloneDepth depth) = 0;

    /// Optional views; none when the service does not offer them. They live
    /// as long as the document.
    virtual DomPersist* persist() { return nullptr; }
    virtual DomParseOptions* parseOptions() { return nullptr; }
    virtual const DomParseErrorInfo* parseErrorInfo() const { return nullptr; }
};

} // namespace quorvane::xml
