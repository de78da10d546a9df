#pragma once

#include "xml/DomNode.h"
#include "xml/NodeKey.h"
#include "xml/Ref.h"
#include "xml/RefCounted.h"
#include "xml/SpinLock.h"

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane::xml {

class XmlNode;

/// The ordered children (or attributes) of one `XmlNode`. Reference-counted;
/// the storage takes its lock on every access. Changes go through the
/// owner's `ChildListNotification`, so the DOM changes first and a refusal
/// leaves the list as it was.
///
/// A list built from a DOM service that reads children by handle holds the
/// handles and creates each entry's wrapper the first time the entry is
/// handed out, with the owner as its parent, exactly as it would have been
/// created with the list; name lookups and text reads of entries without a
/// wrapper go to the DOM directly.
class XmlNodeList final : public RefCounted {
public:
    /// `owner` is a weak link, cleared when the owner goes away.
    XmlNodeList(XmlNode* owner, std::string defaultNamespaceURI);
    ~XmlNodeList() override;

    int Count() const;
    /// Raises `ListIndexError` "List index out of bounds (%d)" outside 0 .. Count() - 1.
    Ref<XmlNode> ItemAt(int index) const;

    /// The first entry matching `name` in the list's default namespace URI
    /// (see `IndexOfName`), or none; never raises.
    Ref<XmlNode> FindChild(std::string_view name) const;
    /// As above with an explicit namespace URI ("" matches any namespace).
    Ref<XmlNode> FindChild(std::string_view name, std::string_view namespaceURI) const;

    /// By position (ordinal key; `ListIndexError` outside the list) or by
    /// name. A missing name is created as an empty element under
    /// NodeAutoCreate; otherwise `XmlDocError` "Node \"%s\" not found".
    Ref<XmlNode> Resolve(const NodeKey& key);

    /// `Resolve(name)->NodeTextView(storage)`, without creating the child's
    /// wrapper where the DOM gives its text directly.
    std::string_view ResolveText(std::string_view name, std::string& storage);
    /// `ResolveText(name, storage)` for a reader that drops the text: a child
    /// holding one text node is not read further.
    void ResolveTextDropped(std::string_view name, std::string& storage);
    /// `FindChild(name)` and its `NodeTextView(storage)` in `text`, likewise;
    /// false (and nothing read) when there is no such child.
    bool FindChildText(std::string_view name, std::string& storage, std::string_view& text);

    /// Reads the texts of the children `names` of entry `index` in the DOM, in
    /// order, while the entry has no wrapper yet and each child (found as the
    /// entry's own child list would find it) is a text-only element; a
    /// childless one first gets its empty text child, as reading it through a
    /// wrapper gives it. `texts[k]` views the text of `names[k]` until the
    /// document changes otherwise; an empty `texts` drops them. Returns how many were
    /// read: the first child not read is for the entry's wrapper to answer (no
    /// such entry or child, another shape, a wrapper made, a service without
    /// handles).
    std::size_t EntryChildTexts(int index, std::span<const std::string_view> names, std::span<std::string_view> texts);
    /// `EntryChildTexts` of one child: true when `text` holds its text.
    bool EntryChildText(int index, std::string_view name, std::string_view& text)
    {
        return EntryChildTexts(index, {&name, 1}, {&text, 1}) == 1;
    }

    /// Position of the first entry whose namespace URI equals `namespaceURI`
    /// ignoring case (or any, when it is empty) and whose nodeName, failing
    /// that whose localName, equals `name` exactly; -1 when none.
    int IndexOfName(std::string_view name) const;
    int IndexOfName(std::string_view name, std::string_view namespaceURI) const;
    /// Position of the first entry at `from` or after it that is an element
    /// whose nodeName, failing that whose localName, equals `name`, in any
    /// namespace; -1 when none. Entries without a wrapper get none.
    int IndexOfElement(std::string_view name, int from) const;
    /// Position of `node` by identity, or -1.
    int IndexOfNode(const XmlNode* node) const;
    /// The entry `delta` places from `node` (position -1 when `node` is not an
    /// entry), or none outside the list.
    Ref<XmlNode> SiblingOf(const XmlNode* node, int delta) const;

    /// Inserts `node` at `index` (-1 appends), in the DOM first; returns the
    /// position it took.
    int InsertAt(int index, const Ref<XmlNode>& node);
    int Add(const Ref<XmlNode>& node) { return InsertAt(-1, node); }
    /// Removes `node` from the DOM and the list; returns its former position,
    /// or -1 when it is not an entry.
    int RemoveNode(const Ref<XmlNode>& node);

    /// While the update count is above 0, list changes are not passed to the DOM.
    void BeginUpdate() noexcept { ++updateCount_; }
    void EndUpdate() noexcept
    {
        if (updateCount_ > 0)
            --updateCount_;
    }
    int UpdateCount() const noexcept { return updateCount_; }

    XmlNode* Owner() const noexcept { return owner_; }
    const std::string& DefaultNamespaceURI() const noexcept { return defaultNamespaceURI_; }

    /// Appends without notifications (used while building the list).
    void AppendQuietly(Ref<XmlNode> node);
    /// Takes the children of `dom` (the owner's DOM node) by handle, without
    /// notifications; their wrappers are made on first use, and the handles
    /// are read as far as a request needs (a walk from entry to entry reads
    /// each child once). `dom` must offer child handles.
    void TakeChildHandles(Ref<DomNode> dom);
    /// The owner is going away: forget it and orphan the entries it parents.
    /// Entries still without a wrapper get theirs first when anyone else
    /// holds the list, so it reads as it would have.
    void OwnerGone() noexcept;
    /// The wrappers made so far, in list order.
    std::vector<Ref<XmlNode>> MadeEntries() const;

private:
    struct Entry {
        mutable Ref<XmlNode> node; ///< none until first handed out
        DomChildHandle handle = nullptr;
    };

    int IndexOfNameLocked(std::string_view name, std::string_view namespaceURI) const;
    int PositionLocked(const XmlNode* node) const;
    /// The wrapper of entry `index`, made now when it has none.
    const Ref<XmlNode>& NodeLocked(std::size_t index) const;
    /// The DOM handle of entry `index` while it has no wrapper; null otherwise.
    DomChildHandle EntryHandleLocked(int index) const;
    /// Reads handles until the list holds `count` entries or all of them.
    void ReadHandlesLocked(std::size_t count) const;
    void ReadAllHandlesLocked() const { ReadHandlesLocked(static_cast<std::size_t>(-1)); }

    XmlNode* owner_;
    mutable SpinLock lock_;
    int updateCount_ = 0;
    std::string defaultNamespaceURI_;
    /// The owner's DOM node while entries are held by handle; keeps them valid.
    Ref<DomNode> handleSource_;
    /// The next child not read into `entries_` yet; null once all are.
    mutable DomChildHandle unread_ = nullptr;
    mutable std::vector<Entry> entries_;
};

} // namespace quorvane::xml
