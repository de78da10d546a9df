#pragma once

#include <concepts>
#include <cstdio>
#include <string>
#include <string_view>

namespace quorvane::app::cli {

/// Where a command writes its text: standard output or standard error,
/// through the C library's streams. The commands stay off iostreams, whose
/// set-up (the classic locale with all its facets) would cost every short
/// run of the program a good share of its start-up time and memory.
class CliOutput {
public:
    explicit CliOutput(std::FILE* stream) : stream_(stream) {}

    CliOutput& operator<<(std::string_view text)
    {
        std::fwrite(text.data(), 1, text.size(), stream_);
        return *this;
    }
    CliOutput& operator<<(char c)
    {
        std::fputc(static_cast<unsigned char>(c), stream_);
        return *this;
    }
    template <std::integral Number>
    CliOutput& operator<<(Number number)
    {
        return *this << std::to_string(number);
    }

    void Flush() { std::fflush(stream_); }

private:
    std::FILE* stream_;
};

/// The program's standard output and standard error.
inline CliOutput& StandardOutput()
{
    static CliOutput out(stdout);
    return out;
}

inline CliOutput& StandardError()
{
    static CliOutput err(stderr);
    return err;
}

} // namespace quorvane::app::cli
