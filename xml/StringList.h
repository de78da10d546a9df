#pragma once

#include "xml/TextEncoding.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane::xml {

/// Lines of 8-bit text, the `XML` source of a document. The lines are kept
/// joined, each followed by CR LF, so handing them to the parser costs no
/// copy. A line never contains CR or LF: text given to `Add` or `SetText` is
/// split at CR, LF or CR LF, and ends at its first NUL byte.
class StringList {
public:
    StringList() = default;
    StringList(const StringList&) = delete;
    StringList& operator=(const StringList&) = delete;

    /// Number of lines.
    std::size_t Count() const;
    bool Empty() const noexcept { return text_.empty(); }
    /// Line `index` without its line break; valid until the next change.
    /// Raises `ListIndexError` outside 0 .. Count() - 1.
    std::string_view Line(std::size_t index) const;
    std::vector<std::string> Lines() const;

    /// All lines, each followed by CR LF.
    const std::string& Text() const noexcept { return text_; }
    /// The bytes a parser should read: `Text()` for `TextEncoding::Bytes`,
    /// otherwise the lines re-encoded as loaded, byte-order mark first.
    std::string EncodedText() const;
    TextEncoding Encoding() const noexcept { return encoding_; }

    /// Replaces the content with the lines of `text`.
    void SetText(std::string_view text);
    /// Appends the lines of `line` (one line unless it holds line breaks).
    void Add(std::string_view line);
    void Clear();

    /// Replaces the content with the file's lines: the whole file is read as
    /// bytes; a UTF-16 file with a byte-order mark, or without one but
    /// starting with its XML declaration ("<?" in UTF-16), is decoded to UTF-8
    /// first and remembered as such in `Encoding()`. Raises `XmlError` "Cannot open
    /// file \"%s\". <reason>" when it cannot be read; the content is then
    /// unchanged.
    void LoadFromFile(const std::string& fileName);

    /// Called before every change of the content; the handler may not change
    /// the list itself. Used by the owning document to deactivate.
    void SetChangingHandler(std::function<void()> handler) { changing_ = std::move(handler); }

private:
    void Changing();
    void AppendLines(std::string_view text);
    void IndexLines() const;

    std::string text_;
    TextEncoding encoding_ = TextEncoding::Bytes;
    mutable std::vector<std::size_t> starts_; // built on first positional access
    mutable bool indexed_ = false;
    std::function<void()> changing_;
};

} // namespace quorvane::xml
