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

// A walk hints each entry's nodes to the DOM in stages, this many entries
// apart: the entry itself furthest ahead, its first child's text nearest.
constexpr std::size_t kPrefetchDistance = 3;
constexpr int kPrefetchDepth = 3;

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
    return dom.nameIs(name);
}

} // namespace

XmlNodeList::XmlNodeList(XmlNode* owner, std::string defaultNamespaceURI)
    : owner_(owner), defaultNamespaceURI_(std::move(defaultNamespaceURI))
{}

XmlNodeList::~XmlNodeList() = default;

const Ref<XmlNode>& XmlNodeList::NodeLocked(std::size_t index) const
{
    const Entry& entry = entries_[index];
    if (!entry.node) {
        Ref<DomNode> dom = handleSource_->wrapChild(entry.handle);
        if (owner_) {
            entry.node = owner_->CreateChildNode(std::move(dom));
        } else {
            // Only reached for a list whose owner went while nobody else held
            // it; it can no longer be handed out.
            entry.node = MakeRef<XmlNode>(std::move(dom), nullptr, nullptr);
        }
        entry.node->positionHint_ = static_cast<int>(index);
    }
    return entry.node;
}

void XmlNodeList::ReadHandlesLocked(std::size_t count) const
{
    while (unread_ && entries_.size() < count) {
        entries_.push_back(Entry{Ref<XmlNode>(), unread_});
        unread_ = handleSource_->nextChildHandle(unread_);
    }
}

int XmlNodeList::Count() const
{
    std::lock_guard lock(lock_);
    ReadAllHandlesLocked();
    return static_cast<int>(entries_.size());
}

Ref<XmlNode> XmlNodeList::ItemAt(int index) const
{
    std::lock_guard lock(lock_);
    if (index >= 0)
        ReadHandlesLocked(static_cast<std::size_t>(index) + 1);
    if (index < 0 || static_cast<std::size_t>(index) >= entries_.size())
        throw ListIndexError(index);
    return NodeLocked(static_cast<std::size_t>(index));
}

Ref<XmlNode> XmlNodeList::FindChild(std::string_view name) const
{
    return FindChild(name, defaultNamespaceURI_);
}

Ref<XmlNode> XmlNodeList::FindChild(std::string_view name, std::string_view namespaceURI) const
{
    std::lock_guard lock(lock_);
    const int index = IndexOfNameLocked(name, namespaceURI);
    return index < 0 ? Ref<XmlNode>() : NodeLocked(static_cast<std::size_t>(index));
}

Ref<XmlNode> XmlNodeList::Resolve(const NodeKey& key)
{
    if (key.IsOrdinal()) {
        const long long position = key.Ordinal();
        std::lock_guard lock(lock_);
        if (position >= 0)
            ReadHandlesLocked(static_cast<std::size_t>(std::min<unsigned long long>(
                static_cast<unsigned long long>(position) + 1, static_cast<std::size_t>(-1))));
        if (position < 0 || static_cast<unsigned long long>(position) >= entries_.size())
            throw ListIndexError(position);
        return NodeLocked(static_cast<std::size_t>(position));
    }
    Ref<XmlNode> found = FindChild(key.NameView());
    if (!found && owner_) {
        XmlDocument* document = owner_->OwnerDocument();
        if (document && document->Options().Has(XmlDocOption::NodeAutoCreate))
            found =
                owner_->ChildListNotification(ListOperation::Create, Ref<XmlNode>(), key, NotifyPhase::Before, *this);
    }
    if (!found)
        throw XmlDocError("Node \"" + key.Name() + "\" not found");
    return found;
}

bool XmlNodeList::FindChildText(std::string_view name, std::string& storage, std::string_view& text)
{
    Ref<XmlNode> found;
    {
        std::lock_guard lock(lock_);
        const int index = IndexOfNameLocked(name, defaultNamespaceURI_);
        if (index < 0)
            return false;
        const Entry& entry = entries_[static_cast<std::size_t>(index)];
        if (!entry.node) {
            const ElementTextView view = handleSource_->childElementText(entry.handle);
            if (view.shape == ElementTextView::Shape::Single) {
                text = view.text;
                return true;
            }
        }
        // Anything but a plain text-only element goes the whole way.
        found = NodeLocked(static_cast<std::size_t>(index));
    }
    text = found->NodeTextView(storage);
    return true;
}

std::string_view XmlNodeList::ResolveText(std::string_view name, std::string& storage)
{
    std::string_view text;
    if (FindChildText(name, storage, text))
        return text;
    return Resolve(NodeKey(name))->NodeTextView(storage);
}

void XmlNodeList::ResolveTextDropped(std::string_view name, std::string& storage)
{
    {
        std::lock_guard lock(lock_);
        const int index = IndexOfNameLocked(name, defaultNamespaceURI_);
        if (index >= 0) {
            const Entry& entry = entries_[static_cast<std::size_t>(index)];
            if (!entry.node && handleSource_->childElementShape(entry.handle) == ElementTextView::Shape::Single)
                return;
        }
    }
    ResolveText(name, storage);
}

DomChildHandle XmlNodeList::EntryHandleLocked(int index) const
{
    if (index < 0 || !handleSource_)
        return nullptr;
    ReadHandlesLocked(static_cast<std::size_t>(index) + 1);
    if (static_cast<std::size_t>(index) >= entries_.size())
        return nullptr;
    const Entry& entry = entries_[static_cast<std::size_t>(index)];
    // Once a wrapper exists, its child list is what the entry's children are.
    return entry.node ? nullptr : entry.handle;
}

std::size_t XmlNodeList::EntryChildTexts(int index, std::span<const std::string_view> names,
                                         std::span<std::string_view> texts)
{
    std::lock_guard lock(lock_);
    const DomChildHandle entry = EntryHandleLocked(index);
    if (!entry)
        return 0;
    const bool keepTexts = !texts.empty();
    for (std::size_t k = 0; k < names.size(); ++k) {
        const DomChildHandle child = handleSource_->firstGrandchildNamed(entry, names[k]);
        if (!child)
            return k;
        const ElementTextView view = keepTexts ? handleSource_->childElementText(child)
                                               : ElementTextView{handleSource_->childElementShape(child), {}};
        switch (view.shape) {
        case ElementTextView::Shape::Single: break;
        case ElementTextView::Shape::Empty: XmlNode::AppendEmptyText(*handleSource_->wrapChild(child)); break;
        case ElementTextView::Shape::Other:
        case ElementTextView::Shape::Unknown: return k;
        }
        if (keepTexts)
            texts[k] = view.text;
    }
    return names.size();
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
    for (std::size_t i = 0; ReadHandlesLocked(i + 1), i < entries_.size(); ++i) {
        const Entry& entry = entries_[i];
        if (!entry.node && namespaceURI.empty()) {
            if (handleSource_->childNameIs(entry.handle, name))
                return static_cast<int>(i);
        } else if (Matches(*NodeLocked(i), name, namespaceURI)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int XmlNodeList::IndexOfElement(std::string_view name, int from) const
{
    std::lock_guard lock(lock_);
    for (std::size_t i = static_cast<std::size_t>(std::max(from, 0)); ReadHandlesLocked(i + 1), i < entries_.size();
         ++i) {
        // A walk from entry to entry reads each node once, scattered through
        // memory: the nodes a few entries on are asked for now, each stage
        // reading what the one before brought in, so their loads overlap the
        // work on this entry.
        for (int depth = 0; depth <= kPrefetchDepth; ++depth) {
            const std::size_t ahead = i + kPrefetchDistance * static_cast<std::size_t>(kPrefetchDepth + 1 - depth);
            if (ahead < entries_.size() && entries_[ahead].handle)
                handleSource_->prefetchChild(entries_[ahead].handle, depth);
        }
        // The handle names the node a wrapper wraps: asking the DOM spares
        // reading the wrapper.
        const Entry& entry = entries_[i];
        if (entry.handle ? handleSource_->childIsElementNamed(entry.handle, name)
                         : entry.node->NodeKind() == DomNodeType::Element && entry.node->DOMNode().nameIs(name))
            return static_cast<int>(i);
    }
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
    if (position >= 0)
        ReadHandlesLocked(static_cast<std::size_t>(position) + 1);
    if (position < 0 || static_cast<unsigned long long>(position) >= entries_.size())
        return Ref<XmlNode>();
    return NodeLocked(static_cast<std::size_t>(position));
}

int XmlNodeList::PositionLocked(const XmlNode* node) const
{
    // The hint makes a walk over a long list linear instead of quadratic.
    // An entry without a wrapper is never `node`, nor is a child not read yet.
    const int hint = node ? node->positionHint_ : -1;
    if (hint >= 0 && static_cast<std::size_t>(hint) < entries_.size() &&
        entries_[static_cast<std::size_t>(hint)].node.get() == node)
        return hint;
    for (std::size_t i = 0; i < entries_.size(); ++i)
        if (entries_[i].node.get() == node && node) {
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
    {
        // The list takes in every child before the DOM changes under it.
        std::lock_guard lock(lock_);
        ReadAllHandlesLocked();
    }
    if (owner)
        owner->ChildListNotification(ListOperation::Insert, node, NodeKey(index), NotifyPhase::Before, *this);
    int position;
    {
        std::lock_guard lock(lock_);
        ReadAllHandlesLocked();
        if (index < 0 || static_cast<std::size_t>(index) >= entries_.size()) {
            entries_.push_back(Entry{node, nullptr});
            position = static_cast<int>(entries_.size()) - 1;
        } else {
            entries_.insert(entries_.begin() + index, Entry{node, nullptr});
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
    {
        std::lock_guard lock(lock_);
        ReadAllHandlesLocked();
    }
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
        const auto it =
            std::find_if(entries_.begin(), entries_.end(), [&node](const Entry& e) { return e.node == node; });
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
    ReadAllHandlesLocked();
    node->positionHint_ = static_cast<int>(entries_.size());
    entries_.push_back(Entry{std::move(node), nullptr});
}

void XmlNodeList::TakeChildHandles(Ref<DomNode> dom)
{
    std::lock_guard lock(lock_);
    ReadAllHandlesLocked();
    handleSource_ = std::move(dom);
    unread_ = handleSource_->firstChildHandle();
    if (unread_)
        entries_.reserve(entries_.size() + 8);
}

void XmlNodeList::OwnerGone() noexcept
{
    std::lock_guard lock(lock_);
    if (owner_ && RefCount() > 1) {
        ReadAllHandlesLocked();
        for (std::size_t i = 0; i < entries_.size(); ++i)
            NodeLocked(i);
    }
    for (const Entry& entry : entries_)
        if (entry.node && entry.node->ParentNode() == owner_)
            entry.node->SetParentNode(nullptr);
    owner_ = nullptr;
}

std::vector<Ref<XmlNode>> XmlNodeList::MadeEntries() const
{
    std::lock_guard lock(lock_);
    std::vector<Ref<XmlNode>> made;
    for (const Entry& entry : entries_)
        if (entry.node)
            made.push_back(entry.node);
    return made;
}

} // namespace quorvane::xml
