#include "app/settings/UserSettings.h"

#include "app/settings/SettingsError.h"
#include "app/settings/SettingsKeys.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace quorvane::app {

namespace {

constexpr QFileDevice::Permissions kOwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

[[noreturn]] void CannotSave(const QString& file, const std::string& reason)
{
    std::string message = "Cannot save the settings to \"" + file.toStdString() + "\"";
    if (!reason.empty())
        message += ". " + reason;
    throw SettingsError(message);
}

/// Creates `folder` and any missing folder above it with mode 0700, whatever
/// the umask, so that no other user can replace the private file inside it.
/// A folder that exists already is left as its owner made it.
void CreateFolder(const QString& file, const QString& folder)
{
    const QByteArray native = QFile::encodeName(folder);
    struct stat info {};
    if (::stat(native.constData(), &info) == 0)
        return;
    const QString parent = QFileInfo(folder).absolutePath();
    if (parent != folder)
        CreateFolder(file, parent);
    // mkdir's mode passes through the umask, which may take the owner's own
    // rights; the mode is then set outright on the folder made here.
    if (::mkdir(native.constData(), 0700) != 0) {
        if (errno == EEXIST)
            return;
        CannotSave(file, "Cannot create its folder. " + std::string(std::strerror(errno)));
    }
    ::chmod(native.constData(), 0700);
}

/// Creates `file` empty with mode 0600 when it does not exist, and takes
/// every permission but the owner's away when it does. QSettings writes
/// through a temporary file that takes over the permissions of the file it
/// replaces, so the password is never readable by others, not even for a
/// moment.
void EnsureOwnerOnly(const QString& file)
{
    CreateFolder(file, QFileInfo(file).absolutePath());
    const QByteArray native = QFile::encodeName(file);
    const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        CannotSave(file, std::strerror(errno));
    ::close(fd);
    if (!QFile::setPermissions(file, kOwnerOnly))
        CannotSave(file, "Cannot make it private");
}

} // namespace

std::unique_ptr<QSettings> UserSettings::Open()
{
    auto settings = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                                QString::fromLatin1(SettingsOrganization),
                                                QString::fromLatin1(SettingsApplication));
    settings->setFallbacksEnabled(false);
    return settings;
}

std::string UserSettings::Text(const QSettings& settings, const QString& key)
{
    const QVariant value = settings.value(key);
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(',')).toStdString();
    return value.toString().toStdString();
}

void UserSettings::Save(QSettings& settings)
{
    const QString file = settings.fileName();
    EnsureOwnerOnly(file);
    settings.sync();
    if (settings.status() != QSettings::NoError)
        CannotSave(file, {});
    // The file is written anew by sync(); keep it private whatever happened.
    QFile::setPermissions(file, kOwnerOnly);
}

} // namespace quorvane::app
