#include "app/list/ListFolder.h"

#include "app/list/ListError.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <filesystem>
#include <system_error>

namespace quorvane::app {

QString ListFolder::UserData()
{
    // GenericDataLocation is $XDG_DATA_HOME, falling back to ~/.local/share.
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/quorvane");
}

QString ListFolder::Prepare(const QString& folder)
{
    const QString path = QDir::cleanPath(QDir::current().absoluteFilePath(folder));
    const std::filesystem::path native(QFile::encodeName(path).toStdString());
    std::error_code error;
    std::filesystem::create_directories(native, error);
    // create_directories reports success for an existing file of that name.
    if (!error && !std::filesystem::is_directory(native, error) && !error)
        error = std::make_error_code(std::errc::not_a_directory);
    if (error)
        throw ListError("Cannot create folder \"" + path.toStdString() + "\". " + error.message());
    return path;
}

} // namespace quorvane::app
