#include "xml/libxml2/ParserSupport.h"

#include "xml/DomError.h"
#include "xml/DomServiceError.h"
#include "xml/libxml2/ParserDomDocument.h"

#include <libxml/parser.h>
#include <libxml/xmlerror.h>

#include <mutex>

namespace quorvane::xml {

void FailService(const std::string& description, unsigned code)
{
    throw DomServiceError(description, code);
}

void FailParserCall(const char* what)
{
    const xmlError* error = xmlGetLastError();
    if (error && error->message) {
        const std::string message = error->message;
        const unsigned code = static_cast<unsigned>(error->code);
        xmlResetLastError();
        FailService(message, code);
    }
    FailService(std::string(what) + " failed", 0);
}

void FailUnsupported(const char* operation)
{
    throw DomError(std::string("Property or Method \"") + operation + "\" is not supported by DOM Vendor \"libxml2\"");
}

ParserDomDocument* BindingDocumentOf(const xmlNode* node)
{
    DomNode* owner = static_cast<DomNode*>(node->doc->_private);
    return static_cast<ParserDomDocument*>(owner);
}

namespace {

void IgnoreGenericError(void*, const char*, ...) {}

// Nothing outside the document being parsed is ever read: no DTDs, no
// external entities, no network.
xmlParserInputPtr RefuseExternalEntity(const char*, const char*, xmlParserCtxtPtr)
{
    return nullptr;
}

} // namespace

void EnsureParserInitialised()
{
    static std::once_flag once;
    std::call_once(once, [] {
        xmlInitParser();
        xmlSetExternalEntityLoader(RefuseExternalEntity);
    });
    // The parser's default error output is per thread.
    thread_local bool quiet = false;
    if (!quiet) {
        xmlSetGenericErrorFunc(nullptr, IgnoreGenericError);
        quiet = true;
    }
}

} // namespace quorvane::xml
