#pragma once

namespace quorvane::xml {

/// How a document's wrappers read the DOM.
enum class ReadPath {
    /// Child lists hold the DOM's child handles and make each wrapper when it
    /// is first handed out; texts are read in one step where the DOM service
    /// can tell a text-only element at a glance.
    Fast,
    /// Child lists are built whole, one wrapper per child, and texts are read
    /// child by child through the DOM's node operations: the reference the
    /// fast reads are checked against.
    Plain,
};

} // namespace quorvane::xml
