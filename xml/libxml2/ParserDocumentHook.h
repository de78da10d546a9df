#pragma once

// The parser's document type, declared only; the parser's headers stay
// inside the binding's sources.
struct _xmlDoc;

namespace quorvane::xml {

/// A routine that returns a new, empty parser document (owned by the
/// caller), or null when none can be made.
using ParserDocumentFactory = _xmlDoc* (*)();

/// Asks the parser for a new, empty document.
_xmlDoc* CreateParserDocument();

/// The routine the binding calls for each new document; initially
/// `CreateParserDocument`. Replaceable (e.g. by tests) from the UI thread.
extern ParserDocumentFactory ParserDocumentHook;

} // namespace quorvane::xml
