#pragma once

// Reads the same bytes whole and in chunks of a given size, and describes the
// tree each reading gives, so the two can be compared exactly; and describes
// the tree the blank-text rule asks for, worked out afresh from a reading that
// keeps every blank. Used by the fuzz target fuzz_list_reading and the loading
// tests.

#include "xml/ByteStream.h"
#include "xml/DomDocument.h"
#include "xml/DomImplementation.h"
#include "xml/DomNamedNodeMap.h"
#include "xml/DomNode.h"
#include "xml/DomNodeType.h"
#include "xml/DomParseOptions.h"
#include "xml/DomPersist.h"
#include "xml/DomVendorRegistry.h"
#include "xml/MemoryStream.h"
#include "xml/PlatformVendor.h"
#include "xml/Ref.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace quorvane::fuzz {

/// A read-only stream that hands out at most `chunk` bytes per read, so the
/// parser's reads end wherever that puts them.
class ChunkedStream final : public xml::ByteStream {
public:
    ChunkedStream(std::string_view bytes, std::size_t chunk) : bytes_(bytes), chunk_(chunk) {}
    std::size_t Read(void* buffer, std::size_t size) override
    {
        const std::size_t count = std::min({size, chunk_, bytes_.size() - position_});
        std::copy_n(bytes_.data() + position_, count, static_cast<char*>(buffer));
        position_ += count;
        return count;
    }
    void Write(const void*, std::size_t) override {}
    void Seek(std::uint64_t position) override
    {
        position_ = static_cast<std::size_t>(std::min<std::uint64_t>(position, bytes_.size()));
    }
    std::uint64_t Position() const override { return position_; }
    std::uint64_t Size() const override { return bytes_.size(); }

private:
    std::string_view bytes_;
    std::size_t chunk_;
    std::size_t position_ = 0;
};

/// One line per node, indented by depth: its kind, name and value.
inline void DescribeTree(const xml::DomNode& node, int depth, std::string& out)
{
    out.append(static_cast<std::size_t>(depth) * 2, ' ');
    out += std::to_string(static_cast<int>(node.nodeType())) + " " + node.nodeName() + " [" + node.nodeValue() + "]\n";
    for (xml::Ref<xml::DomNode> child = node.firstChild(); child; child = child->nextSibling())
        DescribeTree(*child, depth + 1, out);
}

/// Space, tab, line feed or carriage return only.
inline bool IsBlankText(std::string_view text)
{
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; });
}

/// As DescribeTree, for a tree read with every blank kept, leaving out the
/// whitespace-only text the rule drops: such text stays only as its element's
/// one child, beside text that is not blank, or under xml:space="preserve".
/// Entity declarations and the content of entity references are described
/// as they stand (`ruled` false there): the rule is the document's own.
inline void DescribeRuledTree(xml::DomNode& node, int depth, bool ruled, bool preserve, std::string& out)
{
    out.append(static_cast<std::size_t>(depth) * 2, ' ');
    out += std::to_string(static_cast<int>(node.nodeType())) + " " + node.nodeName() + " [" + node.nodeValue() + "]\n";
    const bool element = node.nodeType() == xml::DomNodeType::Element;
    if (element) {
        if (const xml::Ref<xml::DomNode> space = node.attributes()->getNamedItem("xml:space")) {
            if (space->nodeValue() == "preserve")
                preserve = true;
            else if (space->nodeValue() == "default")
                preserve = false;
        }
    } else if (node.nodeType() != xml::DomNodeType::Document) {
        ruled = false;
    }
    int children = 0;
    bool textNotBlank = false;
    for (xml::Ref<xml::DomNode> child = node.firstChild(); child; child = child->nextSibling()) {
        ++children;
        if (child->nodeType() == xml::DomNodeType::Text && !IsBlankText(child->nodeValue()))
            textNotBlank = true;
    }
    // CDATA sections that touch once the runs between them are dropped are
    // joined, as the parser joins those with nothing between them.
    std::string cdata;
    bool inCdata = false;
    const auto endCdata = [&] {
        if (inCdata)
            out.append(static_cast<std::size_t>(depth + 1) * 2, ' ') += "4 #cdata-section [" + cdata + "]\n";
        inCdata = false;
        cdata.clear();
    };
    for (xml::Ref<xml::DomNode> child = node.firstChild(); child; child = child->nextSibling()) {
        const bool dropped = ruled && element && !preserve && children > 1 && !textNotBlank &&
                             child->nodeType() == xml::DomNodeType::Text && IsBlankText(child->nodeValue());
        if (dropped)
            continue;
        if (child->nodeType() == xml::DomNodeType::CDataSection && ruled && element) {
            cdata += child->nodeValue();
            inCdata = true;
            continue;
        }
        endCdata();
        DescribeRuledTree(*child, depth + 1, ruled, preserve, out);
    }
    endCdata();
}

/// The tree the bytes give when read whole (`chunk` 0) or `chunk` bytes at a
/// time, or "rejected". (The error code is left out: the parser's reader and
/// its push interface may name one fault of the input differently.)
inline std::string ReadTree(const std::string& bytes, std::size_t chunk)
{
    xml::InitParser();
    xml::Ref<xml::DomDocument> document =
        xml::GetDomImplementation(xml::PlatformVendor)->createDocument("", "", xml::Ref<xml::DomNode>());
    bool loaded = false;
    if (chunk == 0) {
        xml::MemoryStream whole(bytes);
        loaded = document->persist()->load(whole);
    } else {
        ChunkedStream chunked(bytes, chunk);
        loaded = document->persist()->load(chunked);
    }
    if (!loaded)
        return "rejected";
    std::string out;
    DescribeTree(*document, 0, out);
    return out;
}

/// The tree the rule asks for, worked out from a whole reading that keeps
/// every blank (DescribeRuledTree), or "rejected".
inline std::string RuledTree(const std::string& bytes)
{
    xml::InitParser();
    xml::Ref<xml::DomDocument> document =
        xml::GetDomImplementation(xml::PlatformVendor)->createDocument("", "", xml::Ref<xml::DomNode>());
    document->parseOptions()->setPreserveWhiteSpace(true);
    xml::MemoryStream whole(bytes);
    if (!document->persist()->load(whole))
        return "rejected";
    std::string out;
    DescribeRuledTree(*document, 0, true, false, out);
    return out;
}

} // namespace quorvane::fuzz
