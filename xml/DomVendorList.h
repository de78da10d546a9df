#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace quorvane::xml {

class DomVendor;

/// Vendors in registration order. Holds non-owning pointers: a vendor stays
/// owned by whoever registered it and must be removed before it is freed.
class DomVendorList {
public:
    void Add(DomVendor* vendor) { vendors_.push_back(vendor); }
    /// Removes the first entry that is `vendor`, closing the gap; absent is fine.
    void Remove(const DomVendor* vendor);
    /// The first vendor whose description equals `description` exactly, or null.
    DomVendor* Find(const std::string& description) const;
    std::size_t Count() const noexcept { return vendors_.size(); }
    DomVendor* At(std::size_t index) const { return vendors_.at(index); }

private:
    std::vector<DomVendor*> vendors_;
};

} // namespace quorvane::xml
