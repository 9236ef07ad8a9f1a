// The certificates TLS connections trust: the system's own trust store, and the file named by
// SSL_CERT_FILE (the demo and the tests use it for their local authority).
#pragma once

typedef struct x509_store_st X509_STORE;

namespace platform {

/// Loads the trusted roots into `store`. Linux: OpenSSL's default paths, which honour
/// SSL_CERT_FILE and SSL_CERT_DIR. Windows: the certificates of the system's ROOT store, and the
/// file and folder named by SSL_CERT_FILE and SSL_CERT_DIR when set; OpenSSL's built-in default
/// paths are never read there (they name a folder any user could create). Without any root every
/// check fails, as it should.
void LoadTrustedRoots(X509_STORE* store);

}  // namespace platform
