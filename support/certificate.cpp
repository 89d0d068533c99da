#include "support/certificate.h"

#include <algorithm>

#include "support/catalog.h"
#include "support/host_patterns.h"
#include "support/list_items.h"
#include "support/lower_case.h"

namespace wb {

std::vector<std::string> CertificateProblemWords(unsigned problems) {
  static const struct {
    unsigned bit;
    const char* words;
  } kWords[] = {
      {kCertUnknownIssuer,
       N_("The certificate was not issued by an authority this computer trusts (it may be "
          "self-signed).")},
      {kCertWrongHost, N_("The certificate was issued for another host.")},
      {kCertNotYetValid, N_("The certificate is not valid yet.")},
      {kCertExpired, N_("The certificate has expired.")},
      {kCertRevoked, N_("The certificate has been revoked by its issuer.")},
      {kCertInsecure, N_("The certificate uses an insecure algorithm.")},
      {kCertOther, N_("The certificate could not be verified.")},
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

bool TrustList::Trusts(std::string_view fingerprint, std::string_view host, bool ownHost,
                       unsigned problems) const {
  if (problems & kCertRevoked) return false;
  const std::string normal = NormalFingerprint(fingerprint);
  if (normal.empty() || host.empty()) return false;
  const std::string lower = AsciiLowerCase(host);
  return std::ranges::any_of(items, [&](const TrustedCertificate& item) {
    return item.fingerprint == normal && (item.host.empty() ? ownHost : item.host == lower);
  });
}

std::vector<std::string> TrustList::Texts() const {
  std::vector<std::string> texts;
  for (const auto& item : items)
    texts.push_back(item.host.empty() ? item.fingerprint : item.host + "=" + item.fingerprint);
  return texts;
}

TrustList ParseTrustList(std::string_view value) {
  TrustList list;
  for (std::string_view item : CommaListItems(value)) {
    TrustedCertificate trusted;
    std::string_view fingerprint = item;
    if (const size_t eq = item.find('='); eq != std::string_view::npos) {
      std::string_view host = item.substr(0, eq);
      while (!host.empty() && host.back() == ' ') host.remove_suffix(1);
      // A host name or address as the "internal" key writes one; no pattern.
      if (IsHostPattern(host) && host.substr(0, 2) != "*.") trusted.host = AsciiLowerCase(host);
      fingerprint = item.substr(eq + 1);
      if (trusted.host.empty()) fingerprint = {};
    }
    trusted.fingerprint = NormalFingerprint(fingerprint);
    if (trusted.fingerprint.empty())
      list.invalid.emplace_back(item);
    else
      list.items.push_back(std::move(trusted));
  }
  return list;
}

}  // namespace wb
