#include "platform/tls_certificate.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/glib_ptr.h"
#include "support/certificate.h"
#include "tests/common/run_tool.h"
#include "tests/common/test_env.h"

namespace wb {
namespace {

TEST(TlsCertificate, EachFlagIsItsProblem) {
  const struct {
    unsigned flags;  // GTlsCertificateFlags
    unsigned problems;
  } cases[] = {
      {0, 0},
      {G_TLS_CERTIFICATE_UNKNOWN_CA, kCertUnknownIssuer},
      {G_TLS_CERTIFICATE_BAD_IDENTITY, kCertWrongHost},
      {G_TLS_CERTIFICATE_NOT_ACTIVATED, kCertNotYetValid},
      {G_TLS_CERTIFICATE_EXPIRED, kCertExpired},
      {G_TLS_CERTIFICATE_REVOKED, kCertRevoked},
      {G_TLS_CERTIFICATE_INSECURE, kCertInsecure},
      {G_TLS_CERTIFICATE_GENERIC_ERROR, kCertOther},
      {G_TLS_CERTIFICATE_UNKNOWN_CA | G_TLS_CERTIFICATE_EXPIRED, kCertUnknownIssuer | kCertExpired},
      {G_TLS_CERTIFICATE_VALIDATE_ALL, kCertUnknownIssuer | kCertWrongHost | kCertNotYetValid |
                                           kCertExpired | kCertRevoked | kCertInsecure |
                                           kCertOther},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CertificateProblems(static_cast<GTlsCertificateFlags>(c.flags)), c.problems)
        << c.flags;
  }
}

std::string Openssl() {
  const GPtr<gchar> path(g_find_program_in_path("openssl"));
  return path ? path.get() : "openssl";
}

// The fingerprint is the one openssl prints for the same certificate, which is what a person
// copies into trust= or --trust.
TEST(TlsCertificate, TheFingerprintIsOpensslsSha256) {
  const std::string folder = wbtest::TestRoot() + "/tls-certificate";
  std::filesystem::create_directories(folder);
  const std::string cert = folder + "/cert.pem";
  const wbtest::ToolRun made = wbtest::RunTool(
      {Openssl(), "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj",
       "/CN=fingerprint.example", "-keyout", folder + "/key.pem", "-out", cert});
  ASSERT_EQ(made.status, 0) << made.err;
  const wbtest::ToolRun printed =
      wbtest::RunTool({Openssl(), "x509", "-noout", "-fingerprint", "-sha256", "-in", cert});
  ASSERT_EQ(printed.status, 0) << printed.err;
  const auto eq = printed.out.find('=');
  ASSERT_NE(eq, std::string::npos) << printed.out;

  GPtr<GError> error;
  GObjectPtr<GTlsCertificate> certificate(
      g_tls_certificate_new_from_file(cert.c_str(), OutPtr(error)));
  ASSERT_TRUE(certificate) << (error ? error->message : "");
  EXPECT_EQ(CertificateFingerprint(certificate.get()), printed.out.substr(eq + 1, 95));
}

}  // namespace
}  // namespace wb
