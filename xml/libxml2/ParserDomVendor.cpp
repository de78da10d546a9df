#include "xml/libxml2/ParserDomVendor.h"

#include "xml/DomError.h"
#include "xml/DomImplementation.h"

namespace quorvane::xml {

ParserDomVendor::ParserDomVendor() = default;

std::string ParserDomVendor::VendorDescription() const
{
    return "libxml2";
}

Ref<DomImplementation> ParserDomVendor::ObtainImplementation()
{
    throw DomError("The XML parser is not available");
}

void ParserDomVendor::Install() {}
void ParserDomVendor::Uninstall() {}

} // namespace quorvane::xml
