#pragma once

#include "xml/XmlError.h"

namespace quorvane::xml {

/// The DOM binding's own failures ("The XML parser is not available",
/// "Node cannot be null", unsupported operations).
class DomError : public XmlError {
public:
    using XmlError::XmlError;
};

} // namespace quorvane::xml
