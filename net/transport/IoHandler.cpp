#include "net/transport/IoHandler.h"

namespace quorvane::net {

void IoHandler::ConnectClient(const std::string&, std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                              const std::string&)
{}

} // namespace quorvane::net
