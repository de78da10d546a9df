#include "xml/XmlDocument.h"

#include "xml/DocumentAnchor.h"
#include "xml/DomDocument.h"
#include "xml/DomError.h"
#include "xml/DomImplementation.h"
#include "xml/DomParseError.h"
#include "xml/DomParseErrorInfo.h"
#include "xml/DomParseOptions.h"
#include "xml/DomPersist.h"
#include "xml/DomVendor.h"
#include "xml/DomVendorRegistry.h"
#include "xml/MemoryStream.h"
#include "xml/XmlDocError.h"
#include "xml/XmlNode.h"
#include "xml/XmlNodeList.h"

#include <utility>

namespace quorvane::xml {

namespace {

// Held text is UTF-8 already, so a declaration naming another encoding would
// make the parser misread it.
std::string NormaliseEncodingDeclaration(std::string_view source)
{
    std::string text(source);
    if (text.starts_with("\xEF\xBB\xBF"))
        text.erase(0, 3);
    if (!text.starts_with("<?xml"))
        return text;
    const std::size_t end = text.find("?>");
    if (end == std::string::npos)
        return text;
    const std::size_t name = text.find("encoding", 0);
    if (name == std::string::npos || name > end)
        return text;
    std::size_t pos = name + 8;
    while (pos < end && (text[pos] == ' ' || text[pos] == '\t' || text[pos] == '\r' || text[pos] == '\n'))
        ++pos;
    if (pos >= end || text[pos] != '=')
        return text;
    ++pos;
    while (pos < end && (text[pos] == ' ' || text[pos] == '\t' || text[pos] == '\r' || text[pos] == '\n'))
        ++pos;
    if (pos >= end || (text[pos] != '"' && text[pos] != '\''))
        return text;
    const std::size_t close = text.find(text[pos], pos + 1);
    if (close == std::string::npos || close > end)
        return text;
    return text.substr(0, name) + "encoding=\"UTF-8\"" + text.substr(close + 1);
}

DomPersist& PersistOf(DomDocument& document)
{
    DomPersist* persist = document.persist();
    if (!persist)
        throw DomError("Selected DOM Vendor does not support this property or method");
    return *persist;
}

} // namespace

XmlDocument::XmlDocument() : anchor_(MakeRef<DocumentAnchor>(this))
{
    xml_.SetChangingHandler([this] { StringListChanging(); });
}

XmlDocument::XmlDocument(const std::string& vendorDesc) : XmlDocument()
{
    SetVendorDesc(vendorDesc);
}

XmlDocument::~XmlDocument()
{
    try {
        Release();
    } catch (...) {
        // A failing auto-save cannot be reported from a destructor; the
        // source is left as it was.
    }
    anchor_->Clear();
    xml_.SetChangingHandler(nullptr);
}

StringList& XmlDocument::XML()
{
    if (Active() && changeCount_ != mirrorMark_) {
        const std::string text = PersistOf(*domDocument_).xml();
        rewritingXml_ = true;
        xml_.SetText(text);
        rewritingXml_ = false;
        mirrorMark_ = changeCount_;
    }
    return xml_;
}

void XmlDocument::StringListChanging()
{
    if (rewritingXml_)
        return;
    SetActive(false);
    fileName_.clear();
}

void XmlDocument::SetFileName(const std::string& fileName)
{
    if (fileName == fileName_)
        return;
    SetActive(false);
    xml_.Clear();
    fileName_ = fileName;
}

void XmlDocument::SetActive(bool active)
{
    if (active == Active())
        return;
    if (active)
        Activate();
    else
        Release();
}

void XmlDocument::SetVendor(DomVendor* vendor)
{
    if (vendor == vendor_)
        return;
    SetActive(false);
    implementation_.reset();
    vendor_ = vendor;
}

void XmlDocument::SetVendorDesc(const std::string& vendorDesc)
{
    SetVendor(LookupVendor(vendorDesc));
}

Ref<XmlNode> XmlDocument::DocumentNode()
{
    CheckActive();
    if (!documentNode_)
        documentNode_ = MakeRef<XmlNode>(Ref<DomNode>(domDocument_), nullptr, this);
    return documentNode_;
}

Ref<XmlNode> XmlDocument::RootElement()
{
    Ref<XmlNode> documentNode = DocumentNode();
    if (!documentNode->HasChildNodes())
        return Ref<XmlNode>();
    Ref<XmlNodeList> topLevel = documentNode->ChildList();
    if (topLevel->Count() == 0)
        return Ref<XmlNode>();
    Ref<XmlNode> node = topLevel->ItemAt(topLevel->Count() - 1);
    while (node && node->NodeKind() != DomNodeType::Element)
        node = node->PrecedingSibling();
    return node;
}

Ref<DomDocument> XmlDocument::DOMDocument() const
{
    return domDocument_;
}

Ref<DomImplementation> XmlDocument::DOMImplementation()
{
    if (!implementation_)
        implementation_ = vendor_ ? vendor_->ObtainImplementation() : GetDomImplementation(DefaultVendorDesc());
    return implementation_;
}

Ref<XmlNode> XmlDocument::CreateNode(const std::string& name, DomNodeType kind, const std::string& data)
{
    CheckActive();
    Ref<DomNode> node;
    switch (kind) {
    case DomNodeType::Element: node = domDocument_->createElement(name); break;
    case DomNodeType::Attribute: node = domDocument_->createAttribute(name); break;
    case DomNodeType::Text: node = domDocument_->createTextNode(name); break;
    case DomNodeType::CDataSection: node = domDocument_->createCDATASection(name); break;
    case DomNodeType::EntityReference: node = domDocument_->createEntityReference(name); break;
    case DomNodeType::ProcessingInstruction: node = domDocument_->createProcessingInstruction(name, data); break;
    case DomNodeType::Comment: node = domDocument_->createComment(name); break;
    case DomNodeType::DocumentFragment: node = domDocument_->createDocumentFragment(); break;
    default: throw XmlDocError("Invalid node type");
    }
    return MakeRef<XmlNode>(std::move(node), nullptr, this);
}

void XmlDocument::LoadFromXML(const std::string& text)
{
    SetActive(false);
    xml_.Clear();
    heldText_ = text;
    hasHeldText_ = true;
    SetActive(true);
}

void XmlDocument::LoadFromFile(const std::string& fileName)
{
    SetActive(false);
    xml_.Clear();
    fileName_ = fileName;
    SetActive(true);
}

void XmlDocument::LoadFromStream(ByteStream& stream)
{
    SetActive(false);
    xml_.Clear();
    heldStream_ = &stream;
    SetActive(true);
}

void XmlDocument::NodeChanged(XmlNode& node, NodeChange change, NotifyPhase phase)
{
    ++changeCount_;
    const auto& handler = phase == NotifyPhase::Before ? events_.BeforeNodeChange : events_.AfterNodeChange;
    if (handler)
        handler(node, change);
}

void XmlDocument::Activate()
{
    if (events_.BeforeOpen)
        events_.BeforeOpen(*this);
    try {
        Ref<DomImplementation> implementation = DOMImplementation();
        domDocument_ = implementation->createDocument(std::string(), std::string(), Ref<DomNode>());
        if (!domDocument_)
            throw DomError("The XML parser is not available");
        ApplyParseOptions();
        LoadDocument();
    } catch (...) {
        // A failed activation drops the new document without saving anything.
        documentNode_.reset();
        domDocument_.reset();
        heldStream_ = nullptr;
        hasHeldText_ = false;
        heldText_.clear();
        throw;
    }
    changeCount_ = 0;
    if (events_.AfterOpen)
        events_.AfterOpen(*this);
}

void XmlDocument::ApplyParseOptions()
{
    DomParseOptions* options = domDocument_->parseOptions();
    if (!options) {
        if (!parseOptions_.Empty())
            throw XmlDocError("DOM Implementation does not support DomParseOptions");
        return;
    }
    options->setPreserveWhiteSpace(parseOptions_.Has(ParseOption::PreserveWhiteSpace));
    options->setResolveExternals(parseOptions_.Has(ParseOption::ResolveExternals));
    options->setValidate(parseOptions_.Has(ParseOption::ValidateOnParse));
    options->setAsync(parseOptions_.Has(ParseOption::AsyncLoad));
}

void XmlDocument::LoadDocument()
{
    source_ = SourceKind::None;
    mirrorMark_ = -1;
    bool loaded = true;
    SourceKind source = SourceKind::None;
    if (!xml_.Empty()) {
        DomPersist& persist = PersistOf(*domDocument_);
        if (xml_.Encoding() == TextEncoding::Bytes) {
            MemoryStream stream(xml_.Text());
            loaded = persist.load(stream);
        } else {
            const std::string bytes = xml_.EncodedText();
            MemoryStream stream(bytes);
            loaded = persist.load(stream);
        }
        source = SourceKind::StringList;
    } else if (hasHeldText_) {
        const std::string text = NormaliseEncodingDeclaration(heldText_);
        hasHeldText_ = false;
        heldText_.clear();
        loaded = PersistOf(*domDocument_).loadXML(text);
        source = SourceKind::XmlText;
    } else if (heldStream_) {
        ByteStream* stream = std::exchange(heldStream_, nullptr);
        stream->Seek(0);
        loaded = PersistOf(*domDocument_).load(*stream);
        source = SourceKind::Stream;
    } else if (!fileName_.empty()) {
        loaded = PersistOf(*domDocument_).loadFile(fileName_);
        source = SourceKind::File;
    }
    if (!loaded) {
        const DomParseErrorInfo* info = domDocument_->parseErrorInfo();
        if (!info)
            throw DomError("Selected DOM Vendor does not support this property or method");
        throw DomParseError(*info);
    }
    source_ = source;
    if (source == SourceKind::StringList)
        mirrorMark_ = 0;
    changeCount_ = 0;
}

void XmlDocument::Release()
{
    if (!Active())
        return;
    if (events_.BeforeClose)
        events_.BeforeClose(*this);
    if (options_.Has(XmlDocOption::AutoSave) && changeCount_ != 0) {
        if (source_ == SourceKind::StringList)
            XML();
        else if (source_ == SourceKind::File)
            PersistOf(*domDocument_).saveFile(fileName_);
    }
    documentNode_.reset();
    domDocument_.reset();
    // Wrappers of the released tree keep working as objects but no longer
    // report changes to this document.
    anchor_->Clear();
    anchor_ = MakeRef<DocumentAnchor>(this);
    prefixCounter_ = 0;
    changeCount_ = 0;
    if (source_ == SourceKind::XmlText || source_ == SourceKind::File || source_ == SourceKind::Stream) {
        rewritingXml_ = true;
        xml_.Clear();
        rewritingXml_ = false;
    }
    if (events_.AfterClose)
        events_.AfterClose(*this);
}

void XmlDocument::CheckActive() const
{
    if (!Active())
        throw XmlDocError("No active document");
}

} // namespace quorvane::xml
