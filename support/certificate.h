#pragma once
// Certificates a person can judge: the words for what is wrong with one, its SHA-256
// fingerprint as the openssl tool prints it, and the list of fingerprints a copy trusts
// (configuration key "trust").
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace wb {

// What can be wrong with a certificate, as bits (the engine's own flags are mapped to these).
enum CertificateProblem : unsigned {
  kCertUnknownIssuer = 1u << 0,
  kCertWrongHost = 1u << 1,
  kCertNotYetValid = 1u << 2,
  kCertExpired = 1u << 3,
  kCertRevoked = 1u << 4,
  kCertInsecure = 1u << 5,
  kCertOther = 1u << 6,
};

// One sentence for each problem in `problems`, in the order of the bits above; a certificate
// refused without a known reason gives the sentence of kCertOther.
std::vector<std::string> CertificateProblemWords(unsigned problems);

// The bytes as upper-case hexadecimal pairs divided by ":" ("AB:CD:...").
std::string FingerprintText(const std::vector<std::uint8_t>& digest);

// A fingerprint written by a person: 64 hexadecimal digits, in either case, with ":" or
// blanks between them anywhere. Returns the 64 digits in upper case, or empty text when the
// text is not such a fingerprint.
std::string NormalFingerprint(std::string_view text);

// One item of the "trust" key: a fingerprint alone, trusted for the copy's own hosts (the
// start address's host and the hosts the "internal" key names), or "HOST=FINGERPRINT", trusted
// for that one host only. Appliances of one maker often share a certificate and its key, so a
// fingerprint alone never stands for every host the copy visits.
struct TrustedCertificate {
  std::string host;         // lower case; empty: the copy's own hosts
  std::string fingerprint;  // normal form (NormalFingerprint)
  bool operator==(const TrustedCertificate&) const = default;
};

// The value of the "trust" key: items divided by ",". Empty items are skipped.
struct TrustList {
  std::vector<TrustedCertificate> items;
  std::vector<std::string> invalid;  // the items that are no fingerprint or host, trimmed
  // Whether a certificate with `fingerprint` (any form NormalFingerprint reads) that `host`
  // presented is accepted: an item names it for that host (without regard to ASCII case), or
  // a fingerprint alone names it and `ownHost` says the host is one of the copy's own. Never
  // when `problems` (CertificateProblem bits) say it was revoked.
  bool Trusts(std::string_view fingerprint, std::string_view host, bool ownHost,
              unsigned problems) const;
  // The items as the key writes them, in normal form ("FINGERPRINT", "HOST=FINGERPRINT").
  std::vector<std::string> Texts() const;
};
TrustList ParseTrustList(std::string_view value);

}  // namespace wb
