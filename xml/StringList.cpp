#include "xml/StringList.h"

#include "xml/ListIndexError.h"
#include "xml/XmlError.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace quorvane::xml {

namespace {

void AppendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// UTF-16 after its byte-order mark to UTF-8; unpaired surrogates and a
// trailing odd byte become U+FFFD, so nothing is silently dropped.
std::string DecodeUtf16(std::string_view bytes, bool bigEndian)
{
    std::string out;
    out.reserve(bytes.size() / 2);
    auto unit = [&](std::size_t i) -> char16_t {
        const auto b0 = static_cast<unsigned char>(bytes[i]);
        const auto b1 = static_cast<unsigned char>(bytes[i + 1]);
        return static_cast<char16_t>(bigEndian ? (b0 << 8 | b1) : (b1 << 8 | b0));
    };
    std::size_t i = 0;
    for (; i + 1 < bytes.size(); i += 2) {
        char16_t u = unit(i);
        if (u >= 0xD800 && u <= 0xDBFF && i + 3 < bytes.size()) {
            const char16_t low = unit(i + 2);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                AppendUtf8(out, 0x10000 + ((char32_t(u) - 0xD800) << 10) + (low - 0xDC00));
                i += 2;
                continue;
            }
        }
        AppendUtf8(out, (u >= 0xD800 && u <= 0xDFFF) ? char32_t(0xFFFD) : char32_t(u));
    }
    if (i < bytes.size())
        AppendUtf8(out, 0xFFFD);
    return out;
}

void AppendUtf16Unit(std::string& out, char16_t u, bool bigEndian)
{
    const char hi = static_cast<char>(u >> 8);
    const char lo = static_cast<char>(u & 0xFF);
    out += bigEndian ? hi : lo;
    out += bigEndian ? lo : hi;
}

// UTF-8 to UTF-16 with a byte-order mark; malformed sequences become U+FFFD.
std::string EncodeUtf16(std::string_view text, bool bigEndian)
{
    std::string out;
    out.reserve(text.size() * 2 + 2);
    AppendUtf16Unit(out, 0xFEFF, bigEndian);
    std::size_t i = 0;
    while (i < text.size()) {
        const auto b = static_cast<unsigned char>(text[i]);
        int extra = b < 0x80 ? 0 : (b >> 5) == 6 ? 1 : (b >> 4) == 14 ? 2 : (b >> 3) == 30 ? 3 : -1;
        char32_t c = extra == 0 ? b : extra == 1 ? (b & 0x1F) : extra == 2 ? (b & 0x0F) : (b & 0x07);
        std::size_t len = 1;
        bool ok = extra >= 0 && i + extra < text.size();
        for (int k = 1; ok && k <= extra; ++k) {
            const auto cont = static_cast<unsigned char>(text[i + k]);
            if ((cont & 0xC0) != 0x80)
                ok = false;
            else
                c = (c << 6) | (cont & 0x3F);
        }
        if (ok)
            len = 1 + extra;
        else
            c = 0xFFFD;
        if (c >= 0x10000 && c <= 0x10FFFF) {
            c -= 0x10000;
            AppendUtf16Unit(out, static_cast<char16_t>(0xD800 + (c >> 10)), bigEndian);
            AppendUtf16Unit(out, static_cast<char16_t>(0xDC00 + (c & 0x3FF)), bigEndian);
        } else {
            AppendUtf16Unit(out, static_cast<char16_t>(c > 0x10FFFF ? 0xFFFD : c), bigEndian);
        }
        i += len;
    }
    return out;
}

} // namespace

std::size_t StringList::Count() const
{
    IndexLines();
    return starts_.size();
}

std::string_view StringList::Line(std::size_t index) const
{
    IndexLines();
    if (index >= starts_.size())
        throw ListIndexError(static_cast<long long>(index));
    const std::size_t begin = starts_[index];
    const std::size_t end = index + 1 < starts_.size() ? starts_[index + 1] : text_.size();
    return std::string_view(text_).substr(begin, end - begin - 2);
}

std::vector<std::string> StringList::Lines() const
{
    std::vector<std::string> lines;
    const std::size_t count = Count();
    lines.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
        lines.emplace_back(Line(i));
    return lines;
}

std::string StringList::EncodedText() const
{
    switch (encoding_) {
    case TextEncoding::Utf16LE: return EncodeUtf16(text_, false);
    case TextEncoding::Utf16BE: return EncodeUtf16(text_, true);
    case TextEncoding::Bytes: break;
    }
    return text_;
}

void StringList::SetText(std::string_view text)
{
    Changing();
    text_.clear();
    encoding_ = TextEncoding::Bytes;
    AppendLines(text);
}

void StringList::Add(std::string_view line)
{
    Changing();
    const std::size_t nul = line.find('\0');
    if (nul != std::string_view::npos)
        line = line.substr(0, nul);
    if (line.empty()) {
        // An empty line is a line too.
        text_ += "\r\n";
        indexed_ = false;
        return;
    }
    AppendLines(line);
}

void StringList::Clear()
{
    Changing();
    text_.clear();
    text_.shrink_to_fit();
    starts_.clear();
    encoding_ = TextEncoding::Bytes;
    indexed_ = false;
}

namespace {

// True when `text` is already in the stored form: every line break is CR LF
// and the text ends with one, so splitting and joining would give it back.
bool InStoredForm(std::string_view text)
{
    if (text.size() < 2 || !text.ends_with("\r\n") || text.front() == '\n')
        return false;
    // Every CR is followed by LF and every LF follows a CR. A list has a
    // million short lines, so the test runs without branches, in blocks of
    // fixed length that the compiler turns into vector instructions.
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const auto unpairedAt = [bytes](std::size_t i) {
        return static_cast<unsigned char>((bytes[i] == '\r') ^ (bytes[i + 1] == '\n'));
    };
    constexpr std::size_t Block = 32;
    unsigned char unpaired = 0;
    std::size_t i = 0;
    for (; i + Block + 1 <= text.size(); i += Block) {
        for (std::size_t k = 0; k < Block; ++k)
            unpaired |= unpairedAt(i + k);
    }
    for (; i + 1 < text.size(); ++i)
        unpaired |= unpairedAt(i);
    return unpaired == 0;
}

} // namespace

void StringList::LoadFromFile(const std::string& fileName)
{
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(fileName.c_str(), "rb"), &std::fclose);
    if (!file)
        throw XmlError("Cannot open file \"" + fileName + "\". " + std::strerror(errno));
    // The bytes are read straight into the text's storage, sized by the file
    // with one byte to spare, so its end is seen without growing; a file that
    // grows while it is read still comes in whole.
    std::string bytes;
    struct stat info {};
    std::size_t capacity = 65536;
    if (::fstat(::fileno(file.get()), &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0)
        capacity = static_cast<std::size_t>(info.st_size) + 1;
    bytes.resize(capacity);
    std::size_t used = 0;
    for (;;) {
        if (used == bytes.size())
            bytes.resize(bytes.size() * 2);
        const std::size_t n = std::fread(bytes.data() + used, 1, bytes.size() - used, file.get());
        if (n == 0)
            break;
        used += n;
    }
    bytes.resize(used);
    if (std::ferror(file.get()))
        throw XmlError("Cannot read file \"" + fileName + "\". " + std::strerror(errno));

    TextEncoding encoding = TextEncoding::Bytes;
    if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE') {
        encoding = TextEncoding::Utf16LE;
        bytes = DecodeUtf16(std::string_view(bytes).substr(2), false);
    } else if (bytes.size() >= 2 && bytes[0] == '\xFE' && bytes[1] == '\xFF') {
        encoding = TextEncoding::Utf16BE;
        bytes = DecodeUtf16(std::string_view(bytes).substr(2), true);
    } else if (std::string_view(bytes).substr(0, 4) == std::string_view("<\0?\0", 4)) {
        // UTF-16 without a byte-order mark, told by its XML declaration "<?".
        // Read as bytes it would end at its first NUL and lose the whole list.
        encoding = TextEncoding::Utf16LE;
        bytes = DecodeUtf16(bytes, false);
    } else if (std::string_view(bytes).substr(0, 4) == std::string_view("\0<\0?", 4)) {
        encoding = TextEncoding::Utf16BE;
        bytes = DecodeUtf16(bytes, true);
    }
    Changing();
    const std::size_t nul = bytes.find('\0');
    if (nul != std::string::npos)
        bytes.resize(nul);
    if (InStoredForm(bytes)) {
        // The usual list file (CR LF throughout): kept as read, without a copy.
        text_ = std::move(bytes);
        indexed_ = false;
    } else {
        text_.clear();
        text_.shrink_to_fit();
        AppendLines(bytes);
    }
    encoding_ = encoding;
}

void StringList::Changing()
{
    if (changing_)
        changing_();
}

void StringList::AppendLines(std::string_view text)
{
    const std::size_t nul = text.find('\0');
    if (nul != std::string_view::npos)
        text = text.substr(0, nul);
    // A line break can take one byte more (LF alone becomes CR LF).
    text_.reserve(text_.size() + text.size() + text.size() / 8 + 2);
    const char* line = text.data();
    const char* const end = line + text.size();
    while (line < end) {
        // Searched byte by byte: the lines are short, and a search for either
        // of two characters tries both at every byte.
        const char* brk = line;
        while (brk < end && *brk != '\r' && *brk != '\n')
            ++brk;
        text_.append(line, brk);
        text_ += "\r\n";
        if (brk == end)
            break;
        line = brk + 1;
        if (*brk == '\r' && line < end && *line == '\n')
            ++line;
    }
    indexed_ = false;
}

void StringList::IndexLines() const
{
    if (indexed_)
        return;
    starts_.clear();
    std::size_t pos = 0;
    while (pos < text_.size()) {
        starts_.push_back(pos);
        pos = text_.find("\r\n", pos) + 2;
    }
    indexed_ = true;
}

} // namespace quorvane::xml
