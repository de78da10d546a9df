#pragma once

#include "xml/NodeKey.h"
#include "xml/Ref.h"
#include "xml/RefCounted.h"
#include "xml/SpinLock.h"

#include <string>
#include <string_view>
#include <vector>

namespace quorvane::xml {

class XmlNode;

/// The ordered children (or attributes) of one `XmlNode`. Reference-counted;
/// the storage takes its lock on every access. Changes go through the
/// owner's `ChildListNotification`, so the DOM changes first and a refusal
/// leaves the list as it was.
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

    /// Position of the first entry whose namespace URI equals `namespaceURI`
    /// ignoring case (or any, when it is empty) and whose nodeName, failing
    /// that whose localName, equals `name` exactly; -1 when none.
    int IndexOfName(std::string_view name) const;
    int IndexOfName(std::string_view name, std::string_view namespaceURI) const;
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
    /// The owner is going away: forget it and orphan the entries it parents.
    void OwnerGone() noexcept;

private:
    int IndexOfNameLocked(std::string_view name, std::string_view namespaceURI) const;
    int PositionLocked(const XmlNode* node) const;

    XmlNode* owner_;
    mutable SpinLock lock_;
    int updateCount_ = 0;
    std::string defaultNamespaceURI_;
    std::vector<Ref<XmlNode>> entries_;
};

} // namespace quorvane::xml
