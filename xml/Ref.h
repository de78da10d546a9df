#pragma once

#include <cstddef>
#include <utility>

namespace quorvane::xml {

/// Owning handle to a `RefCounted` object: copying adds a reference,
/// destruction releases one. An empty `Ref` stands for "none".
template <class T>
class Ref {
public:
    Ref() noexcept = default;
    Ref(std::nullptr_t) noexcept {}
    Ref(T* object) noexcept : p_(object)
    {
        if (p_)
            p_->AddRef();
    }
    Ref(const Ref& other) noexcept : Ref(other.p_) {}
    Ref(Ref&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    template <class U>
    Ref(const Ref<U>& other) noexcept : Ref(other.get())
    {}
    template <class U>
    Ref(Ref<U>&& other) noexcept : p_(other.detach())
    {}
    ~Ref()
    {
        if (p_)
            p_->Release();
    }

    Ref& operator=(Ref other) noexcept
    {
        std::swap(p_, other.p_);
        return *this;
    }

    T* get() const noexcept { return p_; }
    T* operator->() const noexcept { return p_; }
    T& operator*() const noexcept { return *p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }

    /// Gives up ownership without releasing; the caller now holds the reference.
    T* detach() noexcept { return std::exchange(p_, nullptr); }
    void reset() noexcept { Ref().swap(*this); }
    void swap(Ref& other) noexcept { std::swap(p_, other.p_); }

    friend bool operator==(const Ref& a, const Ref& b) noexcept { return a.p_ == b.p_; }
    friend bool operator==(const Ref& a, std::nullptr_t) noexcept { return a.p_ == nullptr; }

private:
    T* p_ = nullptr;
};

/// Creates a new reference-counted object and returns its first reference.
template <class T, class... Args>
Ref<T> MakeRef(Args&&... args)
{
    return Ref<T>(new T(std::forward<Args>(args)...));
}

} // namespace quorvane::xml
