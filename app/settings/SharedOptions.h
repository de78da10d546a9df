#pragma once

#include "app/update/FtpServer.h"
#include "app/update/ServerConnection.h"

#include <QString>

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace quorvane::app {

/// The options both programs take, read by one parser: --folder DIR (or
/// --folder=DIR), --data-folder, --update-server URL (or =URL),
/// --reset-layout, --version, --help (or -h), --trust-certificate FP (or
/// =FP) and --save. Each front end walks its
/// arguments in its own way and offers every one to Take(); Finish() checks
/// what only all of them together can tell.
class SharedOptions {
public:
    /// The options a front end takes; others are not Take()n.
    enum Option : unsigned {
        Help = 1u << 0,
        Version = 1u << 1,
        Folder = 1u << 2,
        DataFolder = 1u << 3,
        UpdateServer = 1u << 4,
        ResetLayout = 1u << 5,
        /// --trust-certificate FP and --save.
        TrustCertificate = 1u << 6,
    };

    /// `accepted` is a set of Option flags.
    explicit SharedOptions(unsigned accepted) : accepted_(accepted) {}

    /// Takes `arguments[index]` when it is one of the accepted options,
    /// together with the value that follows it (`index` then names the
    /// value), and returns true; returns false, changing nothing, for any
    /// other argument. Throws OptionError "--folder needs a folder",
    /// "--update-server needs a URL", the update server URL's own message, or
    /// "--trust-certificate needs a SHA-256 fingerprint (64 hex digits,
    /// AB:CD:...)" for anything TrustStore::ReadFingerprint does not read.
    bool Take(const std::vector<std::string>& arguments, std::size_t& index);

    /// Resolves --data-folder to the user's data folder. Throws OptionError
    /// "--folder and --data-folder exclude each other" and "--save needs
    /// --trust-certificate".
    void Finish();

    bool help = false;
    bool version = false;
    bool resetLayout = false;
    /// The folder that holds the lists; empty for the working directory.
    QString folder;
    /// The server named by --update-server; none when it was not given.
    std::optional<FtpServer> updateServer;
    /// The certificate --trust-certificate names, kept with --save.
    NamedCertificate certificate;

private:
    bool accepts(Option option) const { return (accepted_ & option) != 0; }

    unsigned accepted_;
    bool folderNamed_ = false;
    bool dataFolder_ = false;
};

} // namespace quorvane::app
