#include "xml/PlatformVendor.h"

#include "xml/libxml2/ParserDomVendor.h"

namespace quorvane::xml {

void InitParser()
{
    ParserDomVendor::Install();
}

} // namespace quorvane::xml
