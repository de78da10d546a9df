#pragma once

#include "xml/DomParseErrorInfo.h"
#include "xml/DomParseOptions.h"
#include "xml/DomPersist.h"
#include "xml/libxml2/ParserDomNodeBase.h"

#include <string>
#include <vector>

struct _xmlDoc;

namespace quorvane::xml {

/// Binding object of a parser document; owns it and frees it (and every
/// node created in it but left outside the tree) when the last binding object
/// of the document goes away. Loading replaces the held parser document.
class ParserDomDocument final : public ParserDomNodeBase<DomDocument>,
                                public DomPersist,
                                public DomParseOptions,
                                public DomParseErrorInfo {
public:
    /// Takes ownership of `document`.
    explicit ParserDomDocument(_xmlDoc* document);
    ~ParserDomDocument() override;

    Ref<DomNode> createElement(const std::string& tagName) override;
    Ref<DomNode> createElementNS(const std::string& namespaceURI, const std::string& qualifiedName) override;
    Ref<DomNode> createTextNode(const std::string& data) override;
    Ref<DomNode> createAttribute(const std::string& name) override;
    Ref<DomNode> createAttributeNS(const std::string& namespaceURI, const std::string& qualifiedName) override;
    Ref<DomNode> createCDATASection(const std::string& data) override;
    Ref<DomNode> createComment(const std::string& data) override;
    Ref<DomNode> createProcessingInstruction(const std::string& target, const std::string& data) override;
    Ref<DomNode> createEntityReference(const std::string& name) override;
    Ref<DomNode> createDocumentFragment() override;
    Ref<DomNode> documentElement() const override;
    Ref<DomNode> getElementById(const std::string& elementId) const override;
    Ref<DomNodeList> getElementsByTagNameNS(const std::string& namespaceURI,
                                            const std::string& localName) const override;
    Ref<DomNode> importNode(const Ref<DomNode>& node, CloneDepth depth) override;

    DomPersist* persist() override { return this; }
    DomParseOptions* parseOptions() override { return this; }
    const DomParseErrorInfo* parseErrorInfo() const override { return this; }

    // DomPersist
    std::string xml() const override;
    bool load(ByteStream& stream) override;
    bool loadFile(const std::string& fileName) override;
    bool loadXML(const std::string& text) override;
    void save(ByteStream& stream) const override;
    void saveFile(const std::string& fileName) const override;

    // DomParseOptions
    bool async() const override { return async_; }
    void setAsync(bool value) override { async_ = value; }
    bool preserveWhiteSpace() const override { return preserveWhiteSpace_; }
    void setPreserveWhiteSpace(bool value) override { preserveWhiteSpace_ = value; }
    bool resolveExternals() const override { return resolveExternals_; }
    void setResolveExternals(bool value) override { resolveExternals_ = value; }
    bool validate() const override { return validate_; }
    void setValidate(bool value) override { validate_ = value; }

    // DomParseErrorInfo (the last rejected load)
    int errorCode() const override { return error_.code; }
    std::string url() const override { return error_.url; }
    std::string reason() const override { return error_.reason; }
    std::string srcText() const override { return error_.srcText; }
    int line() const override { return error_.line; }
    int linepos() const override { return error_.linepos; }
    long long filepos() const override { return error_.filepos; }

    /// Records a node created in, or removed from, this document's tree, so
    /// it is freed with the document if it is outside the tree by then.
    void AdoptOrphan(_xmlNode* node);

    /// What the parser reported about a rejected load.
    struct ErrorRecord {
        int code = 0;
        std::string url;
        std::string reason;
        std::string srcText;
        int line = 0;
        int linepos = 0;
        long long filepos = 0;
    };

private:
    bool Parse(ByteStream& stream, const char* url, const char* encoding);
    _xmlDoc* Document() const noexcept { return reinterpret_cast<_xmlDoc*>(node_); }

    std::vector<_xmlNode*> orphans_;
    std::vector<_xmlDoc*> retired_; // earlier documents of this object, freed with it
    ErrorRecord error_;
    bool async_ = false;
    bool preserveWhiteSpace_ = false;
    bool resolveExternals_ = false;
    bool validate_ = false;
};

} // namespace quorvane::xml
