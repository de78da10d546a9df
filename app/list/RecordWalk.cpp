#include "app/list/RecordWalk.h"

#include "app/list/Utf8Text.h"

namespace quorvane::app {

namespace {

constexpr const char* RecordName = "GCM";

} // namespace

RecordWalk::Start RecordWalk::FirstRecord(xml::XmlDocument& document)
{
    Start start;
    start.root = document.RootElement();
    if (start.root)
        start.first = start.root->ChildList()->FindChild(RecordName);
    return start;
}

bool RecordWalk::IsRecord(const xml::XmlNode& node)
{
    if (node.NodeKind() != xml::DomNodeType::Element)
        return false;
    return node.NodeName() == RecordName || node.LocalName() == RecordName;
}

std::string RecordWalk::ReadField(xml::XmlNode& record, const char* name)
{
    return record.ChildList()->Resolve(name)->NodeText();
}

bool RecordWalk::Boots(xml::XmlNode& record)
{
    const xml::Ref<xml::XmlNode> good = record.ChildList()->FindChild("GOOD");
    return good && good->NodeText() == "1";
}

ListItem RecordWalk::ReadItem(xml::XmlNode& record)
{
    return ReadItem(record, Boots(record) ? BootImage::Tick : BootImage::Cross);
}

ListItem RecordWalk::ReadItem(xml::XmlNode& record, BootImage image)
{
    ListItem item;
    item.image = image;
    // Every field is read before the item is handed on, so a record that fails
    // part-way never shows up half-filled.
    const xml::Ref<xml::XmlNodeList> fields = record.ChildList();
    item.caption = Utf8Text::Decode(fields->Resolve(FieldNames[0])->NodeText());
    for (std::size_t i = 0; i < item.subItems.size(); ++i)
        item.subItems[i] = Utf8Text::Decode(fields->Resolve(FieldNames[i + 1])->NodeText());
    return item;
}

std::string RecordWalk::ReadVersion(xml::XmlDocument& document)
{
    const xml::Ref<xml::XmlNode> root = document.RootElement();
    if (!root)
        return {};
    const xml::Ref<xml::XmlNode> version = root->ChildList()->FindChild("VERSION");
    if (!version)
        return {};
    return version->ChildList()->Resolve("NUMBER")->NodeText();
}

} // namespace quorvane::app
