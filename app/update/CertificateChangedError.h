#pragma once

#include "app/update/UpdateError.h"

namespace quorvane::app {

/// The server showed a certificate other than the one the user trusted by its
/// fingerprint, and the new one does not verify either.
class CertificateChangedError : public UpdateError {
public:
    CertificateChangedError() : UpdateError("The server's certificate changed since you trusted it.") {}
};

} // namespace quorvane::app
