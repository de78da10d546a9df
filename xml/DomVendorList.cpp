#include "xml/DomVendorList.h"

#include "xml/DomVendor.h"

#include <algorithm>

namespace quorvane::xml {

void DomVendorList::Remove(const DomVendor* vendor)
{
    const auto it = std::find(vendors_.begin(), vendors_.end(), vendor);
    if (it != vendors_.end())
        vendors_.erase(it);
}

DomVendor* DomVendorList::Find(const std::string& description) const
{
    for (DomVendor* vendor : vendors_)
        if (vendor->VendorDescription() == description)
            return vendor;
    return nullptr;
}

} // namespace quorvane::xml
