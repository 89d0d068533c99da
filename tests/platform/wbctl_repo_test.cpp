// wbctl repo and the subscription in a copy's package: Debian's version order as a table (and
// against dpkg's own), the index files against what dpkg-scanpackages writes for the same
// packages, the Release file's checksums and sizes, the maker's key as apt's keyring, and the
// tool itself on a repository of its own with a GnuPG home of the test's.
#include <glib.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "support/update_notice.h"
#include "tests/common/run_tool.h"
#include "tests/common/test_env.h"
#include "tests/common/test_files.h"
#include "tools/apt_repository.h"
#include "tools/archive_writer.h"
#include "tools/debian_version.h"

namespace wbctl {
namespace {

namespace fs = std::filesystem;
using wbtest::ReadFile;
using wbtest::RunTool;
using wbtest::Wbctl;
using wbtest::WriteFile;

// The path of the program `name`, or empty.
std::string Program(const char* name) {
  gchar* path = g_find_program_in_path(name);
  std::string found = path ? path : "";
  g_free(path);
  return found;
}

int Sign(int value) {
  return (value > 0) - (value < 0);
}

TEST(DebianVersion, OrderIsDpkgs) {
  struct Case {
    const char* a;
    const char* b;
    int order;  // -1: a is older, 0: the same, 1: a is newer
  };
  const Case cases[] = {
      {"1.0", "1.0", 0},          {"1.0", "1.1", -1},
      {"1.10", "1.9", 1},         {"1.01", "1.1", 0},
      {"1.0", "1.0-0", 0},        {"1.0-1", "1.0-2", -1},
      {"1.0-10", "1.0-9", 1},     {"1.0~rc1", "1.0", -1},
      {"1.0~rc1", "1.0~rc2", -1}, {"1.0~~", "1.0~", -1},
      {"1.0", "1.0+b1", -1},      {"1.0a", "1.0", 1},
      {"1.0a", "1.0+", -1},       {"1.0a", "1.0b", -1},
      {"1.0.", "1.0a", 1},        {"1:0.1", "9.9", 1},
      {"0:1.0", "1.0", 0},        {"2:1.0", "10:1.0", -1},
      {"1.0-1", "1.0.1", -1},     {"1.2-3-4", "1.2-3-5", -1},
      {"2.1-1", "2.1-1.1", -1},   {"2.1-1~bpo1", "2.1-1", -1},
      {"00123", "123", 0},        {"99999999999999999999", "99999999999999999998", 1},
  };
  const std::string dpkg = Program("dpkg");
  for (const Case& c : cases) {
    EXPECT_EQ(Sign(CompareDebianVersions(c.a, c.b)), c.order) << c.a << " vs " << c.b;
    EXPECT_EQ(Sign(CompareDebianVersions(c.b, c.a)), -c.order) << c.b << " vs " << c.a;
    if (dpkg.empty()) continue;
    // dpkg itself agrees with the table.
    const char* relation = c.order < 0 ? "lt" : c.order == 0 ? "eq" : "gt";
    EXPECT_EQ(RunTool({dpkg, "--compare-versions", c.a, relation, c.b}).status, 0)
        << c.a << " " << relation << " " << c.b;
  }
}

TEST(AptRepository, ControlParagraphsAreReadOrRefused) {
  struct Case {
    const char* text;
    std::vector<std::pair<std::string, std::string>> fields;  // empty: refused
  };
  const Case cases[] = {
      {"Package: a\nVersion: 1\n", {{"Package", "a"}, {"Version", "1"}}},
      {"Package:a  \r\nDescription: x\n y\n .\n z\n\n",
       {{"Package", "a"}, {"Description", "x\n y\n .\n z"}}},
      {"# comment\nPackage: a\n", {{"Package", "a"}}},
      {"Package: a\npackage: b\n", {}},
      {"Package: a\n\nPackage: b\n", {}},
      {" continued\n", {}},
      {"no colon\n", {}},
      {"-Name: x\n", {}},
      {"", {}},
  };
  for (const Case& c : cases) {
    const auto paragraph = ParseControlParagraph(c.text);
    if (c.fields.empty()) {
      EXPECT_FALSE(paragraph) << c.text;
      continue;
    }
    ASSERT_TRUE(paragraph) << c.text;
    ASSERT_EQ(paragraph->size(), c.fields.size()) << c.text;
    for (std::size_t i = 0; i < c.fields.size(); ++i) {
      EXPECT_EQ((*paragraph)[i].name, c.fields[i].first);
      EXPECT_EQ((*paragraph)[i].value, c.fields[i].second);
    }
  }
  EXPECT_EQ(FieldValue(*ParseControlParagraph("Package: a\nVERSION: 2\n"), "version"), "2");
}

// A package of `control` with one file in it, written as wbctl package writes them.
std::string MakeDeb(const std::string& control, const std::string& compressed = "control.tar.gz") {
  const std::string tar = TarGz({{"./", {}, 0755}, {"./control", control, 0644}}, 1700000000);
  const std::string data = TarGz({{"./", {}, 0755}, {"./hello", "hello\n", 0644}}, 1700000000);
  std::string deb;
  WriteAr({{"debian-binary", "2.0\n"}, {compressed, tar}, {"data.tar.gz", data}}, 1700000000,
          [&deb](std::string_view bytes) { deb.append(bytes); });
  return deb;
}

TEST(AptRepository, PackagesIndexIsWhatDpkgScanpackagesWrites) {
  if (Program("dpkg-scanpackages").empty()) GTEST_SKIP() << "no dpkg-scanpackages";
  const std::string controls[] = {
      // As wbctl package writes it.
      "Package: acme\nVersion: 1:2.0-3\nArchitecture: amd64\nMaintainer: Acme <p@acme.example>\n"
      "Installed-Size: 12\nDepends: libc6 (>= 2.34), libgtk-3-0\nRecommends: librsvg2-common\n"
      "Section: web\nPriority: optional\nDescription: Acme\n It puts Acme on the desktop.\n .\n"
      " More.\n",
      // Fields in another order, some Debian knows and some it does not, and stale checksums.
      "Description: Portal\n Text\nX-Custom: yes\nHomepage: https://acme.example\n"
      "Multi-Arch: foreign\nPackage: portal\nPre-Depends: dpkg\nArchitecture: all\n"
      "Version: 0.1~rc1\nMaintainer: A <a@b.example>\nMD5sum: 0\nSize: 1\nBreaks: old\n"
      "Provides: web-portal\nXB-Other: 1\nsection: web\n",
  };
  const std::string dir = wbtest::TestRoot() + "/wbctl-repo/scan";
  fs::remove_all(dir);
  fs::create_directories(dir + "/pool");
  std::map<std::string, std::string> expected;  // by package, as dpkg-scanpackages sorts them
  for (const std::string& control : controls) {
    const std::string deb = MakeDeb(control);
    EXPECT_EQ(DebControlText(deb), control);
    const auto paragraph = ParseControlParagraph(control);
    ASSERT_TRUE(paragraph);
    const std::string file = "pool/" + FieldValue(*paragraph, "Package") + ".deb";
    WriteFile(dir + "/" + file, deb);
    expected[FieldValue(*paragraph, "Package")] =
        PackagesEntry(*paragraph, file, deb.size(), ChecksumsOf(deb));
  }
  std::string ours;
  for (const auto& [name, entry] : expected) ours += entry;
  const auto scanned = RunTool({Program("dpkg-scanpackages"), "-m", "pool"}, dir);
  ASSERT_EQ(scanned.status, 0) << scanned.err;
  EXPECT_EQ(ours, scanned.out);
}

TEST(AptRepository, ControlIsFoundInAnyCompressionAndBadPackagesAreRefused) {
  const std::string control = "Package: a\nVersion: 1\n";
  EXPECT_EQ(DebControlText(MakeDeb(control, "control.tar.gz")), control);
  const std::string bad[] = {
      "", "not a package", MakeDeb(control, "other.tar.gz"),
      MakeDeb(control).substr(0, 200),  // cut off inside the control part
  };
  for (const std::string& bytes : bad) EXPECT_THROW(DebControlText(bytes), std::runtime_error);
}

TEST(AptRepository, ReleaseCarriesSizesAndChecksumsOfEachIndex) {
  const std::string release =
      ReleaseText(1700000000, {"amd64", "arm64"}, {{"Packages", "abc"}, {"Packages.gz", ""}});
  EXPECT_EQ(
      release,
      "Date: Tue, 14 Nov 2023 22:13:20 UTC\n"
      "Architectures: amd64 arm64\n"
      "MD5Sum:\n"
      " 900150983cd24fb0d6963f7d28e17f72                3 Packages\n"
      " d41d8cd98f00b204e9800998ecf8427e                0 Packages.gz\n"
      "SHA1:\n"
      " a9993e364706816aba3e25717850c26c9cd0d89d                3 Packages\n"
      " da39a3ee5e6b4b0d3255bfef95601890afd80709                0 Packages.gz\n"
      "SHA256:\n"
      " ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad                3 "
      "Packages\n"
      " e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855                0 "
      "Packages.gz\n"
      "SHA512:\n"
      " ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a2192992a274fc1a836ba3c2"
      "3a3feebbd454d4423643ce80e2a9ac94fa54ca49f                3 Packages\n"
      " cf83e1357eefb8bdf1542850d66d8007d620e4050b5715dc83f4a921d36ce9ce47d0d13c5d85f2b0ff8318d"
      "2877eec2f63b931bd47417a81a538327af927da3e                0 Packages.gz\n");
  struct Case {
    std::int64_t time;
    const char* date;
  };
  const Case dates[] = {{0, "Thu, 01 Jan 1970 00:00:00 UTC"},
                        {951782400, "Tue, 29 Feb 2000 00:00:00 UTC"},
                        {253402300799, "Fri, 31 Dec 9999 23:59:59 UTC"}};
  for (const Case& c : dates) EXPECT_EQ(ReleaseDate(c.time), c.date);
  EXPECT_THROW(ReleaseDate(-1), std::invalid_argument);
  EXPECT_THROW(ReleaseDate(253402300800), std::invalid_argument);
}

TEST(AptRepository, RepositoryUrlsAreChecked) {
  struct Case {
    const char* url;
    bool valid;
  };
  const Case cases[] = {
      {"https://apt.acme.example/portal", true},
      {"http://127.0.0.1:8080/", true},
      {"http://[::1]:8080/repo", true},
      {"ftp://acme.example/", false},
      {"https://", false},
      {"https:///path", false},
      {"https://acme.example/a b", false},
      {"https://acme.example/\nSigned-By: /x", false},
      {"https://acme.example/\"", false},
      {"https://acme.ex\xC3\xA4mple/", false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsRepositoryUrl(c.url), c.valid) << c.url;
  EXPECT_FALSE(IsRepositoryUrl("https://acme.example/" + std::string(1100, 'a')));
  EXPECT_EQ(SourcesText("https://apt.acme.example", "/usr/share/keyrings/acme.gpg"),
            "Types: deb\nURIs: https://apt.acme.example\nSuites: ./\n"
            "Signed-By: /usr/share/keyrings/acme.gpg\n");
}

// A public key as gpg --armor --export writes it, and the SHA-256 of what gpg --dearmor makes
// of it.
constexpr const char kArmouredKey[] =
    "-----BEGIN PGP PUBLIC KEY BLOCK-----\n"
    "\n"
    "mDMEaxrKcxYJKwYBBAHaRw8BAQdAeWSU0mKlJLaiQoZAxDN1lywrrWRmIs7kNFdO\n"
    "wwNxkpe0GUFjbWUgTHRkIDxwQGFjbWUuZXhhbXBsZT6IkAQTFggAOBYhBNURl8/3\n"
    "lHeksoPfzFUoNqxvWEXmBQJrGspzAhsDBQsJCAcCBhUKCQgLAgQWAgMBAh4BAheA\n"
    "AAoJEFUoNqxvWEXmPAwBAIOhJi3VkR9EBi8y7LvZ6LXw+5ovmQdAcO/4H0heaDDg\n"
    "AQCGco90PKdvbQhn575yLxIidamGihSwmRFFY/YQ67jtCw==\n"
    "=B6q+\n"
    "-----END PGP PUBLIC KEY BLOCK-----\n";
constexpr const char kDearmouredSha256[] =
    "060d555c9ce84e3eb91d011428705b92fd8371ea078001c31079d1ae31e53360";

TEST(AptRepository, PublicKeyIsDearmouredAsGpgDoes) {
  const std::string key = kArmouredKey;
  const auto binary = DearmorPublicKey(key);
  ASSERT_TRUE(binary);
  EXPECT_EQ(ChecksumsOf(*binary).sha256, kDearmouredSha256);
  auto replaced = [&key](const std::string& from, const std::string& to) {
    std::string text = key;
    text.replace(text.find(from), from.size(), to);
    return text;
  };
  struct Case {
    std::string text;
    bool valid;
  };
  const Case cases[] = {
      {"Comment: made by gpg\n" + key, true},
      {replaced("\n\nmDM", "\nVersion: GnuPG\n\nmDM"), true},
      {replaced("=B6q+\n", ""), true},  // the checksum line is optional
      {replaced("=B6q+", "=B6q-"), false},
      {replaced("=B6q+", "=AAAA"), false},
      {replaced("mDMEaxrK", "mDMEaxrL"), false},  // a changed key fails the checksum
      {replaced("PUBLIC KEY BLOCK-----\n\n", "PUBLIC KEY BLOCK-----\n"), false},
      {replaced("PUBLIC", "PRIVATE"), false},
      {key + "trailing text\n", false},
      {key.substr(0, key.find("-----END")), false},
      {"", false},
  };
  for (const Case& c : cases) EXPECT_EQ(DearmorPublicKey(c.text).has_value(), c.valid) << c.text;
  // A secret key's packet (tag 5) under a public block's armour is refused.
  const std::string secret = std::string("\x94\x33", 2) + binary->substr(2);
  gchar* body = g_base64_encode(reinterpret_cast<const guchar*>(secret.data()), secret.size());
  EXPECT_FALSE(DearmorPublicKey(std::string("-----BEGIN PGP PUBLIC KEY BLOCK-----\n\n") + body +
                                "\n-----END PGP PUBLIC KEY BLOCK-----\n"));
  g_free(body);
}

// --- The tool, with gpg, in a GnuPG home of the test's. ----------------------------------

class WbctlRepo : public ::testing::Test {
 protected:
  void SetUp() override {
    if (Program("gpg").empty() || Program("gpgv").empty()) GTEST_SKIP() << "no gpg";
    dir_ = wbtest::TestRoot() + "/wbctl-repo/tool";
    fs::remove_all(dir_);
    fs::create_directories(dir_ + "/gnupg");
    fs::permissions(dir_ + "/gnupg", fs::perms::owner_all, fs::perm_options::replace);
    g_setenv("GNUPGHOME", (dir_ + "/gnupg").c_str(), TRUE);
    g_setenv("SOURCE_DATE_EPOCH", "1700000000", TRUE);
  }
  void TearDown() override {
    if (dir_.empty()) return;
    // The agent gpg started for the test's home ends with it.
    RunTool({Program("gpgconf"), "--kill", "gpg-agent"});
    g_unsetenv("GNUPGHOME");
    g_unsetenv("SOURCE_DATE_EPOCH");
  }
  // The repository's files and their bytes.
  std::map<std::string, std::string> Files(const std::string& repo) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(repo)) {
      if (entry.is_regular_file())
        files[fs::relative(entry.path(), repo).string()] = ReadFile(entry.path());
    }
    return files;
  }
  std::string dir_;
};

TEST_F(WbctlRepo, AddsNewerVersionsSignedRefusesOlderOnesAndKeepsTheLastN) {
  const std::string repo = dir_ + "/repo";
  const auto init =
      Wbctl({"repo", "init", repo, "--name", "Acme Ltd <apt@acme.example>", "--no-passphrase"});
  ASSERT_EQ(init.status, 0) << init.err;
  auto files = Files(repo);
  const std::string key = files["key.asc"];
  ASSERT_TRUE(DearmorPublicKey(key)) << key;
  EXPECT_EQ(files.count("Packages"), 1u);
  EXPECT_EQ(files.count("InRelease"), 1u);
  for (const auto& [name, bytes] : files)
    EXPECT_EQ(bytes.find("PRIVATE KEY"), std::string::npos) << name;
  // A second init of the same folder is refused.
  EXPECT_EQ(Wbctl({"repo", "init", repo, "--no-passphrase"}).status, 1);

  auto deb = [this](const std::string& version) {
    const std::string path = dir_ + "/acme_" + version + ".deb";
    WriteFile(path, MakeDeb("Package: acme\nVersion: " + version +
                            "\nArchitecture: amd64\nMaintainer: A <a@acme.example>\n"
                            "Description: Acme\n"));
    return path;
  };
  ASSERT_EQ(Wbctl({"repo", "add", repo, deb("1.0-1")}).status, 0);
  const auto v1 = Files(repo);
  EXPECT_EQ(v1.count("pool/acme_1.0-1_amd64.deb"), 1u);

  // Not newer: refused with the versions named, and the repository byte for byte as it was.
  for (const std::string version : {"1.0-1", "1.0", "1.0~rc1", "0.9-9"}) {
    const auto refused = Wbctl({"repo", "add", repo, deb(version)});
    EXPECT_EQ(refused.status, 1) << version;
    EXPECT_NE(refused.err.find("acme " + version + " is not newer than the 1.0-1"),
              std::string::npos)
        << refused.err;
    EXPECT_EQ(Files(repo), v1) << version;
  }
  // Two at once, in the wrong order, are refused as well.
  EXPECT_EQ(Wbctl({"repo", "add", repo, deb("3.0"), deb("2.0")}).status, 1);
  EXPECT_EQ(Files(repo), v1);

  const auto added = Wbctl({"repo", "add", repo, deb("1.0-2"), deb("2.0"), "--keep", "2"});
  ASSERT_EQ(added.status, 0) << added.err;
  EXPECT_NE(added.out.find("removed acme 1.0-1 (--keep 2)"), std::string::npos) << added.out;
  files = Files(repo);
  EXPECT_EQ(files.count("pool/acme_1.0-1_amd64.deb"), 0u);
  EXPECT_EQ(files.count("pool/acme_1.0-2_amd64.deb"), 1u);
  EXPECT_EQ(files.count("pool/acme_2.0_amd64.deb"), 1u);
  EXPECT_EQ(files["key.asc"], key);
  const std::string packages = files["Packages"];
  EXPECT_LT(packages.find("Version: 1.0-2\n"), packages.find("Version: 2.0\n")) << packages;
  EXPECT_EQ(packages.find("Version: 1.0-1\n"), std::string::npos) << packages;
  // Release vouches for this Packages file, and both signatures verify with the public key.
  const std::string release = files["Release"];
  EXPECT_NE(release.find(" " + ChecksumsOf(packages).sha256 + " "), std::string::npos);
  EXPECT_NE(files["InRelease"].find(release), std::string::npos);
  WriteFile(dir_ + "/keyring.gpg", *DearmorPublicKey(key));
  const std::string keyring = dir_ + "/keyring.gpg";
  EXPECT_EQ(RunTool({Program("gpgv"), "--keyring", keyring, repo + "/InRelease"}).status, 0);
  EXPECT_EQ(
      RunTool({Program("gpgv"), "--keyring", keyring, repo + "/Release.gpg", repo + "/Release"})
          .status,
      0);
  // No temporary file is left.
  for (const auto& [name, bytes] : files) EXPECT_NE(fs::path(name).filename().string()[0], '.');

  // An existing key, named by the file the maker keeps it in, signs a new repository.
  const auto exported = RunTool({Program("gpg"), "--batch", "--pinentry-mode", "loopback",
                                 "--passphrase", "", "--armor", "--export-secret-keys"});
  ASSERT_EQ(exported.status, 0) << exported.err;
  WriteFile(dir_ + "/secret.asc", exported.out);
  const auto again = Wbctl({"repo", "init", dir_ + "/repo2", "--key", dir_ + "/secret.asc"});
  ASSERT_EQ(again.status, 0) << again.err;
  EXPECT_EQ(ReadFile(dir_ + "/repo2/key.asc"), key);
  EXPECT_EQ(Wbctl({"repo", "init", dir_ + "/repo3", "--key", "nobody@nowhere.example"}).status, 1);
  EXPECT_FALSE(fs::exists(dir_ + "/repo3"));
}

// The notice of a portable copy's newest version: signed so that gpgv takes it with the
// repository's key, its text what the copy reads, and a version not newer refused with the
// notice left as it was.
TEST_F(WbctlRepo, AnnouncesNewerVersionsSigned) {
  const std::string repo = dir_ + "/repo";
  ASSERT_EQ(
      Wbctl({"repo", "init", repo, "--name", "Acme <a@acme.example>", "--no-passphrase"}).status,
      0);
  const std::string page = "https://acme.example/download";
  const auto first = Wbctl({"repo", "announce", repo, "Acme_Shop", "2.0", "--page", page});
  ASSERT_EQ(first.status, 0) << first.err;
  const std::string notice = repo + "/acme-shop.latest";
  const std::string signedText = ReadFile(notice);
  ASSERT_EQ(RunTool({Program("gpg"), "--batch", "--yes", "--dearmor", "-o", dir_ + "/key.gpg",
                     repo + "/key.asc"})
                .status,
            0);
  const auto verified = RunTool({Program("gpgv"), "--homedir", dir_ + "/gnupg", "--keyring",
                                 dir_ + "/key.gpg", "--output", "-", notice});
  ASSERT_EQ(verified.status, 0) << verified.err;
  const auto read = wb::ParseUpdateNotice(verified.out);
  ASSERT_TRUE(read);
  EXPECT_EQ(read->package, "acme-shop");
  EXPECT_EQ(read->version, "2.0");
  EXPECT_EQ(read->page, page);

  const struct {
    std::vector<std::string> args;
    const char* error;
  } refused[] = {
      {{"acme-shop", "2.0", "--page", page}, "is not newer than the 2.0"},
      {{"acme-shop", "2.0~rc1", "--page", page}, "is not newer than the 2.0"},
      {{"acme-shop", "3.0", "--page", "file:///etc/passwd"}, "not an http or https address"},
      {{"acme-shop", "three", "--page", page}, "not a version"},
      {{"acme-shop", "3.0"}, "--page"},
  };
  for (const auto& c : refused) {
    std::vector<std::string> args{"repo", "announce", repo};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const auto run = Wbctl(args);
    EXPECT_NE(run.status, 0) << c.error;
    EXPECT_NE(run.err.find(c.error), std::string::npos) << run.err;
    EXPECT_EQ(ReadFile(notice), signedText) << c.error;
  }
  EXPECT_EQ(Wbctl({"repo", "announce", repo, "acme-shop", "2.0.1", "--page", page}).status, 0);
  EXPECT_NE(ReadFile(notice).find("Version: 2.0.1"), std::string::npos);
}

}  // namespace
}  // namespace wbctl
