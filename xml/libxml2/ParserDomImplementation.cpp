#include "xml/libxml2/ParserDomImplementation.h"

#include "xml/DomError.h"
#include "xml/libxml2/ParserDocumentHook.h"
#include "xml/libxml2/ParserDomDocument.h"
#include "xml/libxml2/ParserSupport.h"

#include <libxml/tree.h>

namespace quorvane::xml {

_xmlDoc* CreateParserDocument()
{
    EnsureParserInitialised();
    return xmlNewDoc(reinterpret_cast<const xmlChar*>("1.0"));
}

ParserDocumentFactory ParserDocumentHook = &CreateParserDocument;

bool ParserDomImplementation::hasFeature(const std::string& feature, const std::string& version) const
{
    const bool known = feature == "XML" || feature == "Core";
    return known && (version.empty() || version == "1.0" || version == "2.0");
}

Ref<DomNode> ParserDomImplementation::createDocumentType(const std::string&, const std::string&, const std::string&)
{
    FailUnsupported("createDocumentType");
}

Ref<DomDocument> ParserDomImplementation::createDocument(const std::string&, const std::string&, const Ref<DomNode>&)
{
    EnsureParserInitialised();
    _xmlDoc* document = ParserDocumentHook ? ParserDocumentHook() : nullptr;
    if (!document)
        throw DomError("The XML parser is not available");
    return Ref<DomDocument>(new ParserDomDocument(document));
}

} // namespace quorvane::xml
