#pragma once

#include <atomic>

namespace quorvane::xml {

/// Base of every reference-counted object of the XML layer (nodes, child
/// lists, DOM binding objects). The count is intrusive: a new object starts at
/// zero and is deleted when the last `Ref` (or the last `Release`) lets go.
class RefCounted {
public:
    RefCounted(const RefCounted&) = delete;
    RefCounted& operator=(const RefCounted&) = delete;

    /// Adds one reference.
    void AddRef() const noexcept { refs_.fetch_add(1, std::memory_order_relaxed); }

    /// Drops one reference; deletes the object when it was the last one.
    void Release() const noexcept
    {
        if (refs_.fetch_sub(1, std::memory_order_acq_rel) == 1)
            delete this;
    }

    /// Current number of references (for diagnostics and tests).
    int RefCount() const noexcept { return refs_.load(std::memory_order_relaxed); }

protected:
    RefCounted() = default;
    virtual ~RefCounted() = default;

private:
    mutable std::atomic<int> refs_{0};
};

} // namespace quorvane::xml
