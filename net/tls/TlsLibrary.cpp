#include "net/tls/TlsLibrary.h"

#include "net/transport/TlsError.h"

#include <dlfcn.h>

#include <atomic>
#include <mutex>
#include <string>

namespace quorvane::net {
namespace {

enum Library : std::size_t { kCrypto, kSsl, kLibraryCount };

// One entry per function this layer calls, in a fixed order.
enum Fn : std::size_t {
    kTlsClientMethod,
    kSslCtxNew,
    kSslCtxFree,
    kSslCtxCtrl,
    kSslCtxSetDefaultVerifyPaths,
    kSslCtxSessSetNewCb,
    kSslSessionFree,
    kSslSessionUpRef,
    kSslNew,
    kSslFree,
    kSslSetBio,
    kSslSetExData,
    kSslGetExData,
    kSslGetExDataX509StoreCtxIdx,
    kSslSetConnectState,
    kSslCtrl,
    kSslSet1Host,
    kSslGet0Param,
    kSslSetVerify,
    kSslSetSession,
    kSslDoHandshake,
    kSslGetError,
    kSslGetVerifyResult,
    kSslGetVersion,
    kSslSessionReused,
    kSslReadEx,
    kSslWriteEx,
    kSslShutdown,
    kSslPending,
    kSslCtxSetOptions,
    kSslSetInfoCallback,
    kCryptoGetExNewIndex,
    kBioSMem,
    kBioNew,
    kBioFree,
    kBioCtrl,
    kBioCtrlPending,
    kBioRead,
    kBioWrite,
    kErrGetError,
    kErrClearError,
    kErrReasonErrorString,
    kEvpSha256,
    kX509Digest,
    kX509GetSubjectName,
    kX509GetIssuerName,
    kX509Get0NotBefore,
    kX509Get0NotAfter,
    kX509NamePrintEx,
    kAsn1TimePrint,
    kX509StoreCtxGetExData,
    kX509StoreCtxGet0Cert,
    kX509StoreCtxGetError,
    kX509VerifyCertErrorString,
    kX509VerifyParamSet1IpAsc,
    kFunctionCount
};

struct Entry {
    Library library;
    const char* name;
};

constexpr Entry kTable[kFunctionCount] = {
    {kSsl, "TLS_client_method"},
    {kSsl, "SSL_CTX_new"},
    {kSsl, "SSL_CTX_free"},
    {kSsl, "SSL_CTX_ctrl"},
    {kSsl, "SSL_CTX_set_default_verify_paths"},
    {kSsl, "SSL_CTX_sess_set_new_cb"},
    {kSsl, "SSL_SESSION_free"},
    {kSsl, "SSL_SESSION_up_ref"},
    {kSsl, "SSL_new"},
    {kSsl, "SSL_free"},
    {kSsl, "SSL_set_bio"},
    {kSsl, "SSL_set_ex_data"},
    {kSsl, "SSL_get_ex_data"},
    {kSsl, "SSL_get_ex_data_X509_STORE_CTX_idx"},
    {kSsl, "SSL_set_connect_state"},
    {kSsl, "SSL_ctrl"},
    {kSsl, "SSL_set1_host"},
    {kSsl, "SSL_get0_param"},
    {kSsl, "SSL_set_verify"},
    {kSsl, "SSL_set_session"},
    {kSsl, "SSL_do_handshake"},
    {kSsl, "SSL_get_error"},
    {kSsl, "SSL_get_verify_result"},
    {kSsl, "SSL_get_version"},
    {kSsl, "SSL_session_reused"},
    {kSsl, "SSL_read_ex"},
    {kSsl, "SSL_write_ex"},
    {kSsl, "SSL_shutdown"},
    {kSsl, "SSL_pending"},
    {kSsl, "SSL_CTX_set_options"},
    {kSsl, "SSL_set_info_callback"},
    {kCrypto, "CRYPTO_get_ex_new_index"},
    {kCrypto, "BIO_s_mem"},
    {kCrypto, "BIO_new"},
    {kCrypto, "BIO_free"},
    {kCrypto, "BIO_ctrl"},
    {kCrypto, "BIO_ctrl_pending"},
    {kCrypto, "BIO_read"},
    {kCrypto, "BIO_write"},
    {kCrypto, "ERR_get_error"},
    {kCrypto, "ERR_clear_error"},
    {kCrypto, "ERR_reason_error_string"},
    {kCrypto, "EVP_sha256"},
    {kCrypto, "X509_digest"},
    {kCrypto, "X509_get_subject_name"},
    {kCrypto, "X509_get_issuer_name"},
    {kCrypto, "X509_get0_notBefore"},
    {kCrypto, "X509_get0_notAfter"},
    {kCrypto, "X509_NAME_print_ex"},
    {kCrypto, "ASN1_TIME_print"},
    {kCrypto, "X509_STORE_CTX_get_ex_data"},
    {kCrypto, "X509_STORE_CTX_get0_cert"},
    {kCrypto, "X509_STORE_CTX_get_error"},
    {kCrypto, "X509_verify_cert_error_string"},
    {kCrypto, "X509_VERIFY_PARAM_set1_ip_asc"},
};

// Written only under gLoadLock before gLoaded is set, and never again.
void* gSlots[kFunctionCount] = {};
std::atomic<bool> gLoaded{false};
std::mutex gLoadLock;

// The slot of `F`, typed as OpenSSL's header declares the function (the declaration is
// only named, never referred to, so the program keeps no link to the library).
template <Fn F, typename Function>
Function* Slot()
{
    return reinterpret_cast<Function*>(gSlots[F]);
}

} // namespace

void TlsLibrary::Startup()
{
    if (gLoaded.load(std::memory_order_acquire))
        return;
    std::lock_guard lock(gLoadLock);
    if (gLoaded.load(std::memory_order_relaxed))
        return;
    // libssl needs libcrypto; naming both keeps each function's source explicit.
    const char* const names[kLibraryCount] = {CryptoLibraryName, SslLibraryName};
    void* handles[kLibraryCount] = {};
    std::string failure;
    for (std::size_t library = 0; library < kLibraryCount && failure.empty(); ++library) {
        handles[library] = ::dlopen(names[library], RTLD_NOW | RTLD_LOCAL);
        if (handles[library] == nullptr) {
            const char* why = ::dlerror();
            failure = why != nullptr ? why : names[library];
        }
    }
    for (std::size_t fn = 0; fn < kFunctionCount && failure.empty(); ++fn) {
        ::dlerror();
        gSlots[fn] = ::dlsym(handles[kTable[fn].library], kTable[fn].name);
        if (gSlots[fn] == nullptr) {
            const char* why = ::dlerror();
            failure = why != nullptr ? why : std::string(kTable[fn].name) + " is missing";
        }
    }
    if (!failure.empty()) {
        for (void*& slot : gSlots)
            slot = nullptr;
        for (void* handle : handles) {
            if (handle != nullptr)
                ::dlclose(handle);
        }
        throw TlsError("TLS is not available: the library could not be loaded (" + failure + ").");
    }
    // The handles are kept for the life of the process: contexts, sessions and the
    // library's own exit handlers may need them until the very end.
    gLoaded.store(true, std::memory_order_release);
}

bool TlsLibrary::Loaded() noexcept
{
    return gLoaded.load(std::memory_order_acquire);
}

const SSL_METHOD* TlsLibrary::TLS_client_method()
{
    return Slot<kTlsClientMethod, decltype(::TLS_client_method)>()();
}

SSL_CTX* TlsLibrary::SSL_CTX_new(const SSL_METHOD* method)
{
    return Slot<kSslCtxNew, decltype(::SSL_CTX_new)>()(method);
}

void TlsLibrary::SSL_CTX_free(SSL_CTX* context)
{
    Slot<kSslCtxFree, decltype(::SSL_CTX_free)>()(context);
}

long TlsLibrary::SSL_CTX_ctrl(SSL_CTX* context, int command, long larg, void* parg)
{
    return Slot<kSslCtxCtrl, decltype(::SSL_CTX_ctrl)>()(context, command, larg, parg);
}

int TlsLibrary::SSL_CTX_set_default_verify_paths(SSL_CTX* context)
{
    return Slot<kSslCtxSetDefaultVerifyPaths, decltype(::SSL_CTX_set_default_verify_paths)>()(context);
}

void TlsLibrary::SSL_CTX_sess_set_new_cb(SSL_CTX* context, int (*callback)(SSL* ssl, SSL_SESSION* session))
{
    Slot<kSslCtxSessSetNewCb, decltype(::SSL_CTX_sess_set_new_cb)>()(context, callback);
}

void TlsLibrary::SSL_SESSION_free(SSL_SESSION* session)
{
    Slot<kSslSessionFree, decltype(::SSL_SESSION_free)>()(session);
}

int TlsLibrary::SSL_SESSION_up_ref(SSL_SESSION* session)
{
    return Slot<kSslSessionUpRef, decltype(::SSL_SESSION_up_ref)>()(session);
}

SSL* TlsLibrary::SSL_new(SSL_CTX* context)
{
    return Slot<kSslNew, decltype(::SSL_new)>()(context);
}

void TlsLibrary::SSL_free(SSL* ssl)
{
    Slot<kSslFree, decltype(::SSL_free)>()(ssl);
}

void TlsLibrary::SSL_set_bio(SSL* ssl, BIO* input, BIO* output)
{
    Slot<kSslSetBio, decltype(::SSL_set_bio)>()(ssl, input, output);
}

int TlsLibrary::SSL_set_ex_data(SSL* ssl, int index, void* data)
{
    return Slot<kSslSetExData, decltype(::SSL_set_ex_data)>()(ssl, index, data);
}

void* TlsLibrary::SSL_get_ex_data(const SSL* ssl, int index)
{
    return Slot<kSslGetExData, decltype(::SSL_get_ex_data)>()(ssl, index);
}

int TlsLibrary::SSL_get_ex_data_X509_STORE_CTX_idx()
{
    return Slot<kSslGetExDataX509StoreCtxIdx, decltype(::SSL_get_ex_data_X509_STORE_CTX_idx)>()();
}

void TlsLibrary::SSL_set_connect_state(SSL* ssl)
{
    Slot<kSslSetConnectState, decltype(::SSL_set_connect_state)>()(ssl);
}

long TlsLibrary::SSL_ctrl(SSL* ssl, int command, long larg, void* parg)
{
    return Slot<kSslCtrl, decltype(::SSL_ctrl)>()(ssl, command, larg, parg);
}

int TlsLibrary::SSL_set1_host(SSL* ssl, const char* host)
{
    return Slot<kSslSet1Host, decltype(::SSL_set1_host)>()(ssl, host);
}

X509_VERIFY_PARAM* TlsLibrary::SSL_get0_param(SSL* ssl)
{
    return Slot<kSslGet0Param, decltype(::SSL_get0_param)>()(ssl);
}

void TlsLibrary::SSL_set_verify(SSL* ssl, int mode, SSL_verify_cb callback)
{
    Slot<kSslSetVerify, decltype(::SSL_set_verify)>()(ssl, mode, callback);
}

int TlsLibrary::SSL_set_session(SSL* ssl, SSL_SESSION* session)
{
    return Slot<kSslSetSession, decltype(::SSL_set_session)>()(ssl, session);
}

int TlsLibrary::SSL_do_handshake(SSL* ssl)
{
    return Slot<kSslDoHandshake, decltype(::SSL_do_handshake)>()(ssl);
}

int TlsLibrary::SSL_get_error(const SSL* ssl, int result)
{
    return Slot<kSslGetError, decltype(::SSL_get_error)>()(ssl, result);
}

long TlsLibrary::SSL_get_verify_result(const SSL* ssl)
{
    return Slot<kSslGetVerifyResult, decltype(::SSL_get_verify_result)>()(ssl);
}

const char* TlsLibrary::SSL_get_version(const SSL* ssl)
{
    return Slot<kSslGetVersion, decltype(::SSL_get_version)>()(ssl);
}

int TlsLibrary::SSL_session_reused(const SSL* ssl)
{
    return Slot<kSslSessionReused, decltype(::SSL_session_reused)>()(ssl);
}

int TlsLibrary::SSL_read_ex(SSL* ssl, void* buffer, std::size_t length, std::size_t* read)
{
    return Slot<kSslReadEx, decltype(::SSL_read_ex)>()(ssl, buffer, length, read);
}

int TlsLibrary::SSL_write_ex(SSL* ssl, const void* buffer, std::size_t length, std::size_t* written)
{
    return Slot<kSslWriteEx, decltype(::SSL_write_ex)>()(ssl, buffer, length, written);
}

int TlsLibrary::SSL_shutdown(SSL* ssl)
{
    return Slot<kSslShutdown, decltype(::SSL_shutdown)>()(ssl);
}

int TlsLibrary::SSL_pending(const SSL* ssl)
{
    return Slot<kSslPending, decltype(::SSL_pending)>()(ssl);
}

std::uint64_t TlsLibrary::SSL_CTX_set_options(SSL_CTX* context, std::uint64_t options)
{
    return Slot<kSslCtxSetOptions, decltype(::SSL_CTX_set_options)>()(context, options);
}

void TlsLibrary::SSL_set_info_callback(SSL* ssl, void (*callback)(const SSL* ssl, int where, int value))
{
    Slot<kSslSetInfoCallback, decltype(::SSL_set_info_callback)>()(ssl, callback);
}

int TlsLibrary::CRYPTO_get_ex_new_index(int classIndex, long argl, void* argp, CRYPTO_EX_new* newFunction,
                                        CRYPTO_EX_dup* dupFunction, CRYPTO_EX_free* freeFunction)
{
    return Slot<kCryptoGetExNewIndex, decltype(::CRYPTO_get_ex_new_index)>()(classIndex, argl, argp, newFunction,
                                                                             dupFunction, freeFunction);
}

const BIO_METHOD* TlsLibrary::BIO_s_mem()
{
    return Slot<kBioSMem, decltype(::BIO_s_mem)>()();
}

BIO* TlsLibrary::BIO_new(const BIO_METHOD* method)
{
    return Slot<kBioNew, decltype(::BIO_new)>()(method);
}

int TlsLibrary::BIO_free(BIO* bio)
{
    return Slot<kBioFree, decltype(::BIO_free)>()(bio);
}

long TlsLibrary::BIO_ctrl(BIO* bio, int command, long larg, void* parg)
{
    return Slot<kBioCtrl, decltype(::BIO_ctrl)>()(bio, command, larg, parg);
}

std::size_t TlsLibrary::BIO_ctrl_pending(BIO* bio)
{
    return Slot<kBioCtrlPending, decltype(::BIO_ctrl_pending)>()(bio);
}

int TlsLibrary::BIO_read(BIO* bio, void* data, int length)
{
    return Slot<kBioRead, decltype(::BIO_read)>()(bio, data, length);
}

int TlsLibrary::BIO_write(BIO* bio, const void* data, int length)
{
    return Slot<kBioWrite, decltype(::BIO_write)>()(bio, data, length);
}

unsigned long TlsLibrary::ERR_get_error()
{
    return Slot<kErrGetError, decltype(::ERR_get_error)>()();
}

void TlsLibrary::ERR_clear_error()
{
    Slot<kErrClearError, decltype(::ERR_clear_error)>()();
}

const char* TlsLibrary::ERR_reason_error_string(unsigned long code)
{
    return Slot<kErrReasonErrorString, decltype(::ERR_reason_error_string)>()(code);
}

const EVP_MD* TlsLibrary::EVP_sha256()
{
    return Slot<kEvpSha256, decltype(::EVP_sha256)>()();
}

int TlsLibrary::X509_digest(const X509* certificate, const EVP_MD* type, unsigned char* digest, unsigned int* length)
{
    return Slot<kX509Digest, decltype(::X509_digest)>()(certificate, type, digest, length);
}

X509_NAME* TlsLibrary::X509_get_subject_name(const X509* certificate)
{
    return Slot<kX509GetSubjectName, decltype(::X509_get_subject_name)>()(certificate);
}

X509_NAME* TlsLibrary::X509_get_issuer_name(const X509* certificate)
{
    return Slot<kX509GetIssuerName, decltype(::X509_get_issuer_name)>()(certificate);
}

const ASN1_TIME* TlsLibrary::X509_get0_notBefore(const X509* certificate)
{
    return Slot<kX509Get0NotBefore, decltype(::X509_get0_notBefore)>()(certificate);
}

const ASN1_TIME* TlsLibrary::X509_get0_notAfter(const X509* certificate)
{
    return Slot<kX509Get0NotAfter, decltype(::X509_get0_notAfter)>()(certificate);
}

int TlsLibrary::X509_NAME_print_ex(BIO* out, const X509_NAME* name, int indent, unsigned long flags)
{
    return Slot<kX509NamePrintEx, decltype(::X509_NAME_print_ex)>()(out, name, indent, flags);
}

int TlsLibrary::ASN1_TIME_print(BIO* out, const ASN1_TIME* time)
{
    return Slot<kAsn1TimePrint, decltype(::ASN1_TIME_print)>()(out, time);
}

void* TlsLibrary::X509_STORE_CTX_get_ex_data(const X509_STORE_CTX* store, int index)
{
    return Slot<kX509StoreCtxGetExData, decltype(::X509_STORE_CTX_get_ex_data)>()(store, index);
}

X509* TlsLibrary::X509_STORE_CTX_get0_cert(const X509_STORE_CTX* store)
{
    return Slot<kX509StoreCtxGet0Cert, decltype(::X509_STORE_CTX_get0_cert)>()(store);
}

int TlsLibrary::X509_STORE_CTX_get_error(const X509_STORE_CTX* store)
{
    return Slot<kX509StoreCtxGetError, decltype(::X509_STORE_CTX_get_error)>()(store);
}

const char* TlsLibrary::X509_verify_cert_error_string(long result)
{
    return Slot<kX509VerifyCertErrorString, decltype(::X509_verify_cert_error_string)>()(result);
}

int TlsLibrary::X509_VERIFY_PARAM_set1_ip_asc(X509_VERIFY_PARAM* parameters, const char* address)
{
    return Slot<kX509VerifyParamSet1IpAsc, decltype(::X509_VERIFY_PARAM_set1_ip_asc)>()(parameters, address);
}

} // namespace quorvane::net
