#include "net/ftp/TransferSink.h"

#include "net/ftp/FtpErrors.h"

#include <cerrno>

namespace quorvane::ftp {

void TransferSink::Write(const char* data, std::size_t size)
{
    const auto count = static_cast<std::int64_t>(size);
    if (maxBytes_ >= 0 && count > maxBytes_ - written_)
        throw FileTooLargeError();
    // The stream reports only that it failed; the reason is the errno its
    // failed write(2) left behind, so it is taken before anything else runs.
    errno = 0;
    stream_.write(data, static_cast<std::streamsize>(size));
    if (!stream_)
        throw StreamWriteError(errno != 0 ? errno : EIO);
    written_ += count;
}

} // namespace quorvane::ftp
