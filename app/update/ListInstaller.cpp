#include "app/update/ListInstaller.h"

#include "app/update/ListInstallError.h"

#include <filesystem>
#include <system_error>

namespace quorvane::app {

void ListInstaller::Install(const std::string& downloaded, const std::string& mainList)
{
    // rename(2) replaces an existing target atomically; deleting the old list
    // first would leave no Main List at all when the rename then fails.
    std::error_code error;
    std::filesystem::rename(downloaded, mainList, error);
    if (error)
        throw ListInstallError(downloaded, mainList, error.message());
}

} // namespace quorvane::app
