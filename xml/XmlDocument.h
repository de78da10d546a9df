#pragma once

#include "xml/DomNodeType.h"
#include "xml/ParseOption.h"
#include "xml/ReadPath.h"
#include "xml/Ref.h"
#include "xml/SourceKind.h"
#include "xml/StringList.h"
#include "xml/XmlDocOption.h"
#include "xml/XmlDocumentEvents.h"

#include <string>

namespace quorvane::xml {

class ByteStream;
class DocumentAnchor;
class DomDocument;
class DomImplementation;
class DomVendor;
class XmlNode;

/// The document component: owns one DOM document while active and presents
/// it as `XmlNode` wrappers. Owned by its window (not reference-counted);
/// wrappers that outlive it see no document. Single-threaded.
class XmlDocument {
public:
    /// A document without a vendor: the default vendor is used at activation.
    XmlDocument();
    /// A document of the vendor registered as `vendorDesc`; raises `XmlError`
    /// "No matching DOM Vendor: \"%s\"" when there is none.
    explicit XmlDocument(const std::string& vendorDesc);
    ~XmlDocument();
    XmlDocument(const XmlDocument&) = delete;
    XmlDocument& operator=(const XmlDocument&) = delete;

    /// The raw text, one entry per line; the program's load source. While
    /// active and changed since the list last matched the DOM, reading it
    /// first rewrites the lines from the DOM (without deactivating). Any
    /// change of its content deactivates the document and clears `FileName`.
    StringList& XML();

    /// The file loaded when the string list is empty.
    const std::string& FileName() const noexcept { return fileName_; }
    /// Deactivates and clears the string list when the name changes.
    void SetFileName(const std::string& fileName);

    /// True exactly while a DOM document is held.
    bool Active() const noexcept { return static_cast<bool>(domDocument_); }
    /// true: creates and loads a DOM document (see `XmlDocument.cpp`); a
    /// failure (e.g. `DomParseError`) leaves the document inactive.
    /// false: releases it. Setting the current value does nothing.
    void SetActive(bool active);

    XmlDocOptions Options() const noexcept { return options_; }
    void SetOptions(XmlDocOptions options) noexcept { options_ = options; }
    ParseOptionSet ParseOptions() const noexcept { return parseOptions_; }
    void SetParseOptions(ParseOptionSet options) noexcept { parseOptions_ = options; }
    const std::string& NodeIndentStr() const noexcept { return nodeIndentStr_; }
    void SetNodeIndentStr(const std::string& indent) { nodeIndentStr_ = indent; }

    /// How wrappers read the DOM (fast by default); takes effect for child
    /// lists built from then on. Nothing a reader sees depends on it.
    ReadPath Reading() const noexcept { return reading_; }
    void SetReading(ReadPath reading) noexcept { reading_ = reading; }

    DomVendor* Vendor() const noexcept { return vendor_; }
    /// A different vendor deactivates the document and drops its implementation.
    void SetVendor(DomVendor* vendor);
    /// Looks `vendorDesc` up and sets the result as `Vendor`.
    void SetVendorDesc(const std::string& vendorDesc);

    /// Node changes since the last load or release.
    int ChangeCount() const noexcept { return changeCount_; }
    SourceKind Source() const noexcept { return source_; }

    /// The last top-level element (comments and processing instructions after
    /// it are skipped), or none for an empty document. Raises `XmlDocError`
    /// "No active document" while inactive.
    Ref<XmlNode> RootElement();
    /// The wrapper of the DOM document itself, created once per activation.
    /// Raises "No active document" while inactive.
    Ref<XmlNode> DocumentNode();

    /// The DOM document while active, else none.
    Ref<DomDocument> DOMDocument() const;
    /// The implementation in use, obtained from the vendor on first need.
    Ref<DomImplementation> DOMImplementation();

    /// A new node of `kind` in the active document, outside the tree until
    /// inserted: `name` is the element, attribute, entity-reference or
    /// processing-instruction target name, or the text of text, CDATA and
    /// comment nodes; `data` is a processing instruction's data. Raises
    /// `XmlDocError` "Invalid node type" for kinds that cannot be created
    /// this way (document, document type, entity, notation) and "No active
    /// document" while inactive.
    Ref<XmlNode> CreateNode(const std::string& name, DomNodeType kind, const std::string& data = std::string());

    /// Releases, then loads and activates from UTF-8 XML text.
    void LoadFromXML(const std::string& text);
    /// Releases, then loads and activates from the file `fileName`.
    void LoadFromFile(const std::string& fileName);
    /// Releases, then loads and activates from `stream` (rewound to 0; not
    /// kept after the load).
    void LoadFromStream(ByteStream& stream);

    XmlDocumentEvents& Events() noexcept { return events_; }

    /// Called by wrappers: counts a node change and fires the change events.
    void NodeChanged(XmlNode& node, NodeChange change, NotifyPhase phase);
    /// The link wrappers of this document hold.
    DocumentAnchor* Anchor() const noexcept { return anchor_.get(); }

private:
    void Activate();
    void Release();
    void LoadDocument();
    void ApplyParseOptions();
    void CheckActive() const;
    void StringListChanging();

    StringList xml_;
    std::string fileName_;
    std::string nodeIndentStr_ = "  ";
    std::string heldText_;
    ByteStream* heldStream_ = nullptr;
    bool hasHeldText_ = false;
    DomVendor* vendor_ = nullptr;
    Ref<DomImplementation> implementation_;
    Ref<DomDocument> domDocument_;
    Ref<XmlNode> documentNode_;
    Ref<DocumentAnchor> anchor_;
    XmlDocOptions options_ = kDefaultXmlDocOptions;
    ParseOptionSet parseOptions_;
    ReadPath reading_ = ReadPath::Fast;
    SourceKind source_ = SourceKind::None;
    int changeCount_ = 0;
    int mirrorMark_ = -1;
    int prefixCounter_ = 0;
    bool rewritingXml_ = false;
    XmlDocumentEvents events_;
};

} // namespace quorvane::xml
