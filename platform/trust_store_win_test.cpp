// The trusted roots of a Windows program: the system's ROOT store, and SSL_CERT_FILE as well.
#include <gtest/gtest.h>
#include <openssl/x509_vfy.h>

#include <memory>

#include "platform/trust_store.h"
#include "tests/support/child_process.h"
#include "tests/support/temp_folder.h"

namespace platform {
namespace {

// A self-signed certificate (CN=kvtest root), valid for a hundred years from December 2026.
constexpr char kRootPem[] = R"(-----BEGIN CERTIFICATE-----
MIIBgjCCASmgAwIBAgIUPI56sIRFsoykFfIG8t0d1HRp+GcwCgYIKoZIzj0EAwIw
FjEUMBIGA1UEAwwLa3Z0ZXN0IHJvb3QwIBcNMjYxMjExMTQyNTI1WhgPMjEyNjEx
MTcxNDI1MjVaMBYxFDASBgNVBAMMC2t2dGVzdCByb290MFkwEwYHKoZIzj0CAQYI
KoZIzj0DAQcDQgAEhPrh29q7VRjPXkpnOu15cJ/pESLHDy6F7Wz29NRkuwDi2VxV
geLlQLrcLkoGrmYrghn7cfwHsa8R3DTvUYAzcKNTMFEwHQYDVR0OBBYEFFwMcaUJ
PsU/0701vIYWHoueNtj2MB8GA1UdIwQYMBaAFFwMcaUJPsU/0701vIYWHoueNtj2
MA8GA1UdEwEB/wQFMAMBAf8wCgYIKoZIzj0EAwIDRwAwRAIgeBKRSn9EYiuKXqGr
ebJzs6/otesTthYun3PaHyp2vfsCIGAv8Jb6HvlngillF/1RZRAbszJcmsPG0XEm
sa6/zqbd
-----END CERTIFICATE-----
)";

int CountCertificates(X509_STORE* store) {
  int count = 0;
  const STACK_OF(X509_OBJECT)* objects = X509_STORE_get0_objects(store);
  for (int i = 0; i < sk_X509_OBJECT_num(objects); ++i) {
    if (X509_OBJECT_get_type(sk_X509_OBJECT_value(objects, i)) == X509_LU_X509) ++count;
  }
  return count;
}

using Store = std::unique_ptr<X509_STORE, decltype(&X509_STORE_free)>;

TEST(TrustStoreTest, TheSystemRootsAndTheFileOfSslCertFile) {
  int system_roots = 0;
  {
    kvtest::ScopedEnvironment no_file("SSL_CERT_FILE", "");
    Store store(X509_STORE_new(), X509_STORE_free);
    LoadTrustedRoots(store.get());
    system_roots = CountCertificates(store.get());
  }
  EXPECT_GT(system_roots, 0) << "the ROOT store gave no certificate";

  kvtest::TempFolder folder;
  const auto file = folder.Write("root.pem", kRootPem);
  kvtest::ScopedEnvironment cert_file("SSL_CERT_FILE", file.u8string());
  Store store(X509_STORE_new(), X509_STORE_free);
  LoadTrustedRoots(store.get());
  EXPECT_EQ(CountCertificates(store.get()), system_roots + 1);
}

}  // namespace
}  // namespace platform
