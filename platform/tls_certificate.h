#pragma once
// What GLib's TLS layer tells of a certificate (to the engine and to wbctl's own fetches), in
// the core's terms.
#include <gio/gio.h>

#include <string>

namespace wb {

// The certificate's SHA-256 fingerprint as FingerprintText writes it; empty when the
// certificate holds no DER data.
std::string CertificateFingerprint(GTlsCertificate* certificate);

// The problems of `errors` as CertificateProblem bits.
unsigned CertificateProblems(GTlsCertificateFlags errors);

}  // namespace wb
