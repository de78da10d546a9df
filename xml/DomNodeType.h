#pragma once

namespace quorvane::xml {

/// Node kinds, numbered as the W3C DOM's node type codes.
enum class DomNodeType : int {
    Element = 1,
    Attribute = 2,
    Text = 3,
    CDataSection = 4,
    EntityReference = 5,
    Entity = 6,
    ProcessingInstruction = 7,
    Comment = 8,
    Document = 9,
    DocumentType = 10,
    DocumentFragment = 11,
    Notation = 12,
};

} // namespace quorvane::xml
