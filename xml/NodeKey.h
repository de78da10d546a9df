#pragma once

#include <string>
#include <string_view>
#include <type_traits>

namespace quorvane::xml {

/// The key of `XmlNodeList::Resolve`: an ordinal value (any integer type or
/// bool) selects by position, text selects by name.
class NodeKey {
public:
    template <class T, std::enable_if_t<std::is_integral_v<T> || std::is_enum_v<T>, int> = 0>
    NodeKey(T ordinal) : ordinal_(static_cast<long long>(ordinal)), isOrdinal_(true)
    {}
    NodeKey(std::string_view name) : name_(name) {}
    NodeKey(const std::string& name) : name_(name) {}
    NodeKey(const char* name) : name_(name) {}

    bool IsOrdinal() const noexcept { return isOrdinal_; }
    long long Ordinal() const noexcept { return ordinal_; }
    /// The name; for an ordinal key its decimal text.
    std::string Name() const { return isOrdinal_ ? std::to_string(ordinal_) : name_; }
    /// The name of a name key, without a copy.
    std::string_view NameView() const noexcept { return name_; }

private:
    std::string name_;
    long long ordinal_ = 0;
    bool isOrdinal_ = false;
};

} // namespace quorvane::xml
