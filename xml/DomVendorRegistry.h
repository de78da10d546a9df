#pragma once

#include "xml/Ref.h"

#include <string>

namespace quorvane::xml {

class DomImplementation;
class DomVendor;

/// Process-wide vendor registry. Not owning: the caller keeps the vendor alive
/// until it unregisters it. Raises `XmlError` "\"%s\" DOMImplementation already
/// registered" when a vendor with the same description is registered.
void RegisterVendor(DomVendor* vendor);

/// Removes `vendor`; nothing happens when it is not registered.
void UnregisterVendor(const DomVendor* vendor);

/// The vendor registered under `description` (case-sensitive). An empty
/// description means `DefaultVendorDesc()`, and when that is empty too, the
/// first registered vendor. Raises `XmlError` "No matching DOM Vendor: \"%s\"".
DomVendor* LookupVendor(const std::string& description);

/// `ObtainImplementation` of the vendor `LookupVendor(description)` finds.
Ref<DomImplementation> GetDomImplementation(const std::string& description);

/// The process-wide default vendor description (empty unless set).
std::string DefaultVendorDesc();
void SetDefaultVendorDesc(const std::string& description);

} // namespace quorvane::xml
