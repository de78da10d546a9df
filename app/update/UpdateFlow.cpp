#include "app/update/UpdateFlow.h"

#include "app/list/ListChanges.h"
#include "app/list/ListFileNames.h"
#include "app/list/MainList.h"
#include "app/list/RecordWalk.h"
#include "app/text/MessageWithFullStop.h"
#include "app/text/Utf8Text.h"
#include "app/update/ConnectionLostError.h"
#include "app/update/DownloadSizeError.h"
#include "app/update/DownloadVersionError.h"
#include "app/update/ListInstallError.h"
#include "app/update/ListInstaller.h"
#include "app/update/UpdateSink.h"
#include "net/ftp/FtpClient.h"
#include "net/ftp/FtpErrors.h"
#include "net/ftp/SizeReply.h"
#include "xml/PlatformVendor.h"
#include "xml/XmlDocument.h"

#include <QFile>

#include <filesystem>
#include <limits>
#include <system_error>

namespace quorvane::app {

namespace {

/// Marks the flow busy for one step, also when the step throws.
class BusyScope {
public:
    explicit BusyScope(bool& busy) : busy_(busy) { busy_ = true; }
    ~BusyScope() { busy_ = false; }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    bool& busy_;
};

/// Added to "gcmList.BAK" for the file a download writes into.
constexpr const char* PartialSuffix = ".part";

std::string LocalPath(const MainList& list, const char* fileName)
{
    return QFile::encodeName(list.FilePath(QString::fromLatin1(fileName))).toStdString();
}

} // namespace

UpdateFlow::UpdateFlow(const MainList& list, FtpServer server, NamedCertificate named)
    : list_(list), server_(std::move(server)), named_(std::move(named))
{
    xml::InitParser();
    ftp_ = std::make_unique<ftp::FtpClient>();
    document_ = std::make_unique<xml::XmlDocument>(xml::PlatformVendor);
}

UpdateFlow::~UpdateFlow() = default;

void UpdateFlow::Abort()
{
    if (!busy_ || abortRequested_)
        return;
    abortRequested_ = true;
    // A control connect still running stops as a data connect does; its
    // workers keep their sockets until they have reported.
    ftp_->Abort();
    // Nothing more is wanted from this server: without the control connection
    // the step ends at once instead of waiting for the server's answer to the
    // abort. Only the socket goes; the handler is still in use further up the
    // stack, and the step disconnects fully once it has unwound.
    ftp_->DropSocket();
}

bool UpdateFlow::EndIfAborted()
{
    if (!abortRequested_)
        return false;
    abortRequested_ = false;
    connected_ = false;
    ftp_->Disconnect();
    return true;
}

std::int64_t UpdateFlow::AnnouncedSize()
{
    ftp::FtpClient& ftp = *ftp_;
    // Any answer but a 213 with a number (502 from a server without the
    // command, 550, ...) leaves the size unknown, as before the command existed.
    if (ftp.SendRawCommand(std::string("SIZE ") + MainListFileName) != 213 || ftp.LastReply.Text().empty())
        return -1;
    const std::optional<std::uint64_t> size = ftp::ParseSizeReply(ftp.LastReply.Text().front());
    if (!size)
        return -1;
    // However long the number, a size past the cap (or past what a file can
    // hold) is refused before anything is retrieved.
    const std::int64_t cap = ftp.MaxRetrievalBytes;
    if (*size > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()) ||
        (cap >= 0 && static_cast<std::int64_t>(*size) > cap))
        throw ftp::FileTooLargeError();
    return static_cast<std::int64_t>(*size);
}

void UpdateFlow::Download(UpdateSink& sink, const std::string& downloaded)
{
    ftp::FtpClient& ftp = *ftp_;
    const std::string partial = downloaded + PartialSuffix;
    std::error_code ignored;
    // A download replaces what an earlier one left; whatever happens below,
    // no "gcmList.BAK" is left that this download did not complete.
    std::filesystem::remove(downloaded, ignored);
    std::filesystem::remove(partial, ignored);

    const std::int64_t expected = AnnouncedSize();

    ftp.OnWork = [&sink](net::NetComponent&, net::WorkMode mode, std::int64_t count) {
        if (mode == net::WorkMode::wmRead)
            sink.DownloadProgress(count);
    };
    try {
        ftp.RetrieveFile(MainListFileName, partial, ftp::Overwrite::Allow, ftp::Resume::No);
        if (!abortRequested_ && expected >= 0) {
            // A server that closes the data connection early may still
            // answer 226: only the count tells a short or overlong file from
            // a whole one.
            const auto received = static_cast<std::int64_t>(std::filesystem::file_size(partial));
            if (received != expected)
                throw DownloadSizeError(received, expected);
        }
    } catch (...) {
        ftp.OnWork = nullptr;
        std::filesystem::remove(partial, ignored);
        throw;
    }
    ftp.OnWork = nullptr;
    if (abortRequested_) {
        std::filesystem::remove(partial, ignored);
        return;
    }
    std::error_code error;
    std::filesystem::rename(partial, downloaded, error);
    if (error) {
        std::filesystem::remove(partial, ignored);
        throw ListInstallError(partial, downloaded, error.message());
    }
}

std::vector<std::string> UpdateFlow::ShownListing(std::vector<std::string> lines)
{
    if (!lines.empty() && lines.front().find("total") != std::string::npos)
        lines.erase(lines.begin());
    return lines;
}

void UpdateFlow::Connect(UpdateSink& sink)
{
    if (busy_)
        return;
    BusyScope busy(busy_);
    abortRequested_ = false;
    openingConnection_ = false;
    try {
        ConnectAndList(sink);
    } catch (...) {
        // Whatever ended the step, the connection is no longer under TLS.
        sink.Secured({}, {});
        if (EndIfAborted())
            return;
        // Whatever step failed, this server gave no listing to download from;
        // `connected_` stays set, so a double-click says the connection is
        // lost instead of loading a "gcmList.BAK" an earlier run left.
        ftp_->Disconnect();
        throw;
    }
}

void UpdateFlow::ConnectAndList(UpdateSink& sink)
{
    std::vector<std::string> lines;

    ftp::FtpClient& ftp = *ftp_;
    ftp.MaxLineAction = net::LineOverflowAction::maException;
    ftp.MaxRetrievalBytes = server_.MaxDownloadBytes;
    ftp.OnSecuring = [&sink](net::NetComponent&) { sink.MainStatus(QStringLiteral("Securing the connection...")); };
    ftp.OnUnverifiedCertificate = nullptr;
    if (sink.AsksAboutCertificates()) {
        ftp.OnUnverifiedCertificate = [&sink](const ftp::FtpClient::UnverifiedCertificate& certificate) {
            return sink.TrustCertificate(CertificateQuestion::About(certificate));
        };
    }
    ftp.OnSecured = [&sink, &ftp](net::NetComponent&) {
        sink.Secured(Utf8Text::Decode(ftp.TlsVersion()), Utf8Text::Decode(ftp.UnverifiedReason()));
    };

    sink.Secured({}, {});
    sink.MainStatus(QStringLiteral("Connecting..."));
    // From here on the window counts on this server: a connect or login that
    // fails leaves nothing on disk that a double-click may take for its answer.
    connected_ = true;
    openingConnection_ = true;
    const ServerConnection connection = ServerConnection::Open(ftp, server_, named_);
    openingConnection_ = false;
    if (!ftp.IsConnected())
        return;
    if (connection.Trust() == ftp::CertificateTrust::None)
        sink.NotEncrypted();
    if (!connection.StoreFailure().empty())
        sink.Note(Utf8Text::Decode(MessageWithFullStop(connection.StoreFailure())));

    sink.MainStatus(QStringLiteral("Locating DIR..."));
    ftp.ChangeDirectory(server_.Directory);
    sink.WindowStatus(Utf8Text::Decode(ftp.SystemDescription()));
    sink.ShowListing({});
    sink.MainStatus(QStringLiteral("Getting FTP file lists..."));
    ftp.ListDirectory(&lines, {}, ftp::ListingDetail::Details);
    sink.ShowListing(ShownListing(std::move(lines)));
    sink.MainStatus(list_.State().Summary());
}

void UpdateFlow::ReportChanges(UpdateSink& sink, const std::string& mainList)
{
    // The list is in place whatever the comparison says: a list that cannot
    // be compared is named in the changes' place, not raised.
    try {
        const ListChanges changes = ListChanges::Compare(
            QFile::decodeName(ListInstaller::PreviousListPath(mainList).c_str()), QFile::decodeName(mainList.c_str()));
        sink.ChangesStatus(changes.Counts().Summary());
    } catch (const std::exception& e) {
        sink.ChangesStatus(Utf8Text::Decode(MessageWithFullStop(e.what())));
    }
}

UpdateOutcome UpdateFlow::DownloadAndInstall(UpdateSink& sink)
{
    if (busy_)
        return UpdateOutcome::Busy;
    BusyScope busy(busy_);
    previousKept_ = false;
    installedVersion_.clear();
    ftp::FtpClient& ftp = *ftp_;
    const std::string downloaded = LocalPath(list_, DownloadedListFileName);
    const std::string mainList = LocalPath(list_, MainListFileName);

    if (ftp.IsConnected()) {
        abortRequested_ = false;
        try {
            Download(sink, downloaded);
        } catch (...) {
            if (!EndIfAborted())
                throw;
            return UpdateOutcome::Aborted;
        }
        if (EndIfAborted())
            return UpdateOutcome::Aborted;
        sink.WindowStatus(QStringLiteral("Disconnecting..."));
        connected_ = false;
        ftp.Disconnect();
        sink.Secured({}, {});
    } else if (connected_) {
        // The connection went while this window still counted on it; what
        // lies on disk is not this server's answer.
        throw ConnectionLostError();
    }

    xml::XmlDocument& document = *document_;
    document.XML().LoadFromFile(downloaded);
    document.SetActive(true);
    const std::string version = RecordWalk::ReadVersion(document);
    // A file without a version number cannot be compared: installing it could
    // replace a good list with something that is no list, and against a
    // missing Main List (empty version) it would count as up to date and be
    // deleted.
    if (version.empty())
        throw DownloadVersionError(downloaded);

    if (!RecordWalk::SameVersion(version, list_.State().ListVersion)) {
        sink.WindowStatus(QStringLiteral("Updating..."));
        InstallResult installed;
        if (!sink.InstallUnlessInterrupted([&] { installed = ListInstaller::Install(downloaded, mainList); })) {
            std::error_code ignored;
            std::filesystem::remove(downloaded, ignored);
            return UpdateOutcome::Aborted;
        }
        installedVersion_ = version;
        sink.WindowStatus(QStringLiteral("Done..."));
        previousKept_ = installed.previous == PreviousList::Kept;
        if (installed.previous == PreviousList::NotKept)
            sink.ChangesStatus(Utf8Text::Decode(installed.problem));
        if (previousKept_)
            ReportChanges(sink, mainList);
        return UpdateOutcome::Installed;
    }

    std::error_code ignored;
    std::filesystem::remove(downloaded, ignored);
    return UpdateOutcome::AlreadyUpToDate;
}

} // namespace quorvane::app
