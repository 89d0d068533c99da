#include "tools/apt_repository.h"

#include <archive.h>
#include <archive_entry.h>
#include <glib.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <ctime>
#include <memory>
#include <stdexcept>

#include "platform/glib_ptr.h"

namespace wbctl {
namespace {

constexpr std::size_t kMaxControlBytes = std::size_t{1} << 20;
// The control member holds the control file, the checksums of the files and the maintainer
// scripts: small even for a large package.
constexpr std::size_t kMaxControlArchiveBytes = std::size_t{16} << 20;

bool SameLetters(std::string_view a, std::string_view b) {
  return a.size() == b.size() && g_ascii_strncasecmp(a.data(), b.data(), a.size()) == 0;
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
    text.remove_suffix(1);
  return text;
}

// A field name as Debian allows it: printable ASCII without blanks or ":", not starting with
// "#" or "-".
bool IsFieldName(std::string_view name) {
  if (name.empty() || name.front() == '#' || name.front() == '-') return false;
  return std::all_of(name.begin(), name.end(), [](char c) { return c > ' ' && c < 0x7f; });
}

struct ReaderDeleter {
  void operator()(archive* a) const { archive_read_free(a); }
};
using ReaderPtr = std::unique_ptr<archive, ReaderDeleter>;

// The bytes of the first member of the archive `bytes` whose path `wanted` takes, at most
// `limit` of them; nothing when no member is taken. Raises std::runtime_error when the archive
// cannot be read or the member is larger.
template <typename Wanted>
std::optional<std::string> ReadMember(std::string_view bytes, bool ar, Wanted wanted,
                                      std::size_t limit, const std::string& what) {
  ReaderPtr a(archive_read_new());
  if (!a) throw std::runtime_error("the archive library has no memory");
  if (ar) {
    archive_read_support_format_ar(a.get());
  } else {
    archive_read_support_format_tar(a.get());
    archive_read_support_filter_all(a.get());
  }
  if (archive_read_open_memory(a.get(), bytes.data(), bytes.size()) != ARCHIVE_OK)
    throw std::runtime_error(what + ": not a Debian package");
  archive_entry* entry = nullptr;
  int status = ARCHIVE_OK;
  while ((status = archive_read_next_header(a.get(), &entry)) == ARCHIVE_OK) {
    const char* path = archive_entry_pathname(entry);
    if (path == nullptr || !wanted(std::string_view(path))) continue;
    std::string data;
    std::array<char, 65536> buffer{};
    la_ssize_t n = 0;
    while ((n = archive_read_data(a.get(), buffer.data(), buffer.size())) > 0) {
      data.append(buffer.data(), static_cast<std::size_t>(n));
      if (data.size() > limit) throw std::runtime_error(what + ": its control part is too large");
    }
    if (n < 0) throw std::runtime_error(what + ": not a Debian package (a damaged part)");
    return data;
  }
  if (status != ARCHIVE_EOF) throw std::runtime_error(what + ": not a Debian package");
  return std::nullopt;
}

std::string Hex(GChecksumType type, std::string_view bytes) {
  wb::GPtr<gchar> sum(g_compute_checksum_for_data(
      type, reinterpret_cast<const guchar*>(bytes.data()), bytes.size()));
  return sum.get();
}

// Debian's order of the fields of a package index, as dpkg's tools write it.
constexpr std::string_view kIndexOrder[] = {"Package",
                                            "Package-Type",
                                            "Source",
                                            "Version",
                                            "Kernel-Version",
                                            "Built-For-Profiles",
                                            "Auto-Built-Package",
                                            "Architecture",
                                            "Subarchitecture",
                                            "Installer-Menu-Item",
                                            "Build-Essential",
                                            "Essential",
                                            "Protected",
                                            "Origin",
                                            "Bugs",
                                            "Maintainer",
                                            "Installed-Size",
                                            "Pre-Depends",
                                            "Depends",
                                            "Recommends",
                                            "Suggests",
                                            "Enhances",
                                            "Conflicts",
                                            "Breaks",
                                            "Replaces",
                                            "Provides",
                                            "Built-Using",
                                            "Static-Built-Using",
                                            "Filename",
                                            "Size",
                                            "MD5sum",
                                            "SHA1",
                                            "SHA256",
                                            "Section",
                                            "Priority",
                                            "Multi-Arch",
                                            "Homepage",
                                            "Description",
                                            "Tag",
                                            "Task"};

bool IsHostCharacter(char c) {
  return g_ascii_isalnum(c) || c == '-' || c == '.' || c == '[' || c == ']' || c == ':';
}

std::uint32_t Crc24(std::string_view bytes) {
  std::uint32_t crc = 0xB704CEu;
  for (const char c : bytes) {
    crc ^= static_cast<std::uint32_t>(static_cast<unsigned char>(c)) << 16;
    for (int i = 0; i < 8; ++i) {
      crc <<= 1;
      if (crc & 0x1000000u) crc ^= 0x1864CFBu;
    }
  }
  return crc & 0xFFFFFFu;
}

std::optional<std::string> Base64(const std::string& text) {
  if (text.empty() || text.size() % 4 != 0) return std::nullopt;
  const bool valid = std::all_of(text.begin(), text.end(), [](char c) {
    return g_ascii_isalnum(c) || c == '+' || c == '/' || c == '=';
  });
  if (!valid) return std::nullopt;
  gsize length = 0;
  wb::GPtr<guchar> bytes(g_base64_decode(text.c_str(), &length));
  if (!bytes) return std::nullopt;
  return std::string(reinterpret_cast<const char*>(bytes.get()), length);
}

// A field's name as dpkg's tools write it: Debian's own spelling for a field it knows, else
// each part between "-" in lower case with a capital first letter.
std::string Capitalized(const std::string& name) {
  for (std::string_view known : kIndexOrder) {
    if (SameLetters(name, known)) return std::string(known);
  }
  std::string text = name;
  bool first = true;
  for (char& c : text) {
    c = first ? g_ascii_toupper(c) : g_ascii_tolower(c);
    first = c == '-';
  }
  return text;
}

}  // namespace

std::optional<ControlParagraph> ParseControlParagraph(std::string_view text) {
  if (text.size() > kMaxControlBytes) return std::nullopt;
  ControlParagraph paragraph;
  bool ended = false;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (Trim(line).empty()) {
      ended = !paragraph.empty();
      continue;
    }
    if (ended) return std::nullopt;
    if (line.front() == '#') continue;
    if (line.front() == ' ' || line.front() == '\t') {
      if (paragraph.empty()) return std::nullopt;
      std::string_view rest = line;
      while (!rest.empty() && rest.back() == '\r') rest.remove_suffix(1);
      paragraph.back().value.append("\n").append(rest);
      continue;
    }
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) return std::nullopt;
    const std::string_view name = line.substr(0, colon);
    if (!IsFieldName(name)) return std::nullopt;
    for (const ControlField& field : paragraph) {
      if (SameLetters(field.name, name)) return std::nullopt;
    }
    paragraph.push_back({std::string(name), std::string(Trim(line.substr(colon + 1)))});
  }
  if (paragraph.empty()) return std::nullopt;
  return paragraph;
}

std::string FieldValue(const ControlParagraph& paragraph, std::string_view name) {
  for (const ControlField& field : paragraph) {
    if (SameLetters(field.name, name)) return field.value;
  }
  return {};
}

std::string DebControlText(std::string_view deb) {
  const std::string what = "the package";
  const auto control = ReadMember(
      deb, true, [](std::string_view path) { return path.rfind("control.tar", 0) == 0; },
      kMaxControlArchiveBytes, what);
  if (!control) throw std::runtime_error("not a Debian package (it has no control part)");
  const auto text = ReadMember(
      *control, false,
      [](std::string_view path) { return path == "./control" || path == "control"; },
      kMaxControlBytes, what);
  if (!text) throw std::runtime_error("not a Debian package (it has no control file)");
  return *text;
}

Checksums ChecksumsOf(std::string_view bytes) {
  return {Hex(G_CHECKSUM_MD5, bytes), Hex(G_CHECKSUM_SHA1, bytes), Hex(G_CHECKSUM_SHA256, bytes),
          Hex(G_CHECKSUM_SHA512, bytes)};
}

std::string PackagesEntry(const ControlParagraph& control, const std::string& filename,
                          std::uint64_t size, const Checksums& sums) {
  ControlParagraph fields;
  static constexpr std::string_view kAdded[] = {"Filename", "Size", "MD5sum", "SHA1", "SHA256"};
  for (const ControlField& field : control) {
    // The package's own values of the fields the index adds are not the index's.
    const bool added =
        std::any_of(std::begin(kAdded), std::end(kAdded),
                    [&field](std::string_view name) { return SameLetters(field.name, name); });
    if (!added) fields.push_back(field);
  }
  fields.push_back({"Filename", filename});
  fields.push_back({"Size", std::to_string(size)});
  fields.push_back({"MD5sum", sums.md5});
  fields.push_back({"SHA1", sums.sha1});
  fields.push_back({"SHA256", sums.sha256});
  auto rank = [](const ControlField& field) {
    const auto* known =
        std::find_if(std::begin(kIndexOrder), std::end(kIndexOrder),
                     [&field](std::string_view name) { return SameLetters(field.name, name); });
    return known - std::begin(kIndexOrder);
  };
  std::stable_sort(
      fields.begin(), fields.end(),
      [&rank](const ControlField& a, const ControlField& b) { return rank(a) < rank(b); });
  std::string text;
  for (const ControlField& field : fields)
    text += Capitalized(field.name) + ": " + field.value + "\n";
  return text + "\n";
}

std::string ReleaseDate(std::int64_t secondsSince1970) {
  // 253402300799 is the last second of the year 9999.
  if (secondsSince1970 < 0 || secondsSince1970 > 253402300799)
    throw std::invalid_argument("a time between 1970 and 9999");
  const std::time_t time = static_cast<std::time_t>(secondsSince1970);
  std::tm tm{};
  gmtime_r(&time, &tm);
  static constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  char text[64];
  std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d UTC", kDays[tm.tm_wday],
                tm.tm_mday, kMonths[tm.tm_mon], tm.tm_year + 1900, tm.tm_hour, tm.tm_min,
                tm.tm_sec);
  return text;
}

std::string ReleaseText(std::int64_t time, const std::vector<std::string>& architectures,
                        const std::vector<IndexFile>& files) {
  std::string text = "Date: " + ReleaseDate(time) + "\n";
  if (!architectures.empty()) {
    text += "Architectures:";
    for (const std::string& architecture : architectures) text += " " + architecture;
    text += "\n";
  }
  std::vector<Checksums> sums;
  for (const IndexFile& file : files) sums.push_back(ChecksumsOf(file.bytes));
  auto list = [&](const char* field, std::string Checksums::*sum) {
    text += std::string(field) + ":\n";
    for (std::size_t i = 0; i < files.size(); ++i) {
      char size[32];
      std::snprintf(size, sizeof size, "%16zu", files[i].bytes.size());
      text += " " + sums[i].*sum + " " + size + " " + files[i].name + "\n";
    }
  };
  list("MD5Sum", &Checksums::md5);
  list("SHA1", &Checksums::sha1);
  list("SHA256", &Checksums::sha256);
  list("SHA512", &Checksums::sha512);
  return text;
}

bool IsRepositoryUrl(std::string_view url) {
  if (url.size() > 1024) return false;
  std::string_view rest;
  if (url.rfind("http://", 0) == 0) {
    rest = url.substr(7);
  } else if (url.rfind("https://", 0) == 0) {
    rest = url.substr(8);
  } else {
    return false;
  }
  const std::size_t slash = rest.find('/');
  const std::string_view host = rest.substr(0, slash);
  if (host.empty() || !std::all_of(host.begin(), host.end(), IsHostCharacter)) return false;
  return std::all_of(url.begin(), url.end(), [](char c) {
    const auto u = static_cast<unsigned char>(c);
    return u > 0x20 && u < 0x7f && c != '"' && c != '\'' && c != '\\' && c != '<' && c != '>';
  });
}

std::string SourcesText(const std::string& url, const std::string& keyring) {
  return "Types: deb\nURIs: " + url + "\nSuites: ./\nSigned-By: " + keyring + "\n";
}

std::optional<std::string> DearmorPublicKey(std::string_view armoured) {
  static constexpr std::string_view kBegin = "-----BEGIN PGP PUBLIC KEY BLOCK-----";
  static constexpr std::string_view kEnd = "-----END PGP PUBLIC KEY BLOCK-----";
  if (armoured.size() > kMaxControlBytes) return std::nullopt;
  std::vector<std::string_view> lines;
  while (!armoured.empty()) {
    const std::size_t end = armoured.find('\n');
    lines.push_back(Trim(armoured.substr(0, end)));
    armoured.remove_prefix(end == std::string_view::npos ? armoured.size() : end + 1);
  }
  std::size_t i = 0;
  while (i < lines.size() && lines[i] != kBegin) ++i;
  if (i == lines.size()) return std::nullopt;
  ++i;
  // Armour headers ("Comment: ...") up to the blank line.
  while (i < lines.size() && !lines[i].empty()) {
    if (lines[i].find(": ") == std::string_view::npos) return std::nullopt;
    ++i;
  }
  ++i;
  std::string body;
  std::optional<std::string> checksum;
  for (; i < lines.size() && lines[i] != kEnd; ++i) {
    if (!lines[i].empty() && lines[i].front() == '=') {
      checksum = std::string(lines[i].substr(1));
    } else if (checksum) {
      return std::nullopt;
    } else {
      body.append(lines[i]);
    }
  }
  if (i == lines.size()) return std::nullopt;
  for (++i; i < lines.size(); ++i) {
    if (!lines[i].empty()) return std::nullopt;
  }
  auto key = Base64(body);
  if (!key || key->empty()) return std::nullopt;
  if (checksum) {
    const auto crc = Base64(*checksum);
    if (!crc || crc->size() != 3) return std::nullopt;
    const std::uint32_t expected =
        (static_cast<std::uint32_t>(static_cast<unsigned char>((*crc)[0])) << 16) |
        (static_cast<std::uint32_t>(static_cast<unsigned char>((*crc)[1])) << 8) |
        static_cast<unsigned char>((*crc)[2]);
    if (Crc24(*key) != expected) return std::nullopt;
  }
  // The first packet must be a public key (tag 6), in the old or the new packet format; a
  // secret key (tag 5) never goes into a package.
  const auto first = static_cast<unsigned char>(key->front());
  if ((first & 0x80) == 0) return std::nullopt;
  const unsigned tag = (first & 0x40) ? (first & 0x3f) : ((first >> 2) & 0x0f);
  if (tag != 6) return std::nullopt;
  return key;
}

}  // namespace wbctl
