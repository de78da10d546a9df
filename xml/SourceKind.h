#pragma once

namespace quorvane::xml {

/// Where an `XmlDocument`'s current DOM document was loaded from.
enum class SourceKind { None, StringList, XmlText, File, Stream };

} // namespace quorvane::xml
