#include "net/ftp/PortCommand.h"

#include <algorithm>

namespace quorvane::ftp {

std::string FormatPortCommand(const std::string& ip, std::int32_t port)
{
    std::string fields = ip;
    std::replace(fields.begin(), fields.end(), '.', ',');
    return "PORT " + fields + "," + std::to_string(port / 256) + "," + std::to_string(port % 256);
}

std::string FormatExtendedPortCommand(const std::string& ip, std::int32_t port)
{
    const char* family = ip.find(':') == std::string::npos ? "1" : "2";
    return std::string("EPRT |") + family + "|" + ip + "|" + std::to_string(port) + "|";
}

} // namespace quorvane::ftp
