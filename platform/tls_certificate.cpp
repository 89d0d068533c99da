#include "platform/tls_certificate.h"

#include <cstdint>
#include <utility>
#include <vector>

#include "platform/glib_ptr.h"
#include "support/certificate.h"

namespace wb {

std::string CertificateFingerprint(GTlsCertificate* certificate) {
  GByteArray* bytes = nullptr;
  g_object_get(certificate, "certificate", &bytes, nullptr);
  const GPtr<GByteArray> der(bytes);
  if (!der) return {};
  std::vector<std::uint8_t> digest(32);
  gsize length = digest.size();
  GPtr<GChecksum> sum(g_checksum_new(G_CHECKSUM_SHA256));
  g_checksum_update(sum.get(), der->data, der->len);
  g_checksum_get_digest(sum.get(), digest.data(), &length);
  digest.resize(length);
  return FingerprintText(digest);
}

unsigned CertificateProblems(GTlsCertificateFlags errors) {
  static constexpr std::pair<GTlsCertificateFlags, unsigned> kProblems[] = {
      {G_TLS_CERTIFICATE_UNKNOWN_CA, kCertUnknownIssuer},
      {G_TLS_CERTIFICATE_BAD_IDENTITY, kCertWrongHost},
      {G_TLS_CERTIFICATE_NOT_ACTIVATED, kCertNotYetValid},
      {G_TLS_CERTIFICATE_EXPIRED, kCertExpired},
      {G_TLS_CERTIFICATE_REVOKED, kCertRevoked},
      {G_TLS_CERTIFICATE_INSECURE, kCertInsecure},
      {G_TLS_CERTIFICATE_GENERIC_ERROR, kCertOther},
  };
  unsigned problems = 0;
  for (const auto& [flag, problem] : kProblems)
    if (errors & flag) problems |= problem;
  return problems;
}

}  // namespace wb
