#pragma once

#include "xml/NodeChange.h"

#include <functional>

namespace quorvane::xml {

class XmlDocument;
class XmlNode;

/// Optional handlers of an `XmlDocument`; empty handlers are skipped.
struct XmlDocumentEvents {
    std::function<void(XmlDocument&)> BeforeOpen;
    std::function<void(XmlDocument&)> AfterOpen;
    std::function<void(XmlDocument&)> BeforeClose;
    std::function<void(XmlDocument&)> AfterClose;
    std::function<void(XmlNode&, NodeChange)> BeforeNodeChange;
    std::function<void(XmlNode&, NodeChange)> AfterNodeChange;
    /// Called when an asynchronous load finishes (never enabled here).
    std::function<void(XmlDocument&)> OnAsyncLoad;
};

} // namespace quorvane::xml
