#include <openssl/x509_vfy.h>

#include "platform/trust_store.h"

namespace platform {

void LoadTrustedRoots(X509_STORE* store) { X509_STORE_set_default_paths(store); }

}  // namespace platform
