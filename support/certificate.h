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

// The value of the "trust" key: fingerprints divided by ",". Empty items are skipped.
struct TrustList {
  std::vector<std::string> fingerprints;  // normal form (NormalFingerprint)
  std::vector<std::string> invalid;       // the items that are no fingerprint, trimmed
  // Whether `fingerprint` (any form NormalFingerprint reads) is in the list.
  bool Holds(std::string_view fingerprint) const;
};
TrustList ParseTrustList(std::string_view value);

}  // namespace wb
