#include "xml/libxml2/ParserDomVendor.h"

#include "xml/DomVendorRegistry.h"
#include "xml/PlatformVendor.h"
#include "xml/libxml2/ParserDomImplementation.h"
#include "xml/libxml2/ParserSupport.h"

#include <memory>
#include <mutex>

namespace quorvane::xml {

namespace {

std::mutex installMutex;
std::unique_ptr<ParserDomVendor> installed;

} // namespace

ParserDomVendor::ParserDomVendor()
{
    EnsureParserInitialised();
}

std::string ParserDomVendor::VendorDescription() const
{
    return PlatformVendor;
}

Ref<DomImplementation> ParserDomVendor::ObtainImplementation()
{
    return MakeRef<ParserDomImplementation>();
}

void ParserDomVendor::Install()
{
    std::lock_guard lock(installMutex);
    if (installed)
        return;
    auto vendor = std::make_unique<ParserDomVendor>();
    RegisterVendor(vendor.get());
    installed = std::move(vendor);
}

void ParserDomVendor::Uninstall()
{
    std::lock_guard lock(installMutex);
    if (!installed)
        return;
    UnregisterVendor(installed.get());
    installed.reset();
}

} // namespace quorvane::xml
