#pragma once

// OpenSSL's headers, for its types, constants and callback signatures only: every call
// goes through TlsLibrary. This header belongs to net/tls's own sources; the layer's
// public headers name no OpenSSL header.
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <cstddef>
#include <cstdint>

namespace quorvane::net {

/// OpenSSL (libcrypto.so.3 and libssl.so.3), loaded when the first TLS connection is
/// made, so that a program that makes none never maps, relocates or initialises it.
///
/// Startup opens both libraries and binds every call slot at once: a missing export fails
/// the load, never a call in the middle of a handshake, where the library's own frames
/// (and its callbacks into this layer) are on the stack and no exception may cross them.
/// Once loaded, the libraries stay until the process ends; calling a slot before
/// Startup has returned is a programming error (TlsContext starts the library, and every
/// other use needs a context).
class TlsLibrary {
public:
    static constexpr const char* CryptoLibraryName = "libcrypto.so.3";
    static constexpr const char* SslLibraryName = "libssl.so.3";

    /// Loads and binds both libraries unless that is done already. Raises TlsError "TLS is
    /// not available: the library could not be loaded (<the loader's text>)." and keeps
    /// nothing loaded; the next call tries again. Safe to call from several threads.
    static void Startup();
    static bool Loaded() noexcept;

    // Call slots; each one behaves as the OpenSSL function of the same name. Where OpenSSL
    // offers a macro (SSL_CTX_set_min_proto_version, BIO_get_mem_data, SSL_get_ex_new_index
    // and the like), the caller writes out the call the macro stands for.
    static const SSL_METHOD* TLS_client_method();
    static SSL_CTX* SSL_CTX_new(const SSL_METHOD* method);
    static void SSL_CTX_free(SSL_CTX* context);
    static long SSL_CTX_ctrl(SSL_CTX* context, int command, long larg, void* parg);
    static int SSL_CTX_set_default_verify_paths(SSL_CTX* context);
    static void SSL_CTX_sess_set_new_cb(SSL_CTX* context, int (*callback)(SSL* ssl, SSL_SESSION* session));
    static void SSL_SESSION_free(SSL_SESSION* session);
    static int SSL_SESSION_up_ref(SSL_SESSION* session);
    static SSL* SSL_new(SSL_CTX* context);
    static void SSL_free(SSL* ssl);
    static void SSL_set_bio(SSL* ssl, BIO* input, BIO* output);
    static int SSL_set_ex_data(SSL* ssl, int index, void* data);
    static void* SSL_get_ex_data(const SSL* ssl, int index);
    static int SSL_get_ex_data_X509_STORE_CTX_idx();
    static void SSL_set_connect_state(SSL* ssl);
    static long SSL_ctrl(SSL* ssl, int command, long larg, void* parg);
    static int SSL_set1_host(SSL* ssl, const char* host);
    static X509_VERIFY_PARAM* SSL_get0_param(SSL* ssl);
    static void SSL_set_verify(SSL* ssl, int mode, SSL_verify_cb callback);
    static int SSL_set_session(SSL* ssl, SSL_SESSION* session);
    static int SSL_do_handshake(SSL* ssl);
    static int SSL_get_error(const SSL* ssl, int result);
    static long SSL_get_verify_result(const SSL* ssl);
    static const char* SSL_get_version(const SSL* ssl);
    static int SSL_session_reused(const SSL* ssl);
    static int SSL_read_ex(SSL* ssl, void* buffer, std::size_t length, std::size_t* read);
    static int SSL_write_ex(SSL* ssl, const void* buffer, std::size_t length, std::size_t* written);
    static int SSL_shutdown(SSL* ssl);
    static int SSL_pending(const SSL* ssl);
    static std::uint64_t SSL_CTX_set_options(SSL_CTX* context, std::uint64_t options);
    static void SSL_set_info_callback(SSL* ssl, void (*callback)(const SSL* ssl, int where, int value));

    static int CRYPTO_get_ex_new_index(int classIndex, long argl, void* argp, CRYPTO_EX_new* newFunction,
                                       CRYPTO_EX_dup* dupFunction, CRYPTO_EX_free* freeFunction);
    static const BIO_METHOD* BIO_s_mem();
    static BIO* BIO_new(const BIO_METHOD* method);
    static int BIO_free(BIO* bio);
    static long BIO_ctrl(BIO* bio, int command, long larg, void* parg);
    static std::size_t BIO_ctrl_pending(BIO* bio);
    static int BIO_read(BIO* bio, void* data, int length);
    static int BIO_write(BIO* bio, const void* data, int length);
    static unsigned long ERR_get_error();
    static void ERR_clear_error();
    static const char* ERR_reason_error_string(unsigned long code);
    static const EVP_MD* EVP_sha256();
    static int X509_digest(const X509* certificate, const EVP_MD* type, unsigned char* digest, unsigned int* length);
    static X509_NAME* X509_get_subject_name(const X509* certificate);
    static X509_NAME* X509_get_issuer_name(const X509* certificate);
    static const ASN1_TIME* X509_get0_notBefore(const X509* certificate);
    static const ASN1_TIME* X509_get0_notAfter(const X509* certificate);
    static int X509_NAME_print_ex(BIO* out, const X509_NAME* name, int indent, unsigned long flags);
    static int ASN1_TIME_print(BIO* out, const ASN1_TIME* time);
    static void* X509_STORE_CTX_get_ex_data(const X509_STORE_CTX* store, int index);
    static X509* X509_STORE_CTX_get0_cert(const X509_STORE_CTX* store);
    static int X509_STORE_CTX_get_error(const X509_STORE_CTX* store);
    static const char* X509_verify_cert_error_string(long result);
    static int X509_VERIFY_PARAM_set1_ip_asc(X509_VERIFY_PARAM* parameters, const char* address);
};

} // namespace quorvane::net
