#include "app/list/RecordWalk.h"

#include "app/list/Utf8Text.h"

namespace quorvane::app {

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
    return node.DOMNode().nameIs(RecordName);
}

std::string RecordWalk::ReadField(xml::XmlNode& record, const char* name)
{
    std::string storage;
    return std::string(record.ChildList()->ResolveText(name, storage));
}

void RecordWalk::ReadAllFields(xml::XmlNode& record)
{
    const xml::Ref<xml::XmlNodeList> fields = record.ChildList();
    std::string storage;
    for (const char* name : FieldNames)
        fields->ResolveTextDropped(name, storage);
}

QString RecordWalk::ReadName(xml::XmlNode& record)
{
    std::string storage;
    return Utf8Text::Decode(record.ChildList()->ResolveText(FieldNames[0], storage));
}

std::string_view RecordWalk::NameView(xml::XmlNode& record, std::string& storage)
{
    return record.ChildList()->ResolveText(FieldNames[0], storage);
}

bool RecordWalk::Boots(xml::XmlNode& record)
{
    std::string storage;
    std::string_view text;
    return record.ChildList()->FindChildText("GOOD", storage, text) && text == "1";
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
    std::string storage;
    item.caption = Utf8Text::Decode(fields->ResolveText(FieldNames[0], storage));
    for (std::size_t i = 0; i < item.subItems.size(); ++i)
        item.subItems[i] = Utf8Text::Decode(fields->ResolveText(FieldNames[i + 1], storage));
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
