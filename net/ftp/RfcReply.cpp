#include "net/ftp/RfcReply.h"

#include <charconv>

namespace quorvane::ftp {

namespace {

// Only plain decimal digits (with an optional sign) count as a number; the
// codes servers send are three digits, anything else parses as 0.
std::int32_t CodeValue(const std::string& text)
{
    std::int32_t value = 0;
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (first != last && *first == '+')
        ++first;
    const auto [end, error] = std::from_chars(first, last, value);
    if (error != std::errc() || end != last || first == last)
        return 0;
    return value;
}

} // namespace

void RfcReply::SetNumericCode(std::int32_t code)
{
    numericCode_ = code;
    if (code > 0)
        textCode_ = std::to_string(code);
}

void RfcReply::SetText(const std::vector<std::string>& lines)
{
    if (&lines != &text_)
        text_ = lines;
}

void RfcReply::AddText(std::string line)
{
    text_.push_back(std::move(line));
}

void RfcReply::SetTextCode(std::string code)
{
    textCode_ = std::move(code);
    if (!textCode_.empty())
        numericCode_ = CodeValue(textCode_);
}

void RfcReply::Clear()
{
    numericCode_ = 0;
    text_.clear();
    textCode_.clear();
}

void RfcReply::Assign(const RfcReply& other)
{
    if (&other == this)
        return;
    Clear();
    numericCode_ = other.numericCode_;
    text_ = other.text_;
    textCode_ = other.textCode_;
}

} // namespace quorvane::ftp
