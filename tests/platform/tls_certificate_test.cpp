#include "platform/tls_certificate.h"

#include <gtest/gtest.h>

#include <bit>
#include <filesystem>
#include <string>

#include "platform/glib_ptr.h"
#include "support/certificate.h"
#include "tests/common/run_tool.h"
#include "tests/common/test_env.h"

namespace wb {
namespace {

// Every flag GLib can report has a problem of its own, and the problems add up.
TEST(TlsCertificate, EveryFlagIsAProblem) {
  EXPECT_EQ(CertificateProblems(static_cast<GTlsCertificateFlags>(0)), 0u);
  EXPECT_EQ(CertificateProblems(G_TLS_CERTIFICATE_VALIDATE_ALL),
            kCertUnknownIssuer | kCertWrongHost | kCertNotYetValid | kCertExpired | kCertRevoked |
                kCertInsecure | kCertOther);
  unsigned seen = 0;
  for (unsigned flag = 1; flag & G_TLS_CERTIFICATE_VALIDATE_ALL; flag <<= 1) {
    const unsigned problem = CertificateProblems(static_cast<GTlsCertificateFlags>(flag));
    EXPECT_EQ(std::popcount(problem), 1) << flag;
    EXPECT_EQ(seen & problem, 0u) << flag;
    seen |= problem;
  }
  // Revocation is the problem that no fingerprint in trust= overrides.
  EXPECT_EQ(CertificateProblems(G_TLS_CERTIFICATE_REVOKED), unsigned{kCertRevoked});
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
