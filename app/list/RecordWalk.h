#pragma once

#include "app/list/ListItem.h"
#include "xml/Ref.h"
#include "xml/XmlDocument.h"
#include "xml/XmlNode.h"
#include "xml/XmlNodeList.h"

#include <array>
#include <span>
#include <string>
#include <string_view>

namespace quorvane::app {

/// How the program finds and reads the records of a List File through the
/// XML layer. Texts are UTF-8, as the XML layer delivers them.
class RecordWalk {
public:
    /// The element name of a record.
    static constexpr const char* RecordName = "GCM";
    /// The field elements of a record, in list-view order.
    static constexpr const auto& FieldNames = RecordFieldNames;

    /// Where a walk starts: the document element's children and the first GCM
    /// child among them.
    struct Start {
        /// Held for the whole walk, so the records' list keeps its owner.
        xml::Ref<xml::XmlNode> root;
        /// The document element's children; none when there is no document element.
        xml::Ref<xml::XmlNodeList> children;
        /// -1 when the list has no records.
        int first = -1;
        /// The document's way of reading: the plain path walks with
        /// `FollowingSibling` and reads every field through `Resolve`.
        xml::ReadPath reading = xml::ReadPath::Fast;
    };

    /// One record of a walk: an entry of the document element's children. On
    /// the fast path its fields are read in the DOM while that is what reading
    /// them through the record's wrapper would give (the field is there and
    /// holds plain text); the wrapper is made the first time a read needs it,
    /// and from then on every read goes through it. On the plain path every
    /// read goes through the wrapper.
    class Record {
    public:
        Record(xml::XmlNodeList& siblings, int index, xml::ReadPath reading)
            : siblings_(siblings), index_(index), reading_(reading)
        {}
        /// The record's wrapper, made on first use.
        xml::XmlNode& Node();
        xml::ReadPath Reading() const { return reading_; }
        /// Where the record stands among the document element's children.
        int Position() const { return index_; }
        /// The texts of the fields `names` in order, as far as the DOM gives
        /// them directly (an empty `texts` drops them); returns how many.
        /// None on the plain path.
        std::size_t FieldTexts(std::span<const std::string_view> names, std::span<std::string_view> texts)
        {
            if (reading_ == xml::ReadPath::Plain)
                return 0;
            return siblings_.EntryChildTexts(index_, names, texts);
        }

    private:
        xml::XmlNodeList& siblings_;
        int index_;
        xml::ReadPath reading_;
        xml::Ref<xml::XmlNode> node_;
    };

    /// Finds the first GCM child of the document element (none when there is no
    /// GCM element, or no document element). Raises "No active document" for an
    /// inactive document.
    static Start FirstRecord(xml::XmlDocument& document);

    /// Calls visit(record) with a `Record&` for every GCM element among the
    /// document element's children from `start` on, in document order; comments
    /// and other elements are passed over. Whatever `visit` raises ends the walk.
    template <class Visit>
    static void ForEachFrom(const Start& start, Visit&& visit)
    {
        if (start.first < 0)
            return;
        xml::XmlNodeList& siblings = *start.children;
        if (start.reading == xml::ReadPath::Plain) {
            for (xml::Ref<xml::XmlNode> at = siblings.ItemAt(start.first); at; at = at->FollowingSibling()) {
                if (!IsRecord(*at))
                    continue;
                Record record(siblings, siblings.IndexOfNode(at.get()), start.reading);
                visit(record);
            }
            return;
        }
        // Comments and blanks between records are passed over in the DOM,
        // without wrappers.
        for (int at = siblings.IndexOfElement(RecordName, start.first); at >= 0;
             at = siblings.IndexOfElement(RecordName, at + 1)) {
            Record record(siblings, at, start.reading);
            visit(record);
        }
    }

    /// True for an element named GCM (by its name, failing that its local
    /// name, in any namespace): what the walk visits.
    static bool IsRecord(xml::XmlNode& node);

    /// FirstRecord, then ForEachFrom.
    template <class Visit>
    static void ForEach(xml::XmlDocument& document, Visit&& visit)
    {
        ForEachFrom(FirstRecord(document), visit);
    }

    /// Reads the seven fields in list-view order and drops the texts, as
    /// start-up does; completes a record lacking any of them.
    static void ReadAllFields(Record& record);
    /// ReadAllFields and the boot test in one reading of the record: true
    /// exactly when its GOOD text, as the file has it, is "1".
    static bool ReadAllFieldsAndBoots(Record& record);
    /// The GAMENAME text (created when missing), viewing the DOM's text or
    /// `storage`; valid until the document changes.
    static std::string_view NameView(Record& record, std::string& storage);

    /// The texts of all seven fields in list-view order (UTF-8), copied into
    /// `texts`; completes a record lacking any of them.
    static void ReadTexts(Record& record, std::array<std::string, RecordFieldNames.size()>& texts);

    /// The texts of all seven fields in list-view order (UTF-8), viewing the
    /// DOM's texts or `storage`, valid until the document changes; completes
    /// a record lacking any of them.
    static void ReadViews(Record& record, std::array<std::string_view, RecordFieldNames.size()>& texts,
                          std::array<std::string, RecordFieldNames.size()>& storage);

    /// The boot test: true exactly when the record's GOOD text is "1". A record
    /// without a GOOD element does not boot (nothing is created for it).
    static bool Boots(Record& record);

    /// The text of the record's first field `name`, viewing the DOM's text or
    /// `storage`, into `text`; false when the record has no such field, for
    /// which nothing is created (as for the boot test).
    static bool FindText(Record& record, std::string_view name, std::string& storage, std::string_view& text);

    /// The record at `position` among `start`'s children (a position a walk
    /// from `start` visited).
    static Record At(const Start& start, int position) { return Record(*start.children, position, start.reading); }

    /// All seven fields as a list item, with `image` (the boot test's tick or
    /// cross).
    static ListItem ReadItem(Record& record, BootImage image);

    /// The NUMBER text of the VERSION element; "" when the list has no
    /// VERSION (a VERSION without NUMBER gets an empty one in the document).
    /// Raises "No active document" for an inactive document.
    static std::string ReadVersion(xml::XmlDocument& document);

    /// The version test: two versions are the same exactly when their texts are.
    static bool SameVersion(const std::string& a, const std::string& b) { return a == b; }
};

} // namespace quorvane::app
