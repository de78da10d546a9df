#pragma once

// Helpers shared by the binding's sources; includes the parser's headers, so
// it is included from .cpp files of this folder only.

#include <libxml/tree.h>

#include <string>

namespace quorvane::xml {

class ParserDomDocument;

/// W3C DOM exception codes used as the numeric code of binding refusals.
enum DomExceptionCode : unsigned {
    kHierarchyRequestErr = 3,
    kWrongDocumentErr = 4,
    kInvalidCharacterErr = 5,
    kNoModificationAllowedErr = 7,
    kNotFoundErr = 8,
    kNotSupportedErr = 9,
    kInuseAttributeErr = 10,
    kNamespaceErr = 14,
};

/// Raises `DomServiceError` with `description` and `code`.
[[noreturn]] void FailService(const std::string& description, unsigned code);
/// Raises `DomServiceError` for a parser call that returned nothing, with
/// the parser's last recorded error when it has one.
[[noreturn]] void FailParserCall(const char* what);
/// Raises `DomError` "Property or Method \"%s\" is not supported by DOM Vendor \"libxml2\"".
[[noreturn]] void FailUnsupported(const char* operation);

/// Parser text to std::string (null reads as "").
inline std::string Text(const xmlChar* text)
{
    return text ? std::string(reinterpret_cast<const char*>(text)) : std::string();
}
inline const xmlChar* Chars(const std::string& text)
{
    return reinterpret_cast<const xmlChar*>(text.c_str());
}

/// The binding document that owns `node`'s parser document.
ParserDomDocument* BindingDocumentOf(const xmlNode* node);

/// Runs the parser's one-time initialisation and quiets its default error
/// output for the calling thread.
void EnsureParserInitialised();

} // namespace quorvane::xml
