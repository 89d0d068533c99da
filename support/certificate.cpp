#include "support/certificate.h"

#include <algorithm>

#include "support/list_items.h"

namespace wb {

std::vector<std::string> CertificateProblemWords(unsigned problems) {
  static const struct {
    unsigned bit;
    const char* words;
  } kWords[] = {
      {kCertUnknownIssuer,
       "The certificate was not issued by an authority this computer trusts (it may be "
       "self-signed)."},
      {kCertWrongHost, "The certificate was issued for another host."},
      {kCertNotYetValid, "The certificate is not valid yet."},
      {kCertExpired, "The certificate has expired."},
      {kCertRevoked, "The certificate has been revoked by its issuer."},
      {kCertInsecure, "The certificate uses an insecure algorithm."},
      {kCertOther, "The certificate could not be verified."},
  };
  std::vector<std::string> out;
  for (const auto& w : kWords)
    if (problems & w.bit) out.push_back(w.words);
  if (out.empty()) out.push_back(kWords[std::size(kWords) - 1].words);
  return out;
}

std::string FingerprintText(const std::vector<std::uint8_t>& digest) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (std::uint8_t b : digest) {
    if (!out.empty()) out += ':';
    out += kHex[b >> 4];
    out += kHex[b & 15];
  }
  return out;
}

std::string NormalFingerprint(std::string_view text) {
  std::string digits;
  for (char c : text) {
    if (c == ':' || c == ' ' || c == '\t') continue;
    const bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    if (!hex || digits.size() == 64) return {};
    digits += c >= 'a' ? static_cast<char>(c - 'a' + 'A') : c;
  }
  return digits.size() == 64 ? digits : std::string();
}

bool TrustList::Holds(std::string_view fingerprint) const {
  const std::string normal = NormalFingerprint(fingerprint);
  return !normal.empty() && std::ranges::find(fingerprints, normal) != fingerprints.end();
}

TrustList ParseTrustList(std::string_view value) {
  TrustList list;
  for (std::string_view item : CommaListItems(value)) {
    std::string normal = NormalFingerprint(item);
    if (normal.empty())
      list.invalid.emplace_back(item);
    else
      list.fingerprints.push_back(std::move(normal));
  }
  return list;
}

}  // namespace wb
