#pragma once

#include "app/list/ListItem.h"
#include "xml/Ref.h"
#include "xml/XmlDocument.h"
#include "xml/XmlNode.h"
#include "xml/XmlNodeList.h"

#include <string>

namespace quorvane::app {

/// How the program finds and reads the records of a List File through the
/// XML layer. Texts are UTF-8, as the XML layer delivers them.
class RecordWalk {
public:
    /// The field elements of a record, in list-view order: the caption, then
    /// the six sub-items.
    /// The element name of a record.
    static constexpr const char* RecordName = "GCM";
    static constexpr const char* FieldNames[7] = {"GAMENAME", "GAMEID", "NOTES", "SSIZE", "GOOD", "NICK", "INST"};

    /// Where a walk starts: the document element and its first GCM child.
    struct Start {
        /// Held for the whole walk: wrappers link to their parent weakly, and
        /// FollowingSibling needs the parent's child list.
        xml::Ref<xml::XmlNode> root;
        /// None when the list has no records.
        xml::Ref<xml::XmlNode> first;
    };

    /// Finds the first GCM child of the document element (none when there is no
    /// GCM element, or no document element). Raises "No active document" for an
    /// inactive document.
    static Start FirstRecord(xml::XmlDocument& document);

    /// Calls visit(record) for every GCM element among the document element's
    /// children from `start` on, in document order; comments and other elements
    /// are passed over. Whatever `visit` raises ends the walk.
    template <class Visit>
    static void ForEachFrom(const Start& start, Visit&& visit)
    {
        if (!start.first)
            return;
        if (IsRecord(*start.first))
            visit(*start.first);
        // The siblings in document order, as FollowingSibling gives them;
        // comments and blanks between records are passed over in the DOM,
        // without wrappers.
        const xml::Ref<xml::XmlNodeList> siblings = start.root->ChildList();
        for (int at = siblings->IndexOfElement(RecordName, siblings->IndexOfNode(start.first.get()) + 1); at >= 0;
             at = siblings->IndexOfElement(RecordName, at + 1))
            visit(*siblings->ItemAt(at));
    }

    /// FirstRecord, then ForEachFrom.
    template <class Visit>
    static void ForEach(xml::XmlDocument& document, Visit&& visit)
    {
        ForEachFrom(FirstRecord(document), visit);
    }

    /// True for an element named GCM (also with a namespace prefix, as the
    /// child lookup matches it).
    static bool IsRecord(const xml::XmlNode& node);

    /// The text of the field element `name` of a record. A missing element is
    /// created, empty, in the loaded document and reads as "". Raises when the
    /// element holds anything but text.
    static std::string ReadField(xml::XmlNode& record, const char* name);
    /// Reads the seven fields in list-view order and drops the texts, as
    /// start-up does; completes a record lacking any of them.
    static void ReadAllFields(xml::XmlNode& record);
    /// The GAMENAME text (created when missing) as UTF-16.
    static QString ReadName(xml::XmlNode& record);
    /// The same as UTF-8, viewing the DOM's text or `storage`; valid until the
    /// document changes.
    static std::string_view NameView(xml::XmlNode& record, std::string& storage);

    /// The boot test: true exactly when the record's GOOD text is "1". A record
    /// without a GOOD element does not boot (nothing is created for it).
    static bool Boots(xml::XmlNode& record);

    /// All seven fields as a list item, with the tick when the record boots.
    static ListItem ReadItem(xml::XmlNode& record);
    /// The same with the boot test already done.
    static ListItem ReadItem(xml::XmlNode& record, BootImage image);

    /// The NUMBER text of the VERSION element; "" when the list has no
    /// VERSION (a VERSION without NUMBER gets an empty one in the document).
    /// Raises "No active document" for an inactive document.
    static std::string ReadVersion(xml::XmlDocument& document);

    /// The version test: two versions are the same exactly when their texts are.
    static bool SameVersion(const std::string& a, const std::string& b) { return a == b; }
};

} // namespace quorvane::app
