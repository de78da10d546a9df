#include "net/ftp/FtpClient.h"
#include "net/ftp/FtpErrors.h"
#include "tests/net/ftp/FtpTestSupport.h"
#include "tests/support/FtpServerProcess.h"
#include "tests/support/ScriptedPeer.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>

using namespace quorvane;
using namespace quorvane::ftp;
using namespace quorvane::ftp::testing;
using test::FtpServerProcess;
using test::ScriptedPeer;
using test::TempDir;

namespace {

const std::string ListText = "<GCMLIST><VERSION><NUMBER>9</NUMBER></VERSION></GCMLIST>\n";

enum class Server {
    Vsftpd,
    Vsftpd6,
    Pyftpdlib,
    SelfSigned,
    WrongName,
    Expired,
    CutData,
    ProtRefused,
    Renegotiates,
    StallsUploads
};

} // namespace

// Real servers that require TLS, with certificates made for this run and an
// authority trusted through SSL_CERT_FILE.
class FtpTls : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        certs_ = std::make_unique<TempDir>("ftp-tls-certs");
        FtpServerProcess::MakeCertificates(certs_->Path().string());
        setenv("SSL_CERT_FILE", certs_->File("ca.pem").c_str(), 1);
        root_ = std::make_unique<TempDir>("ftp-tls-root");
        WriteFile(root_->File("gcmList.xml"), ListText);
        work_ = std::make_unique<TempDir>("ftp-tls-vsftpd");
        work6_ = std::make_unique<TempDir>("ftp-tls-vsftpd6");

        const std::string key = certs_->File("server.key");
        const auto tls = FtpServerProcess::VsftpdTlsSettings(certs_->File("good.pem"), key);
        Start(Server::Vsftpd, FtpServerProcess::StartVsftpd(Root(), work_->Path().string(), tls));
        Start(Server::Vsftpd6, FtpServerProcess::StartVsftpd(Root(), work6_->Path().string(), tls,
                                                             FtpServerProcess::VsftpdListen::Inet6));
        const std::map<Server, std::string> pyftpdlib{{Server::Pyftpdlib, "good"},    {Server::SelfSigned, "self"},
                                                      {Server::WrongName, "wrong"},   {Server::Expired, "expired"},
                                                      {Server::CutData, "good"},      {Server::ProtRefused, "good"},
                                                      {Server::Renegotiates, "good"}, {Server::StallsUploads, "good"}};
        for (const auto& [server, certificate] : pyftpdlib) {
            test::PyftpdlibOptions options;
            options.Root = Root();
            options.User = User;
            options.Password = Password;
            options.TlsCertificate = certs_->File(certificate + ".pem");
            options.TlsKey = key;
            options.TlsCutData = server == Server::CutData;
            options.TlsRenegotiate = server == Server::Renegotiates;
            options.StallUploads = server == Server::StallsUploads;
            if (server == Server::ProtRefused)
                options.Faults = {"PROT=534"};
            Start(server, FtpServerProcess::StartPyftpdlib(options));
        }
    }
    static void TearDownTestSuite()
    {
        servers_.clear();
        unsetenv("SSL_CERT_FILE");
        work6_.reset();
        work_.reset();
        root_.reset();
        certs_.reset();
    }
    static void Start(Server server, FtpServerProcess process)
    {
        servers_.emplace(server, std::make_unique<FtpServerProcess>(std::move(process)));
    }
    static std::string Root() { return root_->Path().string(); }
    static std::string Fingerprint(const std::string& certificate)
    {
        std::string text = ReadFile(certs_->File(certificate + ".fp"));
        text.erase(std::remove(text.begin(), text.end(), '\n'), text.end());
        return text;
    }

    static std::unique_ptr<TempDir> certs_;
    static std::unique_ptr<TempDir> root_;
    static std::unique_ptr<TempDir> work_;
    static std::unique_ptr<TempDir> work6_;
    static std::map<Server, std::unique_ptr<FtpServerProcess>> servers_;
    TempDir local{"ftp-tls-local"};
};
std::unique_ptr<TempDir> FtpTls::certs_;
std::unique_ptr<TempDir> FtpTls::root_;
std::unique_ptr<TempDir> FtpTls::work_;
std::unique_ptr<TempDir> FtpTls::work6_;
std::map<Server, std::unique_ptr<FtpServerProcess>> FtpTls::servers_;

TEST_F(FtpTls, UpdatesVerifyOrFailWithTheReasonAndFingerprint)
{
    struct Case {
        const char* name;
        Server server;
        std::string host;
        bool passive;
        /// Empty: the list arrives. Otherwise the error's message.
        std::string error;
        /// Bytes per receive: a small one leaves decrypted bytes waiting, which a
        /// wait must hand out at once, as the server sends nothing more until asked.
        std::int32_t recvBufferSize = net::TcpConnection::DefaultBufferSize;
        /// ftp:// asks for TLS and takes a certificate that does not verify for
        /// encryption only; `unverified` is then the reason it names.
        FtpSecurity security = FtpSecurity::RequireTls;
        std::string unverified = {};
    };
    const auto untrusted = [](const std::string& reason, const std::string& certificate) {
        return "The server's certificate is not trusted (" + reason +
               "). SHA-256 fingerprint: " + Fingerprint(certificate);
    };
    const Case cases[] = {
        {"vsftpd passive by name", Server::Vsftpd, "localhost", true, ""},
        {"vsftpd active by IPv4 literal", Server::Vsftpd, "127.0.0.1", false, ""},
        {"vsftpd passive by IPv6 literal", Server::Vsftpd6, "::1", true, ""},
        {"vsftpd active by IPv6 literal", Server::Vsftpd6, "::1", false, ""},
        {"pyftpdlib passive", Server::Pyftpdlib, "localhost", true, ""},
        {"pyftpdlib active", Server::Pyftpdlib, "127.0.0.1", false, ""},
        {"pyftpdlib in 7-byte reads", Server::Pyftpdlib, "localhost", true, "", 7},
        {"self-signed", Server::SelfSigned, "localhost", true, untrusted("self-signed certificate", "self")},
        {"wrong name", Server::WrongName, "localhost", true, untrusted("the name does not match localhost", "wrong")},
        {"wrong address", Server::WrongName, "127.0.0.1", true,
         untrusted("the address does not match 127.0.0.1", "wrong")},
        {"expired", Server::Expired, "localhost", true, untrusted("certificate has expired", "expired")},
        {"PROT P refused", Server::ProtRefused, "localhost", true, "Injected fault for PROT.\r\n"},
        {"data without close_notify", Server::CutData, "localhost", true, net::TlsTruncatedError().what()},
        // TLS 1.2 only: the first request ends the connection, before the login's reply is taken.
        {"renegotiation asked", Server::Renegotiates, "localhost", true,
         "The TLS connection failed (the server asked to renegotiate, which this client refuses)."},
        {"ftp vsftpd verified", Server::Vsftpd, "localhost", true, "", net::TcpConnection::DefaultBufferSize,
         FtpSecurity::TlsWhenOffered, ""},
        {"ftp self-signed for encryption only", Server::SelfSigned, "localhost", false, "",
         net::TcpConnection::DefaultBufferSize, FtpSecurity::TlsWhenOffered, "self-signed certificate"},
        {"ftp wrong name for encryption only", Server::WrongName, "localhost", true, "",
         net::TcpConnection::DefaultBufferSize, FtpSecurity::TlsWhenOffered, "the name does not match localhost"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FtpClient client;
        client.Security = c.security;
        client.Host = c.host;
        client.Port = servers_.at(c.server)->Port();
        const bool vsftpd = c.server == Server::Vsftpd || c.server == Server::Vsftpd6;
        client.Username = vsftpd ? "anonymous" : User;
        client.Password = vsftpd ? "guest@" : Password;
        client.Passive = c.passive;
        client.ReadTimeout = 10000;
        client.RecvBufferSize = c.recvBufferSize;
        const std::string file = local.File(std::string(c.name) + ".xml");
        try {
            client.OpenConnection();
            EXPECT_EQ(client.TlsVersion().rfind("TLS 1.", 0), 0u) << client.TlsVersion();
            EXPECT_EQ(client.UnverifiedReason(), c.unverified);
            std::vector<std::string> listing;
            client.ListDirectory(&listing);
            EXPECT_EQ(listing.size(), 1u);
            client.RetrieveFile("gcmList.xml", file, Overwrite::Allow, Resume::No);
            EXPECT_TRUE(c.error.empty()) << "succeeded";
            EXPECT_EQ(ReadFile(file), ListText);
            if (!vsftpd && c.error.empty()) {
                // An upload goes through the same protected data connection.
                const std::string sent = Pattern(200000);
                client.StoreFile("stored.bin", sent);
                EXPECT_TRUE(ReadFile(root_->File("stored.bin")) == sent);
                EXPECT_EQ(client.SendRawCommand("DELE stored.bin"), 250);
            }
        } catch (const net::NetError& error) {
            EXPECT_EQ(error.what(), c.error);
        }
        client.Disconnect();
    }
}

TEST_F(FtpTls, AnUploadToAServerThatStopsReadingEndsAtTheLimit)
{
    // A TLS record the socket takes only in part must wait as plain bytes do,
    // never in a send that blocks for as long as the server does not read.
    FtpClient client;
    client.Security = FtpSecurity::RequireTls;
    client.Host = "localhost";
    client.Port = servers_.at(Server::StallsUploads)->Port();
    client.Username = User;
    client.Password = Password;
    client.Passive = true;
    client.ReadTimeout = 500;
    client.PendingReplyTimeout = 500;
    client.OpenConnection();
    const std::string bytes(64 * 1024 * 1024, 'q');
    const auto start = std::chrono::steady_clock::now();
    try {
        client.StoreFile("stalled.bin", bytes);
        ADD_FAILURE() << "an upload nobody read succeeded";
    } catch (const net::NetError& error) {
        EXPECT_STREQ(error.what(), net::WriteTimeoutError().what());
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    client.Disconnect();
}

// Peers that never get as far as TLS: the account must never leave in clear.
TEST(FtpTlsPeer, NoTlsOrAStalledHandshakeEndsBeforeTheAccount)
{
    struct Case {
        const char* name;
        std::string afterAuth; ///< the server's answer to "AUTH TLS"
        std::string error;
        bool closes = false; ///< the server closes the connection after its answer
        FtpSecurity security = FtpSecurity::RequireTls;
    };
    const Case cases[] = {
        {"AUTH refused", "500 Unknown command.\r\n", "The server does not offer TLS."},
        {"handshake stalls", "234 Proceed.\r\n", "Read Timeout"},
        {"garbage after 234", "234 Proceed.\r\n220 not a handshake\r\n",
         "The TLS handshake failed (wrong version number)."},
        {"closed during the handshake", "234 Proceed.\r\n",
         "The server closed the connection during the TLS handshake.", true},
        // ftp:// falls back to the clear only on a refusal, never after 234.
        {"ftp handshake stalls", "234 Proceed.\r\n", "Read Timeout", false, FtpSecurity::TlsWhenOffered},
        {"ftp garbage after 234", "234 Proceed.\r\n220 not a handshake\r\n",
         "The TLS handshake failed (wrong version number).", false, FtpSecurity::TlsWhenOffered},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedPeer peer;
        peer.Reply("220 ready").Expect("AUTH TLS").Send(c.afterAuth);
        if (c.closes)
            peer.CloseControl();
        else
            peer.Pause(std::chrono::milliseconds(1500));
        peer.Start();
        FtpClient client;
        Aim(client, peer.Port());
        client.Security = c.security;
        client.ReadTimeout = 500;
        const auto start = std::chrono::steady_clock::now();
        try {
            client.OpenConnection();
            ADD_FAILURE() << "connected";
        } catch (const net::NetError& error) {
            EXPECT_EQ(error.what(), c.error);
        }
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1400));
        EXPECT_FALSE(client.IsConnected());
        peer.Finish();
        for (const std::string& line : peer.Received())
            EXPECT_TRUE(line.rfind("USER", 0) != 0 && line.rfind("PASS", 0) != 0) << line;
    }
}
