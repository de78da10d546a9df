#pragma once

#include <cstddef>
#include <streambuf>
#include <string>

namespace quorvane::ftp {

/// A stream buffer that collects written bytes in memory up to a fixed limit.
/// A write that would pass the limit takes nothing and fails (the stream on
/// top of it turns bad), and `Overflowed` reports it, so a peer that sends
/// without end cannot exhaust memory.
class BoundedTextBuffer : public std::streambuf {
public:
    explicit BoundedTextBuffer(std::size_t limit) : limit_(limit) {}

    /// The bytes collected so far (never more than the limit).
    [[nodiscard]] const std::string& Text() const noexcept { return text_; }
    /// True once a write was refused for passing the limit.
    [[nodiscard]] bool Overflowed() const noexcept { return overflowed_; }

protected:
    std::streamsize xsputn(const char* data, std::streamsize count) override;
    int_type overflow(int_type c) override;

private:
    std::size_t limit_;
    std::string text_;
    bool overflowed_ = false;
};

} // namespace quorvane::ftp
