#pragma once

#include "app/update/FtpServer.h"
#include "app/update/ServerConnection.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace quorvane::ftp {
class FtpClient;
} // namespace quorvane::ftp

namespace quorvane::app {

/// A Main List that passed the checks before publishing: its bytes, read once
/// (what is uploaded, whatever happens to the file meanwhile), its version
/// and its count of records.
struct CheckedList {
    std::string bytes;
    std::string version;
    std::size_t records = 0;
};

/// What a successful publish put in place.
struct PublishedList {
    std::string version;
    std::size_t records = 0;
    /// The server refused to rename over the old list: it was moved aside
    /// first, then deleted.
    bool movedAside = false;
    /// Set when the old list moved aside could not be deleted: its name.
    std::string leftAside;

    /// "Published list version <V> (<n> records)."
    std::string Text() const;
};

/// Puts the keepers' Main List where the players' updates find it, so that a
/// download running meanwhile gets the old list or the new one, never a part:
/// connect, log in and change to the list's folder (set up as the update's,
/// `FtpServer`, through ServerConnection), read the server's list version and refuse the same
/// version, store the bytes as "gcmList.xml.upload-<8 hex>" (its stored size
/// checked), then rename that over "gcmList.xml" ("RNFR"/"RNTO"). A server
/// that refuses to rename over a file gets the old list renamed aside first
/// ("gcmList.xml.old-<8 hex>"), the new one renamed in, and the old one
/// deleted. Owns its FTP client; every wait keeps to the server's
/// `ReadTimeoutMs` and progress floor.
class PublishFlow {
public:
    static constexpr const char* UploadPrefix = "gcmList.xml.upload-";
    static constexpr const char* AsidePrefix = "gcmList.xml.old-";

    /// `named` is a certificate the user trusts for this run (ServerConnection).
    explicit PublishFlow(FtpServer server, NamedCertificate named = {});
    ~PublishFlow();
    PublishFlow(const PublishFlow&) = delete;
    PublishFlow& operator=(const PublishFlow&) = delete;

    /// Reads `path` once and checks it: loads as a List File (the XML layer's
    /// error otherwise, "Cannot open file" for one that cannot be read),
    /// carries a version ("The list has no version number.") and a record
    /// ("The list has no records.").
    static CheckedList Check(const std::string& path);

    /// Publishes `list`. `status` hears "Connecting...", "Reading the server's
    /// list...", "Uploading <name>..." and "Renaming <name> to gcmList.xml...";
    /// `progress` (when set) the bytes uploaded so far. Raises
    /// "The server already has list version <V>." before anything is
    /// uploaded. Whatever fails or is aborted (`Abort`) after the upload began,
    /// the temporary name is deleted ("DELE") before the error goes on, and an
    /// old list moved aside is put back when the new one could not take its
    /// place.
    PublishedList Publish(const CheckedList& list, const std::function<void(const std::string&)>& status,
                          const std::function<void(std::int64_t)>& progress = {});

    /// Stops the running `Publish` (from a handler that runs while it waits)
    /// while it reads or uploads: "ABOR", and the data connection closed;
    /// `Publish` then deletes the temporary name and raises within a second.
    /// Once the renames have begun they are finished, so that the server is
    /// never left without a list.
    void Abort();

    ftp::FtpClient& Client() { return *ftp_; }

private:
    /// The server's list version; empty when it has no list (550 to "RETR").
    std::string ServerVersion();
    /// Renames the upload over the list, moving the old one aside first when
    /// the server refuses.
    void RenameIntoPlace(PublishedList& published, const std::function<void(const std::string&)>& status);
    /// Deletes `name` on the server, waiting only briefly for the answer;
    /// returns whether the server said it did.
    bool Delete(const std::string& name) noexcept;

    FtpServer server_;
    NamedCertificate named_;
    std::unique_ptr<ftp::FtpClient> ftp_;
    /// The temporary name while it may exist on the server.
    std::string uploadName_;
    bool abortRequested_ = false;
    bool renaming_ = false;
};

} // namespace quorvane::app
