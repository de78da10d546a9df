#pragma once

#include "xml/XmlError.h"

namespace quorvane::xml {

/// Failures of the document layer (`XmlDocument`, `XmlNode`, `XmlNodeList`),
/// e.g. "No active document" or "Node \"GAMENAME\" not found".
class XmlDocError : public XmlError {
public:
    using XmlError::XmlError;
};

} // namespace quorvane::xml
