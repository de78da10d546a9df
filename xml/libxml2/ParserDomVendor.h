#pragma once

#include "xml/DomVendor.h"

namespace quorvane::xml {

/// The platform vendor (`PlatformVendor`, "libxml2"): DOM documents backed by the libxml2 parser.
class ParserDomVendor final : public DomVendor {
public:
    /// Initialises the parser for the process (once).
    ParserDomVendor();
    /// `PlatformVendor`.
    std::string VendorDescription() const override;
    /// A new `ParserDomImplementation` on every call.
    Ref<DomImplementation> ObtainImplementation() override;

    /// Creates the process's instance and registers it unless already done;
    /// idempotent. `InitParser` is the way in for code outside this layer.
    static void Install();
    /// Unregisters and frees the instance `Install` created.
    static void Uninstall();
};

} // namespace quorvane::xml
