// wbctl repo: the package repository a maker publishes, so that customers who installed a
// copy's package get its later versions with the system's own updates. "init" makes the
// folder and its signing key (the maker's own, in the maker's GnuPG home; only the public key
// goes into the folder), "add" puts packages into it and writes the indexes apt reads, signed.
// The folder is what the maker copies to any static web server.
#include <fcntl.h>
#include <gio/gio.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/glib_ptr.h"
#include "storage/atomic_file.h"
#include "support/update_notice.h"
#include "tools/apt_repository.h"
#include "tools/archive_writer.h"
#include "tools/command.h"
#include "tools/deb_control.h"
#include "tools/debian_version.h"

namespace wbctl {
namespace {

namespace fs = std::filesystem;

constexpr const char* kUsage =
    "repo init DIR [--key KEYID|FILE] [--name \"NAME <MAIL>\"] [--no-passphrase] | "
    "repo add DIR PACKAGE.deb... [--keep N] | "
    "repo announce DIR NAME VERSION --page URL";

// The repository's own settings: the fingerprint of the key that signs it.
constexpr const char* kConfigName = "wbctl-repo.conf";
constexpr const char* kPublicKeyName = "key.asc";
constexpr const char* kPool = "pool";
// A copy's package is the program and a few pictures; a file far larger is not one.
constexpr std::size_t kMaxPackageBytes = std::size_t{1} << 30;
constexpr std::size_t kMaxGpgOutput = std::size_t{1} << 20;

[[noreturn]] void Usage(const std::string& message) {
  throw UsageError(message + "\nusage: wbctl " + kUsage);
}

struct ProgramResult {
  bool ok = false;
  std::string out;
  std::string err;
};

// Runs the OpenPGP tool with `args`, `input` on its standard input, and returns what it wrote.
// It is run directly, never through a shell; its home is the maker's (GNUPGHOME or ~/.gnupg).
// Passphrase questions go through its agent, which asks on the maker's terminal or desktop.
ProgramResult RunGpg(const std::vector<std::string>& args, const std::string& input = {}) {
  wb::GPtr<gchar> program(g_find_program_in_path("gpg"));
  if (!program) throw std::runtime_error("gpg is not installed; install the Debian package gnupg");
  std::vector<const gchar*> argv{program.get()};
  for (const auto& arg : args) argv.push_back(arg.c_str());
  argv.push_back(nullptr);
  wb::GPtr<GError> error;
  wb::GObjectPtr<GSubprocess> process(g_subprocess_newv(
      argv.data(),
      static_cast<GSubprocessFlags>(G_SUBPROCESS_FLAGS_STDIN_PIPE | G_SUBPROCESS_FLAGS_STDOUT_PIPE |
                                    G_SUBPROCESS_FLAGS_STDERR_PIPE),
      wb::OutPtr(error)));
  if (!process) throw std::runtime_error(std::string("gpg: ") + error->message);
  wb::GPtr<GBytes> in(g_bytes_new(input.data(), input.size()));
  GBytes* out = nullptr;
  GBytes* err = nullptr;
  const bool ran =
      g_subprocess_communicate(process.get(), in.get(), nullptr, &out, &err, wb::OutPtr(error));
  wb::GPtr<GBytes> outHolder(out);
  wb::GPtr<GBytes> errHolder(err);
  if (!ran) throw std::runtime_error(std::string("gpg: ") + error->message);
  ProgramResult result;
  auto text = [](GBytes* bytes) {
    if (bytes == nullptr) return std::string();
    gsize size = 0;
    const auto* data = static_cast<const char*>(g_bytes_get_data(bytes, &size));
    return std::string(data, std::min<gsize>(size, kMaxGpgOutput));
  };
  result.out = text(out);
  result.err = text(err);
  result.ok =
      g_subprocess_get_if_exited(process.get()) && g_subprocess_get_exit_status(process.get()) == 0;
  return result;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = std::min(text.find('\n', start), text.size());
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

std::vector<std::string> Columns(const std::string& line) {
  std::vector<std::string> columns;
  std::size_t start = 0;
  while (true) {
    const std::size_t end = line.find(':', start);
    columns.push_back(line.substr(start, end == std::string::npos ? end : end - start));
    if (end == std::string::npos) return columns;
    start = end + 1;
  }
}

// The primary keys of gpg's list in colons: each "pub" or "sec" record with the fingerprint
// of the "fpr" record after it.
struct ListedKey {
  std::vector<std::string> record;
  std::string fingerprint;
};
std::vector<ListedKey> PrimaryKeys(const std::string& colons) {
  std::vector<ListedKey> keys;
  bool wantFingerprint = false;
  for (const std::string& line : Lines(colons)) {
    const auto columns = Columns(line);
    if (columns[0] == "pub" || columns[0] == "sec") {
      keys.push_back({columns, {}});
      wantFingerprint = true;
    } else if (columns[0] == "fpr" && wantFingerprint && columns.size() > 9) {
      keys.back().fingerprint = columns[9];
      wantFingerprint = false;
    } else if (columns[0] == "sub" || columns[0] == "ssb") {
      wantFingerprint = false;
    }
  }
  return keys;
}

// The fingerprint of the one secret key `id` names in the maker's GnuPG home, checked to be
// usable for signing.
std::string SecretKey(const std::string& id) {
  const ProgramResult listed = RunGpg({"--batch", "--with-colons", "--list-secret-keys", "--", id});
  const auto keys = PrimaryKeys(listed.out);
  if (!listed.ok || keys.empty())
    throw std::runtime_error("\"" + id + "\": no secret key of that name in your GnuPG home");
  if (keys.size() > 1) {
    throw std::runtime_error("\"" + id +
                             "\": names several secret keys; give the fingerprint of one");
  }
  const ListedKey& key = keys.front();
  const std::string validity = key.record.size() > 1 ? key.record[1] : "";
  if (validity == "r" || validity == "e")
    throw std::runtime_error("\"" + id + "\": the key is revoked or has expired");
  const std::string usage = key.record.size() > 11 ? key.record[11] : "";
  if (usage.find('S') == std::string::npos || key.fingerprint.empty())
    throw std::runtime_error("\"" + id + "\": the key cannot sign");
  return key.fingerprint;
}

// Imports the key file `path` (a secret key, or the public half of one already in the home)
// and returns the fingerprint of its key.
std::string ImportedKey(const std::string& path) {
  const ProgramResult shown =
      RunGpg({"--batch", "--with-colons", "--import-options", "show-only", "--import", "--", path});
  const auto keys = PrimaryKeys(shown.out);
  if (!shown.ok || keys.empty())
    throw std::runtime_error("\"" + path + "\": not an OpenPGP key file");
  if (keys.size() > 1)
    throw std::runtime_error("\"" + path + "\": holds several keys; give a file of one");
  const ProgramResult imported = RunGpg({"--batch", "--import", "--", path});
  if (!imported.ok)
    throw std::runtime_error("\"" + path + "\": gpg did not import it\n" + imported.err);
  return SecretKey(keys.front().fingerprint);
}

std::string GeneratedKey(const std::string& userId, bool withoutPassphrase) {
  std::vector<std::string> args{"--batch", "--status-fd", "1"};
  if (withoutPassphrase)
    args.insert(args.end(), {"--pinentry-mode", "loopback", "--passphrase", ""});
  // A signing key alone: the repository is signed, nothing is encrypted to it.
  args.insert(args.end(), {"--quick-generate-key", userId, "ed25519", "sign", "never"});
  const ProgramResult made = RunGpg(args);
  for (const std::string& line : Lines(made.out)) {
    static const std::string kCreated = "[GNUPG:] KEY_CREATED ";
    if (made.ok && line.rfind(kCreated, 0) == 0) {
      const std::string rest = line.substr(kCreated.size());
      const std::size_t blank = rest.find(' ');
      if (blank != std::string::npos) return rest.substr(blank + 1);
    }
  }
  throw std::runtime_error("gpg could not make a key\n" + made.err);
}

std::string PublicKeyText(const std::string& fingerprint) {
  const ProgramResult exported = RunGpg({"--batch", "--armor", "--export", "--", fingerprint});
  if (!exported.ok || !DearmorPublicKey(exported.out))
    throw std::runtime_error("gpg could not export the public key\n" + exported.err);
  return exported.out;
}

std::string Signed(const std::string& fingerprint, const std::string& text, bool clear) {
  std::vector<std::string> args{"--batch", "--yes",        "--armor",        "--digest-algo",
                                "SHA512",  "--local-user", fingerprint + "!"};
  args.push_back(clear ? "--clearsign" : "--detach-sign");
  const ProgramResult signature = RunGpg(args, text);
  if (!signature.ok || signature.out.empty())
    throw std::runtime_error("gpg could not sign the repository's index\n" + signature.err);
  return signature.out;
}

// The maker's name and address as Debian's own tools find them when no option names them.
std::string DefaultUserId() {
  const char* name = std::getenv("DEBFULLNAME");
  const char* mail = std::getenv("DEBEMAIL");
  if (mail == nullptr) mail = std::getenv("EMAIL");
  if (name == nullptr || mail == nullptr || !*name || !*mail) return {};
  return std::string(name) + " <" + mail + ">";
}

std::int64_t Now() {
  return PackageTime(std::getenv("SOURCE_DATE_EPOCH"),
                     static_cast<std::int64_t>(std::time(nullptr)));
}

// A package of the repository, read and checked.
struct Package {
  std::string file;    // its path in the repository: "pool/acme_1.0_amd64.deb"
  std::string source;  // where it is read from
  ControlParagraph control;
  std::string name;
  std::string version;
  std::string architecture;
  std::uint64_t size = 0;
  Checksums sums;
  bool added = false;
};

bool IsArchitecture(const std::string& text) {
  return !text.empty() && text.size() <= 32 && std::all_of(text.begin(), text.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-';
  });
}

Package ReadPackage(const std::string& path) {
  const auto bytes = wb::ReadWholeFile(path, kMaxPackageBytes + 1);
  if (!bytes) throw std::runtime_error("\"" + path + "\": cannot be read");
  if (bytes->size() > kMaxPackageBytes) throw std::runtime_error("\"" + path + "\": too large");
  Package package;
  package.source = path;
  std::string controlText;
  try {
    controlText = DebControlText(*bytes);
  } catch (const std::runtime_error& e) {
    throw std::runtime_error("\"" + path + "\": " + e.what());
  }
  const auto control = ParseControlParagraph(controlText);
  if (!control) throw std::runtime_error("\"" + path + "\": its control file cannot be read");
  package.control = *control;
  package.name = FieldValue(*control, "Package");
  package.version = FieldValue(*control, "Version");
  package.architecture = FieldValue(*control, "Architecture");
  if (package.name.empty() || DebianPackageName(package.name) != package.name)
    throw std::runtime_error("\"" + path + "\": no valid package name in its control file");
  if (!IsDebianVersion(package.version))
    throw std::runtime_error("\"" + path + "\": no valid version in its control file");
  if (!IsArchitecture(package.architecture))
    throw std::runtime_error("\"" + path + "\": no valid architecture in its control file");
  package.size = bytes->size();
  package.sums = ChecksumsOf(*bytes);
  package.file = std::string(kPool) + "/" + package.name + "_" +
                 VersionInFileName(package.version) + "_" + package.architecture + ".deb";
  return package;
}

std::vector<Package> ReadPool(const std::string& dir) {
  std::vector<Package> packages;
  const fs::path pool = fs::path(dir) / kPool;
  std::error_code error;
  if (!fs::is_directory(pool, error)) return packages;
  for (const auto& entry : fs::directory_iterator(pool)) {
    const std::string name = entry.path().filename().string();
    if (name.empty() || name.front() == '.' || entry.path().extension() != ".deb") continue;
    if (!entry.is_regular_file()) continue;
    Package package = ReadPackage(entry.path().string());
    if (package.file != std::string(kPool) + "/" + name) {
      throw std::runtime_error("\"" + entry.path().string() + "\": its name does not match its " +
                               "package (" + package.file + "); the pool holds only what " +
                               "wbctl repo add put there");
    }
    packages.push_back(std::move(package));
  }
  return packages;
}

// Packages by name, architecture and version, so the index is the same for the same pool.
void SortPackages(std::vector<Package>& packages) {
  std::sort(packages.begin(), packages.end(), [](const Package& a, const Package& b) {
    if (a.name != b.name) return a.name < b.name;
    if (a.architecture != b.architecture) return a.architecture < b.architecture;
    return CompareDebianVersions(a.version, b.version) < 0;
  });
}

// The index files of `packages`, signed: written as temporary files in `dir` and only put in
// place by the caller.
using Replacements = std::vector<std::unique_ptr<wb::FileReplacement>>;
void StageIndexes(const std::string& dir, const std::string& fingerprint,
                  std::vector<Package> packages, Replacements& staged) {
  SortPackages(packages);
  std::string index;
  std::vector<std::string> architectures;
  for (const Package& package : packages) {
    index += PackagesEntry(package.control, package.file, package.size, package.sums);
    if (package.architecture != "all" && std::find(architectures.begin(), architectures.end(),
                                                   package.architecture) == architectures.end()) {
      architectures.push_back(package.architecture);
    }
  }
  std::sort(architectures.begin(), architectures.end());
  const std::vector<IndexFile> indexes{{"Packages", index}, {"Packages.gz", Gzip(index)}};
  const std::string release = ReleaseText(Now(), architectures, indexes);
  const std::string inRelease = Signed(fingerprint, release, true);
  const std::string detached = Signed(fingerprint, release, false);
  auto stage = [&](const std::string& name, const std::string& bytes) {
    staged.push_back(std::make_unique<wb::FileReplacement>(
        (fs::path(dir) / name).string(), wb::ReplacementOptions{.permissions = 0644}));
    staged.back()->Write(bytes);
  };
  // In the order they are put in place: the indexes before the files that vouch for them.
  stage("Packages.gz", indexes[1].bytes);
  stage("Packages", indexes[0].bytes);
  stage("Release", release);
  stage("Release.gpg", detached);
  stage("InRelease", inRelease);
}

// An exclusive lock on the repository's settings file, so that two runs never write the
// same repository at once.
class RepositoryLock {
 public:
  explicit RepositoryLock(const std::string& path)
      : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {
    if (fd_ < 0 || ::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
      if (fd_ >= 0) ::close(fd_);
      throw std::runtime_error("\"" + path + "\": another wbctl repo is writing this repository");
    }
  }
  ~RepositoryLock() { ::close(fd_); }
  RepositoryLock(const RepositoryLock&) = delete;
  RepositoryLock& operator=(const RepositoryLock&) = delete;

 private:
  int fd_;
};

std::string ConfigPath(const std::string& dir) {
  return (fs::path(dir) / kConfigName).string();
}

std::string ReadFingerprint(const std::string& dir) {
  const auto text = wb::ReadWholeFile(ConfigPath(dir), 4096);
  if (!text) {
    throw std::runtime_error("\"" + dir + "\": not a repository; make one with wbctl repo init " +
                             dir);
  }
  for (const std::string& line : Lines(*text)) {
    if (line.rfind("key=", 0) == 0) {
      const std::string fingerprint = line.substr(4);
      if (!fingerprint.empty() && fingerprint.size() <= 64 &&
          std::all_of(fingerprint.begin(), fingerprint.end(),
                      [](char c) { return g_ascii_isxdigit(c); })) {
        return fingerprint;
      }
    }
  }
  throw std::runtime_error("\"" + ConfigPath(dir) + "\": names no key (a line key=FINGERPRINT)");
}

int Init(const std::vector<std::string>& args) {
  std::string dir;
  std::string key;
  std::string userId;
  bool withoutPassphrase = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    auto value = [&](std::string& into) {
      if (i + 1 >= args.size()) Usage(args[i] + " needs a value");
      into = args[++i];
    };
    if (args[i] == "--key") {
      value(key);
    } else if (args[i] == "--name") {
      value(userId);
    } else if (args[i] == "--no-passphrase") {
      withoutPassphrase = true;
    } else if (dir.empty() && !args[i].empty() && args[i][0] != '-') {
      dir = args[i];
    } else {
      Usage("unexpected argument \"" + args[i] + "\"");
    }
  }
  if (dir.empty()) Usage("give the repository's folder");
  std::error_code error;
  if (fs::exists(ConfigPath(dir), error))
    throw std::runtime_error("\"" + dir + "\": is a repository already");
  if (fs::exists(dir, error) && !fs::is_directory(dir, error))
    throw std::runtime_error("\"" + dir + "\": not a folder");

  std::string fingerprint;
  if (!key.empty()) {
    fingerprint = fs::is_regular_file(key, error) ? ImportedKey(key) : SecretKey(key);
  } else {
    if (userId.empty()) userId = DefaultUserId();
    if (userId.empty())
      return Fail("give --name \"NAME <MAIL>\" for the new key (or set DEBFULLNAME and DEBEMAIL)",
                  kExitUsage);
    if (!IsMaintainer(userId)) return Fail("\"" + userId + "\": a key's name is \"NAME <MAIL>\"");
    fingerprint = GeneratedKey(userId, withoutPassphrase);
    std::cout << "made the signing key " << fingerprint << " (" << userId
              << ") in your GnuPG home; keep a copy of it safe\n";
  }
  const std::string publicKey = PublicKeyText(fingerprint);

  fs::create_directories(dir, error);
  if (error) throw std::runtime_error("\"" + dir + "\": " + error.message());
  Replacements staged;
  staged.push_back(std::make_unique<wb::FileReplacement>(
      (fs::path(dir) / kPublicKeyName).string(), wb::ReplacementOptions{.permissions = 0644}));
  staged.back()->Write(publicKey);
  StageIndexes(dir, fingerprint, {}, staged);
  staged.push_back(std::make_unique<wb::FileReplacement>(
      ConfigPath(dir), wb::ReplacementOptions{.permissions = 0644}));
  staged.back()->Write(
      "# wbctl repo: the key that signs this repository (its fingerprint; the "
      "secret key stays in the\n# maker's GnuPG home)\nkey=" +
      fingerprint + "\n");
  for (auto& file : staged) file->Commit();
  std::cout << "made the repository " << dir << ", signed by " << fingerprint
            << "; its public key is " << (fs::path(dir) / kPublicKeyName).string() << "\n";
  return 0;
}

int Add(const std::vector<std::string>& args) {
  std::string dir;
  std::vector<std::string> files;
  std::size_t keep = 0;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--keep") {
      if (i + 1 >= args.size()) Usage("--keep needs a value");
      const std::string& value = args[++i];
      if (value.empty() || value.size() > 6 ||
          !std::all_of(value.begin(), value.end(), [](char c) { return g_ascii_isdigit(c); }) ||
          std::stoul(value) == 0) {
        Usage("\"" + value + "\": --keep takes a number of versions from 1");
      }
      keep = std::stoul(value);
    } else if (!args[i].empty() && args[i][0] == '-') {
      Usage("unexpected argument \"" + args[i] + "\"");
    } else if (dir.empty()) {
      dir = args[i];
    } else {
      files.push_back(args[i]);
    }
  }
  if (dir.empty() || files.empty()) Usage("give the repository's folder and a package");
  const std::string fingerprint = ReadFingerprint(dir);
  const RepositoryLock lock(ConfigPath(dir));

  std::vector<Package> packages = ReadPool(dir);
  for (const std::string& path : files) {
    Package package = ReadPackage(path);
    for (const Package& held : packages) {
      if (held.name != package.name || held.architecture != package.architecture) continue;
      if (CompareDebianVersions(package.version, held.version) <= 0) {
        throw std::runtime_error("\"" + path + "\": " + package.name + " " + package.version +
                                 " is not newer than the " + held.version +
                                 " the repository holds; give the package a higher version "
                                 "(wbctl package --version)");
      }
      if (held.file == package.file) {
        throw std::runtime_error("\"" + path + "\": the repository holds a file " + held.file +
                                 " already (versions that differ only in their epoch)");
      }
    }
    package.added = true;
    packages.push_back(std::move(package));
  }

  // The last `keep` versions of each package stay.
  std::vector<Package> removed;
  if (keep > 0) {
    SortPackages(packages);
    std::vector<Package> kept;
    for (std::size_t i = 0; i < packages.size(); ++i) {
      std::size_t newer = 0;
      for (std::size_t j = i + 1; j < packages.size(); ++j) {
        if (packages[j].name == packages[i].name &&
            packages[j].architecture == packages[i].architecture) {
          ++newer;
        }
      }
      (newer < keep ? kept : removed).push_back(packages[i]);
    }
    packages = std::move(kept);
  }

  // Everything is written beside its place and put there only when all of it is ready, so a
  // failure before leaves the repository as it was.
  const fs::path pool = fs::path(dir) / kPool;
  std::error_code error;
  fs::create_directory(pool, error);
  if (error) throw std::runtime_error("\"" + pool.string() + "\": " + error.message());
  Replacements staged;
  for (const Package& package : packages) {
    if (!package.added) continue;
    const auto bytes = wb::ReadWholeFile(package.source, kMaxPackageBytes + 1);
    if (!bytes || ChecksumsOf(*bytes).sha256 != package.sums.sha256)
      throw std::runtime_error("\"" + package.source + "\": changed while it was read");
    staged.push_back(std::make_unique<wb::FileReplacement>(
        (fs::path(dir) / package.file).string(), wb::ReplacementOptions{.permissions = 0644}));
    staged.back()->Write(*bytes);
  }
  StageIndexes(dir, fingerprint, packages, staged);
  for (auto& file : staged) file->Commit();
  for (const Package& package : packages) {
    if (package.added) std::cout << "added " << package.name << " " << package.version << "\n";
  }
  for (const Package& package : removed) {
    if (!package.added) fs::remove(fs::path(dir) / package.file, error);
    std::cout << "removed " << package.name << " " << package.version << " (--keep " << keep
              << ")\n";
  }
  std::cout << "signed " << dir << " with " << fingerprint << "\n";
  return 0;
}

// The signed notice of the newest version of a portable copy (support/update_notice.h):
// "DIR/NAME.latest", which the copy's key "update" names. Like a package, a version that is not
// newer than the one announced is refused and the notice left as it was.
int Announce(const std::vector<std::string>& args) {
  std::vector<std::string> positional;
  std::string page;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--page") {
      if (i + 1 >= args.size()) Usage("--page needs a value");
      page = args[++i];
    } else if (!args[i].empty() && args[i][0] == '-') {
      Usage("unexpected argument \"" + args[i] + "\"");
    } else {
      positional.push_back(args[i]);
    }
  }
  if (positional.size() != 3 || page.empty())
    Usage("give the repository's folder, the copy's name, its version and --page");
  const std::string& dir = positional[0];
  const std::string name = DebianPackageName(positional[1]);
  const std::string& version = positional[2];
  if (name.empty()) throw std::runtime_error("\"" + positional[1] + "\": not a copy's name");
  if (!IsDebianVersion(version))
    throw std::runtime_error("\"" + version + "\": not a version Debian takes");
  const auto notice = wb::ParseUpdateNotice(wb::UpdateNoticeText({name, version, page}));
  if (!notice) throw std::runtime_error("\"" + page + "\": not an http or https address");
  const std::string fingerprint = ReadFingerprint(dir);
  const RepositoryLock lock(ConfigPath(dir));

  const std::string path = (fs::path(dir) / (name + ".latest")).string();
  if (const auto held = wb::ReadWholeFile(path, wb::kMaxUpdateNoticeBytes)) {
    // The version announced before, read from the signed text between its header and its
    // signature; the maker's own file, so its signature needs no check here.
    const std::size_t start = held->find("\n\n");
    const std::size_t end = held->find("-----BEGIN PGP SIGNATURE-----");
    const auto before = start != std::string::npos && end != std::string::npos && start < end
                            ? wb::ParseUpdateNotice(held->substr(start + 2, end - start - 2))
                            : std::nullopt;
    if (before && CompareDebianVersions(version, before->version) <= 0) {
      throw std::runtime_error(name + " " + version + " is not newer than the " + before->version +
                               " announced in " + path + "; announce a higher version");
    }
  }
  wb::FileReplacement file(path, wb::ReplacementOptions{.permissions = 0644});
  file.Write(Signed(fingerprint, wb::UpdateNoticeText(*notice), true));
  file.Commit();
  std::cout << "announced " << name << " " << version << " in " << path << ", signed with "
            << fingerprint << "\n";
  return 0;
}

int Run(const std::vector<std::string>& args) {
  if (args.empty()) Usage("give init, add or announce");
  const std::vector<std::string> rest(args.begin() + 1, args.end());
  if (args[0] == "init") return Init(rest);
  if (args[0] == "add") return Add(rest);
  if (args[0] == "announce") return Announce(rest);
  Usage("\"" + args[0] + "\": give init, add or announce");
}

// What "wbctl help repo" prints after the usage line.
constexpr const char* kHelp =
    "The package repository a maker publishes, so that customers get a copy's later\n"
    "versions with the system's updates. \"init\" makes the folder and its signing\n"
    "key, \"add\" puts packages into it and writes the signed indexes; copy the folder\n"
    "to any static web server. \"announce\" writes NAME.latest, the signed notice of\n"
    "the newest version that portable copies with the key update= look at.\n"
    "\n"
    "Options:\n"
    "  --key KEYID|FILE         sign with this existing key (init)\n"
    "  --name \"NAME <MAIL>\"     the new key's owner (init)\n"
    "  --no-passphrase          make the new key without a passphrase (init)\n"
    "  --keep N                 keep the N newest versions of each package (add)\n"
    "  --page URL               the download page the notice links to (announce)\n"
    "\n"
    "Example:\n"
    "  wbctl repo init ~/acme-repo --name \"Acme Ltd <pkg@acme.example>\"\n"
    "  wbctl repo add ~/acme-repo acme_2.2_amd64.deb --keep 3\n"
    "  wbctl repo announce ~/acme-repo acme 2.2 --page https://acme.example/download\n";

}  // namespace

const Command kRepoCommand{"repo", kUsage, &Run, kHelp};

}  // namespace wbctl
