#pragma once

#include "xml/Ref.h"

#include <string>

namespace quorvane::xml {

class DomImplementation;

/// A DOM service provider, known to the process by its description.
class DomVendor {
public:
    virtual ~DomVendor() = default;
    /// The name under which the vendor is registered and looked up.
    virtual std::string VendorDescription() const = 0;
    /// A DOM implementation of this vendor.
    virtual Ref<DomImplementation> ObtainImplementation() = 0;
};

} // namespace quorvane::xml
