#include "xml/XmlNodeList.h"

#include "xml/DomNode.h"
#include "xml/ListIndexError.h"
#include "xml/XmlDocError.h"
#include "xml/XmlDocument.h"
#include "xml/XmlNode.h"

#include <algorithm>
#include <cctype>
#include <mutex>

namespace quorvane::xml {

namespace {

bool EqualsIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

bool Matches(const XmlNode& node, std::string_view name, std::string_view namespaceURI)
{
    const DomNode& dom = node.DOMNode();
    if (!namespaceURI.empty() && !EqualsIgnoringCase(dom.namespaceURI(), namespaceURI))
        return false;
    return dom.nodeName() == name || dom.localName() == name;
}

} // namespace

XmlNodeList::XmlNodeList(XmlNode* owner, std::string defaultNamespaceURI)
    : owner_(owner), defaultNamespaceURI_(std::move(defaultNamespaceURI))
{}

XmlNodeList::~XmlNodeList() = default;

int XmlNodeList::Count() const
{
    std::lock_guard lock(lock_);
    return static_cast<int>(entries_.size());
}

Ref<XmlNode> XmlNodeList::ItemAt(int index) const
{
    std::lock_guard lock(lock_);
    if (index < 0 || static_cast<std::size_t>(index) >= entries_.size())
        throw ListIndexError(index);
    return entries_[static_cast<std::size_t>(index)];
}

Ref<XmlNode> XmlNodeList::FindChild(std::string_view name) const
{
    return FindChild(name, defaultNamespaceURI_);
}

Ref<XmlNode> XmlNodeList::FindChild(std::string_view name, std::string_view namespaceURI) const
{
    std::lock_guard lock(lock_);
    const int index = IndexOfNameLocked(name, namespaceURI);
    return index < 0 ? Ref<XmlNode>() : entries_[static_cast<std::size_t>(index)];
}

Ref<XmlNode> XmlNodeList::Resolve(const NodeKey& key)
{
    if (key.IsOrdinal()) {
        const long long position = key.Ordinal();
        std::lock_guard lock(lock_);
        if (position < 0 || static_cast<unsigned long long>(position) >= entries_.size())
            throw ListIndexError(position);
        return entries_[static_cast<std::size_t>(position)];
    }
    const std::string name = key.Name();
    Ref<XmlNode> found = FindChild(name);
    if (!found && owner_) {
        XmlDocument* document = owner_->OwnerDocument();
        if (document && document->Options().Has(XmlDocOption::NodeAutoCreate))
            found =
                owner_->ChildListNotification(ListOperation::Create, Ref<XmlNode>(), key, NotifyPhase::Before, *this);
    }
    if (!found)
        throw XmlDocError("Node \"" + name + "\" not found");
    return found;
}

int XmlNodeList::IndexOfName(std::string_view name) const
{
    return IndexOfName(name, defaultNamespaceURI_);
}

int XmlNodeList::IndexOfName(std::string_view name, std::string_view namespaceURI) const
{
    std::lock_guard lock(lock_);
    return IndexOfNameLocked(name, namespaceURI);
}

int XmlNodeList::IndexOfNameLocked(std::string_view name, std::string_view namespaceURI) const
{
    for (std::size_t i = 0; i < entries_.size(); ++i)
        if (Matches(*entries_[i], name, namespaceURI))
            return static_cast<int>(i);
    return -1;
}

int XmlNodeList::IndexOfNode(const XmlNode* node) const
{
    std::lock_guard lock(lock_);
    return PositionLocked(node);
}

Ref<XmlNode> XmlNodeList::SiblingOf(const XmlNode* node, int delta) const
{
    std::lock_guard lock(lock_);
    const long long position = static_cast<long long>(PositionLocked(node)) + delta;
    if (position < 0 || static_cast<unsigned long long>(position) >= entries_.size())
        return Ref<XmlNode>();
    return entries_[static_cast<std::size_t>(position)];
}

int XmlNodeList::PositionLocked(const XmlNode* node) const
{
    // The hint makes a walk over a long list linear instead of quadratic.
    const int hint = node ? node->positionHint_ : -1;
    if (hint >= 0 && static_cast<std::size_t>(hint) < entries_.size() &&
        entries_[static_cast<std::size_t>(hint)].get() == node)
        return hint;
    for (std::size_t i = 0; i < entries_.size(); ++i)
        if (entries_[i].get() == node) {
            node->positionHint_ = static_cast<int>(i);
            return static_cast<int>(i);
        }
    return -1;
}

int XmlNodeList::InsertAt(int index, const Ref<XmlNode>& node)
{
    if (!node)
        throw XmlDocError("DomNode required");
    // Keep the list and the owner alive through the notifications.
    Ref<XmlNodeList> self(this);
    Ref<XmlNode> owner(owner_);
    if (owner)
        owner->ChildListNotification(ListOperation::Insert, node, NodeKey(index), NotifyPhase::Before, *this);
    int position;
    {
        std::lock_guard lock(lock_);
        if (index < 0 || static_cast<std::size_t>(index) >= entries_.size()) {
            entries_.push_back(node);
            position = static_cast<int>(entries_.size()) - 1;
        } else {
            entries_.insert(entries_.begin() + index, node);
            position = index;
        }
        node->positionHint_ = position;
    }
    if (owner)
        owner->ChildListNotification(ListOperation::Insert, node, NodeKey(position), NotifyPhase::After, *this);
    return position;
}

int XmlNodeList::RemoveNode(const Ref<XmlNode>& node)
{
    const int position = IndexOfNode(node.get());
    if (position < 0)
        return -1;
    Ref<XmlNodeList> self(this);
    Ref<XmlNode> owner(owner_);
    Ref<XmlNode> keep(node);
    if (owner)
        owner->ChildListNotification(ListOperation::Remove, node, NodeKey(position), NotifyPhase::Before, *this);
    {
        std::lock_guard lock(lock_);
        const auto it = std::find(entries_.begin(), entries_.end(), node);
        if (it != entries_.end())
            entries_.erase(it);
    }
    if (owner)
        owner->ChildListNotification(ListOperation::Remove, node, NodeKey(position), NotifyPhase::After, *this);
    return position;
}

void XmlNodeList::AppendQuietly(Ref<XmlNode> node)
{
    std::lock_guard lock(lock_);
    node->positionHint_ = static_cast<int>(entries_.size());
    entries_.push_back(std::move(node));
}

void XmlNodeList::OwnerGone() noexcept
{
    std::lock_guard lock(lock_);
    for (const Ref<XmlNode>& entry : entries_)
        if (entry->ParentNode() == owner_)
            entry->SetParentNode(nullptr);
    owner_ = nullptr;
}

} // namespace quorvane::xml
