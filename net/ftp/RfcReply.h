#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quorvane::ftp {

/// One parsed protocol reply: the numeric code, its text form and one text
/// entry per reply line (the line without its first four characters).
///
/// A new reply is cleared: `NumericCode` 0, no `Text`, `TextCode` "".
/// Copies are deep; `Assign` is the explicit "clear, then copy" form.
class RfcReply {
public:
    RfcReply() = default;

    /// The reply code; 0 when cleared or when `TextCode` is not a number.
    [[nodiscard]] std::int32_t NumericCode() const { return numericCode_; }
    /// Stores the code; a code above 0 also becomes `TextCode` in decimal.
    void SetNumericCode(std::int32_t code);

    /// One entry per reply line, first and last included.
    [[nodiscard]] const std::vector<std::string>& Text() const { return text_; }
    /// Replaces the lines with a copy of `lines`.
    void SetText(const std::vector<std::string>& lines);
    /// Appends one line to `Text`.
    void AddText(std::string line);

    /// The code as cut from the first reply line (at most 4 characters).
    [[nodiscard]] const std::string& TextCode() const { return textCode_; }
    /// Stores the text; a non-empty text also sets `NumericCode` to its value,
    /// or to 0 when it is not a plain decimal number. An empty text leaves
    /// `NumericCode` unchanged.
    void SetTextCode(std::string code);

    /// `NumericCode` 0, `Text` empty, `TextCode` "".
    void Clear();
    /// Clears this reply, then copies code, lines and code text of `other`.
    void Assign(const RfcReply& other);

private:
    std::int32_t numericCode_ = 0;
    std::vector<std::string> text_;
    std::string textCode_;
};

} // namespace quorvane::ftp
