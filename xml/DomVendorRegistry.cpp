#include "xml/DomVendorRegistry.h"

#include "xml/DomImplementation.h"
#include "xml/DomVendor.h"
#include "xml/DomVendorList.h"
#include "xml/XmlError.h"

#include <mutex>

namespace quorvane::xml {

namespace {

struct Registry {
    std::mutex mutex;
    DomVendorList vendors;
    std::string defaultDesc;
};

// Created on first use and destroyed at exit like any function-local static.
Registry& TheRegistry()
{
    static Registry registry;
    return registry;
}

} // namespace

void RegisterVendor(DomVendor* vendor)
{
    Registry& r = TheRegistry();
    const std::string description = vendor->VendorDescription();
    std::lock_guard lock(r.mutex);
    if (r.vendors.Find(description))
        throw XmlError("\"" + description + "\" DOMImplementation already registered");
    r.vendors.Add(vendor);
}

void UnregisterVendor(const DomVendor* vendor)
{
    Registry& r = TheRegistry();
    std::lock_guard lock(r.mutex);
    r.vendors.Remove(vendor);
}

DomVendor* LookupVendor(const std::string& description)
{
    Registry& r = TheRegistry();
    std::lock_guard lock(r.mutex);
    std::string wanted = description.empty() ? r.defaultDesc : description;
    if (wanted.empty() && r.vendors.Count() > 0)
        return r.vendors.At(0);
    if (DomVendor* vendor = r.vendors.Find(wanted))
        return vendor;
    throw XmlError("No matching DOM Vendor: \"" + wanted + "\"");
}

Ref<DomImplementation> GetDomImplementation(const std::string& description)
{
    return LookupVendor(description)->ObtainImplementation();
}

std::string DefaultVendorDesc()
{
    Registry& r = TheRegistry();
    std::lock_guard lock(r.mutex);
    return r.defaultDesc;
}

void SetDefaultVendorDesc(const std::string& description)
{
    Registry& r = TheRegistry();
    std::lock_guard lock(r.mutex);
    r.defaultDesc = description;
}

} // namespace quorvane::xml
