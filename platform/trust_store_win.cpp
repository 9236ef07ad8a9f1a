#include <windows.h>
// windows.h first: wincrypt.h builds on it.
#include <wincrypt.h>
// wincrypt.h names a few things as OpenSSL does; OpenSSL's are the ones used below.
#undef X509_NAME
#undef X509_EXTENSIONS
#undef PKCS7_SIGNER_INFO
#undef OCSP_REQUEST
#undef OCSP_RESPONSE

#include <openssl/err.h>
#include <openssl/x509.h>
#include <openssl/x509_vfy.h>

#include <string>

#include "platform/text.h"
#include "platform/trust_store.h"

namespace platform {
namespace {

// An environment variable as UTF-8, the encoding OpenSSL takes file names in on Windows.
std::string Variable(const wchar_t* name) {
  wchar_t value[32768];
  const DWORD length = GetEnvironmentVariableW(name, value, sizeof(value) / sizeof(value[0]));
  if (length == 0 || length >= sizeof(value) / sizeof(value[0])) return {};
  return WideToUtf8(std::wstring(value, length));
}

void AddSystemRoots(X509_STORE* store) {
  HCERTSTORE system = CertOpenSystemStoreW(0, L"ROOT");
  if (!system) return;
  for (PCCERT_CONTEXT certificate = CertEnumCertificatesInStore(system, nullptr); certificate;
       certificate = CertEnumCertificatesInStore(system, certificate)) {
    const unsigned char* der = certificate->pbCertEncoded;
    X509* parsed = d2i_X509(nullptr, &der, static_cast<long>(certificate->cbCertEncoded));
    if (!parsed) continue;
    X509_STORE_add_cert(store, parsed);  // a duplicate is refused, which does no harm
    X509_free(parsed);
  }
  CertCloseStore(system, 0);
}

}  // namespace

void LoadTrustedRoots(X509_STORE* store) {
  AddSystemRoots(store);
  const std::string file = Variable(L"SSL_CERT_FILE");
  if (!file.empty()) X509_STORE_load_file(store, file.c_str());
  const std::string folder = Variable(L"SSL_CERT_DIR");
  if (!folder.empty()) X509_STORE_load_path(store, folder.c_str());
  ERR_clear_error();  // what failed to load is not an error of the next TLS call
}

}  // namespace platform
