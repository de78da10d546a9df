#include "tests/net/ftp/FtpTestSupport.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace quorvane::ftp::testing {

void ScriptLogin(test::ScriptedPeer& peer)
{
    peer.Reply("220 Test server ready")
        .Expect("USER " + User)
        .Reply("331 Password required")
        .Expect("PASS " + Password)
        .Reply("230 Logged in")
        .Expect("TYPE I")
        .Reply("200 Type set to I")
        .Expect("SYST")
        .Reply("215 UNIX Type: L8");
}

void ScriptListingStart(test::ScriptedPeer& peer, bool passive)
{
    if (passive)
        peer.Expect("PASV").ReplyPassive().AcceptData().Expect("LIST").Reply("150 go");
    else
        peer.ExpectPrefix("PORT ").Reply("200 ok").Expect("LIST").Reply("150 go").ConnectData();
}

void Aim(FtpClient& client, int port)
{
    client.Host = "127.0.0.1";
    client.Port = port;
    client.Username = User;
    client.Password = Password;
}

void StatusLog::Attach(FtpClient& client)
{
    client.OnStatus = [this](net::NetComponent&, net::NetStatus status, const std::string& text) {
        entries.emplace_back(status, text);
    };
}

bool StatusLog::Has(net::NetStatus status, const std::string& text) const
{
    for (const auto& [s, t] : entries) {
        if (s == status && t == text)
            return true;
    }
    return false;
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

std::string Pattern(std::uint64_t size, std::uint64_t from)
{
    std::string bytes(size, '\0');
    for (std::uint64_t i = 0; i < size; ++i)
        bytes[i] = test::ScriptedPeer::PatternByte(from + i);
    return bytes;
}

void WritePatternFile(const std::string& path, std::uint64_t size)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    constexpr std::uint64_t block = 1 << 20;
    for (std::uint64_t offset = 0; offset < size; offset += block) {
        const std::string bytes = Pattern(std::min(block, size - offset), offset);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

bool FileHoldsPattern(const std::string& path, std::uint64_t size)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    constexpr std::uint64_t block = 1 << 20;
    std::string bytes(block, '\0');
    for (std::uint64_t offset = 0; offset < size; offset += block) {
        const std::uint64_t count = std::min(block, size - offset);
        if (!in.read(bytes.data(), static_cast<std::streamsize>(count)))
            return false;
        if (bytes.compare(0, count, Pattern(count, offset)) != 0)
            return false;
    }
    return in.peek() == std::char_traits<char>::eof();
}

} // namespace quorvane::ftp::testing
