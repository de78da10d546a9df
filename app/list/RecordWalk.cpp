#include "app/list/RecordWalk.h"

#include "app/text/Utf8Text.h"

namespace quorvane::app {

namespace {

// The text of field `name` as the record walk reads it step by step:
// `Resolve` by name (which creates a missing field), then `NodeText`.
std::string PlainFieldText(RecordWalk::Record& record, std::string_view name)
{
    return record.Node().ChildList()->Resolve(xml::NodeKey(name))->NodeText();
}

// The texts of `names`: from the DOM as far as it gives them directly, the
// rest resolved through the record's wrapper (which creates missing fields and
// raises for fields holding more than text) in order.
void ReadFields(RecordWalk::Record& record, std::span<const std::string_view> names, std::span<std::string_view> texts,
                std::span<std::string> storage)
{
    if (record.Reading() == xml::ReadPath::Plain) {
        for (std::size_t k = 0; k < names.size(); ++k)
            texts[k] = storage[k] = PlainFieldText(record, names[k]);
        return;
    }
    std::size_t k = record.FieldTexts(names, texts);
    if (k == names.size())
        return;
    // What the wrapper does next may change the document: the texts read so
    // far are kept as copies.
    for (std::size_t i = 0; i < k; ++i)
        texts[i] = storage[i].assign(texts[i]);
    const xml::Ref<xml::XmlNodeList> fields = record.Node().ChildList();
    for (; k < names.size(); ++k)
        texts[k] = fields->ResolveText(names[k], storage[k]);
}

} // namespace

xml::XmlNode& RecordWalk::Record::Node()
{
    if (!node_)
        node_ = siblings_.ItemAt(index_);
    return *node_;
}

RecordWalk::Start RecordWalk::FirstRecord(xml::XmlDocument& document)
{
    Start start;
    start.root = document.RootElement();
    if (start.root) {
        start.children = start.root->ChildList();
        start.first = start.children->IndexOfName(RecordName);
    }
    start.reading = document.Reading();
    return start;
}

bool RecordWalk::IsRecord(xml::XmlNode& node)
{
    return node.NodeKind() == xml::DomNodeType::Element &&
           (node.NodeName() == RecordName || node.LocalName() == RecordName);
}

void RecordWalk::ReadAllFields(Record& record)
{
    if (record.Reading() == xml::ReadPath::Plain) {
        for (const std::string_view name : FieldNames)
            PlainFieldText(record, name);
        return;
    }
    const std::size_t read = record.FieldTexts(FieldNames, {});
    if (read == FieldNames.size())
        return;
    const xml::Ref<xml::XmlNodeList> fields = record.Node().ChildList();
    std::string storage;
    for (std::size_t k = read; k < FieldNames.size(); ++k)
        fields->ResolveTextDropped(FieldNames[k], storage);
}

bool RecordWalk::ReadAllFieldsAndBoots(Record& record)
{
    static_assert(FieldNames[GoodSubItem + 1] == "GOOD");
    std::array<std::string_view, FieldNames.size()> texts;
    if (record.FieldTexts(FieldNames, texts) == FieldNames.size())
        return texts[GoodSubItem + 1] == "1";
    // The boot test creates nothing, so it runs before the fields missing
    // from the record are made.
    const bool boots = Boots(record);
    ReadAllFields(record);
    return boots;
}

std::string_view RecordWalk::NameView(Record& record, std::string& storage)
{
    std::string_view text;
    ReadFields(record, {FieldNames.data(), 1}, {&text, 1}, {&storage, 1});
    return text;
}

void RecordWalk::ReadTexts(Record& record, std::array<std::string, RecordFieldNames.size()>& texts)
{
    std::array<std::string_view, FieldNames.size()> views;
    std::array<std::string, FieldNames.size()> storage;
    ReadFields(record, FieldNames, views, storage);
    for (std::size_t i = 0; i < views.size(); ++i)
        texts[i].assign(views[i]);
}

bool RecordWalk::Boots(Record& record)
{
    std::string storage;
    std::string_view text;
    return FindText(record, "GOOD", storage, text) && text == "1";
}

bool RecordWalk::FindText(Record& record, std::string_view name, std::string& storage, std::string_view& text)
{
    if (record.Reading() == xml::ReadPath::Plain) {
        // FindChild, not Resolve: looking creates nothing.
        const xml::Ref<xml::XmlNode> field = record.Node().ChildList()->FindChild(name);
        if (!field)
            return false;
        storage = field->NodeText();
        text = storage;
        return true;
    }
    if (record.FieldTexts({&name, 1}, {&text, 1}) == 1)
        return true;
    return record.Node().ChildList()->FindChildText(name, storage, text);
}

void RecordWalk::ReadViews(Record& record, std::array<std::string_view, RecordFieldNames.size()>& texts,
                           std::array<std::string, RecordFieldNames.size()>& storage)
{
    ReadFields(record, FieldNames, texts, storage);
}

ListItem RecordWalk::ReadItem(Record& record, BootImage image)
{
    std::array<std::string_view, FieldNames.size()> texts;
    std::array<std::string, FieldNames.size()> storage;
    ReadViews(record, texts, storage);
    // Every field is read before the item is built, so a record that fails
    // part-way never shows up half-filled.
    ListItem item;
    item.image = image;
    item.caption = Utf8Text::Decode(texts[0]);
    for (std::size_t i = 0; i < item.subItems.size(); ++i)
        item.subItems[i] = Utf8Text::Decode(texts[i + 1]);
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
