// What the window decides about certificates, permissions and floods without asking the
// engine: fingerprints and the trust list, origins, the permission bar's questions and
// answers, and the rate limit on new windows.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>

#include "model/permission_prompts.h"
#include "storage/atomic_file.h"
#include "storage/unique_fd.h"
#include "support/certificate.h"
#include "support/file_name.h"
#include "support/permissions.h"
#include "support/rate_limit.h"
#include "tests/common/test_env.h"

namespace wb {
namespace {

const std::string kHex64 = "0123456789ABCDEF0123456789ABCDEF0123456789ABCDEF0123456789ABCDEF";

TEST(Certificate, FingerprintsInThePeoplesForms) {
  const std::string colons =
      "01:23:45:67:89:AB:CD:EF:01:23:45:67:89:AB:CD:EF:01:23:45:67:89:AB:CD:EF:01:23:45:67:89:AB:"
      "CD:EF";
  const struct {
    std::string text;
    std::string normal;
  } cases[] = {
      {kHex64, kHex64},
      {colons, kHex64},  // as openssl prints it
      {"0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef", kHex64},
      {" 01 23 45 67 89ab cdef 0123456789ABCDEF0123456789ABCDEF0123456789ABCDEF", kHex64},
      {kHex64.substr(0, 63), ""},        // one digit short
      {kHex64 + "0", ""},                // one too many
      {kHex64.substr(0, 63) + "G", ""},  // not hexadecimal
      {"sha256:" + kHex64, ""},          // a prefix is no digit
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(NormalFingerprint(c.text), c.normal) << c.text;
  EXPECT_EQ(FingerprintText({0x01, 0xAB, 0xFF}), "01:AB:FF");
}

TEST(Certificate, TrustListKeepsFingerprintsAndNamesTheRest) {
  const TrustList list =
      ParseTrustList(" " + kHex64 + " ,, nonsense ,AB:CD, Box.Example = " + kHex64 +
                     ", *.example=" + kHex64 + ", =" + kHex64 + ", a b=" + kHex64);
  EXPECT_EQ(list.Texts(), (std::vector<std::string>{kHex64, "box.example=" + kHex64}));
  EXPECT_EQ(list.invalid, (std::vector<std::string>{"nonsense", "AB:CD", "*.example=" + kHex64,
                                                    "=" + kHex64, "a b=" + kHex64}));
}

// A fingerprint alone is trusted for the copy's own hosts only; one for a host, for that host;
// none for a revoked certificate.
TEST(Certificate, TrustedOnlyForTheHostsItIsFor) {
  const std::string other(64, 'B');
  const TrustList list = ParseTrustList(kHex64 + ",appliance.example=" + other);
  const std::string colons =
      "01:23:45:67:89:ab:cd:ef:0123456789ABCDEF0123456789ABCDEF0123456789ABCDEF";
  const struct {
    std::string fingerprint, host;
    bool ownHost;
    unsigned problems;
    bool trusted;
  } cases[] = {
      {kHex64, "127.0.0.1", true, kCertUnknownIssuer, true},
      {colons, "127.0.0.1", true, kCertUnknownIssuer, true},                     // any written form
      {kHex64, "localhost", false, kCertUnknownIssuer | kCertWrongHost, false},  // not own
      {kHex64, "127.0.0.1", true, kCertRevoked, false},
      {kHex64, "127.0.0.1", true, kCertUnknownIssuer | kCertRevoked, false},
      {other, "appliance.example", false, kCertUnknownIssuer, true},
      {other, "Appliance.Example", false, kCertExpired, true},
      {other, "appliance.example", true, kCertRevoked, false},
      {other, "127.0.0.1", true, kCertUnknownIssuer, false},  // its host only
      {other, "sub.appliance.example", false, 0, false},
      {std::string(64, 'C'), "127.0.0.1", true, 0, false},
      {"", "127.0.0.1", true, 0, false},
      {kHex64, "", true, 0, false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(list.Trusts(c.fingerprint, c.host, c.ownHost, c.problems), c.trusted)
        << c.fingerprint << " " << c.host << " " << c.problems;
}

TEST(Certificate, EveryProblemHasWords) {
  EXPECT_EQ(CertificateProblemWords(0).size(), 1u);  // refused without a known reason
  EXPECT_EQ(CertificateProblemWords(kCertExpired | kCertWrongHost),
            (std::vector<std::string>{"The certificate was issued for another host.",
                                      "The certificate has expired."}));
}

// The ports the engine refuses before any request, read from an address as the origin names
// them.
TEST(Permissions, RestrictedPortsOfAddresses) {
  const std::pair<const char*, int> cases[] = {
      {"http://127.0.0.1:9/", 9}, {"HTTPS://host.example:6000/x?y#z", 6000},
      {"http://[::1]:25/", 25},   {"http://user:pw@host:110/", 110},
      {"http://host:8080/", 0},   {"http://host/", 0},   // the scheme's own port
      {"http://host:80/", 0},     {"http://[::1]/", 0},  // an IPv6 host's colons are no port
      {"ftp://host:21/", 0},                             // not the web's own scheme
      {"wbtest://host:9/", 0},    {"http://host:99999/", 0},
      {"about:blank", 0},         {"", 0},
  };
  for (const auto& [address, port] : cases) EXPECT_EQ(RestrictedPortOf(address), port) << address;
}

TEST(Permissions, KindsAndQuestions) {
  using K = PermissionKind;
  EXPECT_EQ(PermissionKindNamed("Notifications"), K::kNotifications);
  EXPECT_EQ(PermissionKindNamed("camera "), std::nullopt);
  for (K k : {K::kNotifications, K::kGeolocation, K::kCamera, K::kMicrophone, K::kScreen,
              K::kDeviceInfo, K::kMediaKeys, K::kPointerLock, K::kClipboard})
    EXPECT_EQ(PermissionKindNamed(PermissionKindName(k)), k);

  const struct {
    std::vector<K> kinds;
    const char* question;
  } cases[] = {
      {{K::kNotifications}, "shop.acme.example wants to show notifications"},
      {{K::kCamera, K::kMicrophone}, "shop.acme.example wants to use your camera and microphone"},
      {{K::kMicrophone, K::kScreen, K::kCamera},
       "shop.acme.example wants to use your camera and microphone and share your screen"},
      {{K::kGeolocation, K::kClipboard, K::kPointerLock},
       "shop.acme.example wants to know your location, read your clipboard and hide and take "
       "over your mouse pointer"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(PermissionQuestion("shop.acme.example", c.kinds), c.question);
  EXPECT_EQ(PermissionKindsText({K::kCamera, K::kMicrophone}), "camera microphone");

  const AllowList allow = ParseAllowList("notifications, Geolocation,,telepathy");
  EXPECT_EQ(allow.kinds, (std::vector<K>{K::kNotifications, K::kGeolocation}));
  EXPECT_EQ(allow.invalid, std::vector<std::string>{"telepathy"});
}

TEST(Permissions, AddressesForOtherPrograms) {
  const struct {
    const char* address;
    const char* scheme;
    bool withoutAsking;  // the default browser's, given at once
  } cases[] = {
      {"https://shop.acme.example/", "https", true},
      {" HTTP://shop.acme.example", "http", true},
      {"mailto:sales@acme.example?body=anything", "mailto", false},
      {"MailTo:sales@acme.example", "mailto", false},
      {"wbtestscheme://x", "wbtestscheme", false},
      {"ssh://host", "ssh", false},
      {"smb://server/share", "smb", false},
      {"httpx://host", "httpx", false},
      {"file:///etc/passwd", "file", false},
      {"localhost:8080", "", false},
      {"", "", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SchemeOf(c.address), c.scheme) << c.address;
    EXPECT_EQ(OpensWithoutAsking(c.address), c.withoutAsking) << c.address;
  }
}

TEST(Permissions, QuestionsAndValueNamesOfEachRequest) {
  using K = PermissionKind;
  const struct {
    PermissionRequest request;
    const char* question;
    const char* text;       // the window's state shows it as the prompt's kind
    const char* valueName;  // the first the answer is kept under
  } cases[] = {
      {{"http://127.0.0.1:8080", "127.0.0.1", {}, "wbtestscheme"},
       "127.0.0.1 wants to open a wbtestscheme: link with another program",
       "external:wbtestscheme",
       "http://127.0.0.1:8080 external:wbtestscheme"},
      {{"https://shop.acme.example", "shop.acme.example", {}, "mailto"},
       "shop.acme.example wants to open a mailto: link with another program",
       "external:mailto",
       "https://shop.acme.example external:mailto"},
      {{"", "", {}, "ssh"},
       "This page wants to open a ssh: link with another program",
       "external:ssh",
       " external:ssh"},
      // The kinds' questions and names stay as they were.
      {{"https://shop.acme.example", "shop.acme.example", {K::kCamera, K::kMicrophone}},
       "shop.acme.example wants to use your camera and microphone",
       "camera microphone",
       "https://shop.acme.example camera"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.question);
    EXPECT_EQ(PermissionRequestQuestion(c.request), c.question);
    EXPECT_EQ(PermissionRequestText(c.request), c.text);
    EXPECT_EQ(PermissionValueName(c.request.origin, PermissionGrantNames(c.request).front()),
              c.valueName);
  }
  EXPECT_EQ(PermissionValueName("https://a", K::kDeviceInfo), "https://a device-info");
}

class PermissionPromptsTest : public ::testing::Test {
 protected:
  MemoryCopyStore store;
  PermissionPrompts prompts{store};
  std::map<Text, Text>& stored = store.Values(CopyKey::kPermissions);
  std::vector<std::string> answers;  // "origin kinds=allow|block" in the order given

  void Ask(const std::string& origin, std::vector<PermissionKind> kinds,
           const std::string& scheme = "") {
    const PermissionRequest request{origin, origin.substr(origin.find("//") + 2), kinds, scheme};
    const std::string what = origin + " " + PermissionRequestText(request);
    prompts.Ask(request, [this, what](bool allow) {
      answers.push_back(what + (allow ? "=allow" : "=block"));
    });
  }
  void AskToOpen(const std::string& origin, const std::string& scheme) { Ask(origin, {}, scheme); }
};

TEST_F(PermissionPromptsTest, KnownAnswersComeWithoutAQuestion) {
  using K = PermissionKind;
  stored[u"https://a notifications"] = u"allow";
  stored[u"https://a camera"] = u"block";
  stored[u"https://a microphone"] = u"allow";
  stored[u"file:// notifications"] = u"allow";  // written by hand: never read
  prompts.Configure("https://start", ParseAllowList("geolocation"));

  const struct {
    const char* origin;
    std::vector<K> kinds;
    std::optional<bool> known;
  } cases[] = {
      {"https://a", {K::kNotifications}, true},
      {"https://a", {K::kCamera}, false},
      {"https://a", {K::kCamera, K::kMicrophone}, false},  // one blocked kind blocks it
      {"https://a", {K::kMicrophone, K::kGeolocation}, std::nullopt},
      {"https://start", {K::kGeolocation}, true},  // the allow key, for the start origin only
      {"https://a", {K::kGeolocation}, std::nullopt},
      {"https://b", {K::kNotifications}, std::nullopt},  // another origin's answer is its own
      {"", {K::kNotifications}, false},                  // no origin to remember it for
      {"file://", {K::kNotifications}, false},           // one answer would hold for every file
  };
  for (const auto& c : cases)
    EXPECT_EQ(prompts.Known(c.origin, c.kinds), c.known)
        << c.origin << " " << PermissionKindsText(c.kinds);
  stored[u"https://start geolocation"] = u"block";  // the person's answer beats the key
  EXPECT_EQ(prompts.Known("https://start", {K::kGeolocation}), false);
  // A start page that is a file gets nothing from the key either, and is never asked.
  prompts.Configure("file://", ParseAllowList("geolocation"));
  EXPECT_EQ(prompts.Known("file://", {K::kGeolocation}), false);
  Ask("file://", {K::kGeolocation});
  EXPECT_EQ(prompts.Current(), nullptr);
  EXPECT_EQ(answers, std::vector<std::string>{"file:// geolocation=block"});
}

TEST_F(PermissionPromptsTest, OneQuestionAtATimeAndTheAnswerIsRemembered) {
  using K = PermissionKind;
  int changes = 0;
  prompts.onChanged = [&] { ++changes; };
  Ask("https://a", {K::kCamera, K::kMicrophone});
  Ask("https://a", {K::kNotifications});
  Ask("https://a", {K::kCamera, K::kMicrophone});  // the same question again waits with the first
  ASSERT_NE(prompts.Current(), nullptr);
  EXPECT_EQ(prompts.Current()->kinds, (std::vector<K>{K::kCamera, K::kMicrophone}));
  EXPECT_EQ(changes, 1);
  EXPECT_TRUE(answers.empty());

  prompts.Answer(true);
  EXPECT_EQ(answers, (std::vector<std::string>{"https://a camera microphone=allow",
                                               "https://a camera microphone=allow"}));
  EXPECT_EQ(stored[u"https://a camera"], u"allow");
  EXPECT_EQ(stored[u"https://a microphone"], u"allow");
  ASSERT_NE(prompts.Current(), nullptr);
  EXPECT_EQ(prompts.Current()->kinds, std::vector<K>{K::kNotifications});

  prompts.Answer(false);
  EXPECT_EQ(answers.back(), "https://a notifications=block");
  EXPECT_EQ(stored[u"https://a notifications"], u"block");
  EXPECT_EQ(prompts.Current(), nullptr);
  EXPECT_EQ(changes, 3);

  Ask("https://a", {K::kNotifications});  // answered from the store now
  EXPECT_EQ(answers.back(), "https://a notifications=block");
  EXPECT_EQ(prompts.Current(), nullptr);
}

TEST_F(PermissionPromptsTest, LeavingThePageRefusesWithoutRemembering) {
  using K = PermissionKind;
  Ask("https://a", {K::kGeolocation});
  Ask("https://b", {K::kNotifications});
  prompts.PageLeft();
  EXPECT_EQ(answers, (std::vector<std::string>{"https://a geolocation=block",
                                               "https://b notifications=block"}));
  EXPECT_TRUE(stored.empty());
  EXPECT_EQ(prompts.Current(), nullptr);
}

TEST_F(PermissionPromptsTest, APageAskingInALoopGetsNoEndlessQueue) {
  for (std::size_t i = 0; i < PermissionPrompts::kMaxWaiting + 3; ++i)
    Ask("https://o" + std::to_string(i), {PermissionKind::kGeolocation});
  ASSERT_EQ(answers.size(), 3u);  // the ones beyond the limit, refused at once
  EXPECT_EQ(answers.front(), "https://o8 geolocation=block");
  EXPECT_TRUE(stored.empty());
}

TEST_F(PermissionPromptsTest, OnlyThePersonLetsASiteOpenAnotherProgram) {
  stored[u"https://a external:mailto"] = u"allow";
  stored[u"https://a external:ssh"] = u"block";
  // A key that names a scheme names no kind: the start origin gets nothing from it.
  prompts.Configure("https://start", ParseAllowList("notifications, external:mailto, mailto"));

  const struct {
    const char* origin;
    const char* scheme;
    std::optional<bool> known;
  } cases[] = {
      {"https://a", "mailto", true},
      {"https://a", "ssh", false},
      {"https://a", "smb", std::nullopt},  // each scheme is asked for by itself
      {"https://b", "mailto", std::nullopt},
      {"https://start", "mailto", std::nullopt},
      {"", "mailto", false},  // no origin to remember it for
  };
  for (const auto& c : cases)
    EXPECT_EQ(prompts.Known({c.origin, "", {}, c.scheme}), c.known) << c.origin << " " << c.scheme;
  // An answer about a scheme is no answer about a permission of the same origin.
  EXPECT_EQ(prompts.Known("https://a", {PermissionKind::kNotifications}), std::nullopt);
  EXPECT_EQ(prompts.Known("https://start", {PermissionKind::kNotifications}), true);
}

TEST_F(PermissionPromptsTest, TheAnswerToOpenAnotherProgramIsKeptForItsSchemeOnly) {
  AskToOpen("https://a", "wbtestscheme");
  Ask("https://a", {PermissionKind::kGeolocation});
  AskToOpen("https://a", "wbtestscheme");  // waits with the first
  AskToOpen("https://a", "mailto");
  ASSERT_NE(prompts.Current(), nullptr);
  EXPECT_EQ(prompts.Current()->scheme, "wbtestscheme");
  EXPECT_TRUE(prompts.Current()->kinds.empty());

  prompts.Answer(true);
  EXPECT_EQ(answers, (std::vector<std::string>{"https://a external:wbtestscheme=allow",
                                               "https://a external:wbtestscheme=allow"}));
  EXPECT_EQ(stored, (std::map<Text, Text>{{u"https://a external:wbtestscheme", u"allow"}}));
  prompts.Answer(false);  // geolocation
  ASSERT_NE(prompts.Current(), nullptr);
  EXPECT_EQ(prompts.Current()->scheme, "mailto");
  prompts.Answer(false);
  EXPECT_EQ(stored[u"https://a external:mailto"], u"block");
  EXPECT_EQ(prompts.Current(), nullptr);

  AskToOpen("https://a", "wbtestscheme");  // answered from the store now
  AskToOpen("https://a", "mailto");
  EXPECT_EQ(prompts.Current(), nullptr);
  EXPECT_EQ(answers.back(), "https://a external:mailto=block");
  EXPECT_EQ(answers[answers.size() - 2], "https://a external:wbtestscheme=allow");

  // Left unanswered with the page: refused, and asked again next time.
  AskToOpen("https://b", "mailto");
  prompts.PageLeft();
  EXPECT_EQ(answers.back(), "https://b external:mailto=block");
  EXPECT_EQ(stored.count(u"https://b external:mailto"), 0u);
}

TEST(RateLimit, AtMostCountWithinTheWindow) {
  using namespace std::chrono_literals;
  RateLimit limit(5, 1s);
  const auto t0 = RateLimit::Clock::time_point{} + 100s;
  int passed = 0;
  for (int i = 0; i < 20; ++i) passed += limit.Take(t0 + i * 10ms);
  EXPECT_EQ(passed, 5);
  EXPECT_FALSE(limit.Take(t0 + 999ms));
  EXPECT_TRUE(limit.Take(t0 + 1s));  // the first has left the window
  EXPECT_FALSE(limit.Take(t0 + 1s + 5ms));
}

}  // namespace
}  // namespace wb

namespace wb {
namespace {

TEST(SafeFileName, AServersSuggestionStaysInsideTheChosenFolder) {
  const struct {
    std::string suggested;
    std::string name;
  } cases[] = {
      {"report.pdf", "report.pdf"},
      {"../../.bashrc", "bashrc"},
      {"/etc/passwd", "passwd"},
      {"..\\..\\win.ini", "win.ini"},
      {"a\nb\tc\x7F.txt", "abc.txt"},
      {"..", "download"},
      {" . ", "download"},
      {"", "download"},
      {"dir/", "download"},
      {"  spaced name.txt  ", "spaced name.txt"},
  };
  for (const auto& c : cases) EXPECT_EQ(SafeFileName(c.suggested), c.name) << c.suggested;
}

TEST(PageFileName, ThePagesNameFromItsAddress) {
  const struct {
    std::string address;
    std::string name;
  } cases[] = {
      {"https://shop.example/offers/summer.html?x=1#top", "summer.mhtml"},
      {"https://shop.example/offers/", "shop.example.mhtml"},  // no name: the host
      {"https://Shop.Example", "shop.example.mhtml"},
      {"https://shop.example/my%20page.php", "my page.mhtml"},
      {"https://shop.example/a%2Fb.html", "a_b.mhtml"},  // never a folder
      {"https://shop.example/%2E%2E", "shop.example.mhtml"},
      {"https://shop.example/.hidden", "hidden.mhtml"},
      {"https://shop.example/x%0Ay%E2%80%AEgnp.exe", "xygnp.mhtml"},
      {"https://shop.example/archive.tar.gz", "archive.tar.mhtml"},
      {"file:///home/a/notes.html", "notes.mhtml"},
      {"http://[::1]:8080/", "[::1].mhtml"},
      {"about:blank", "page.mhtml"},
      {"http://host:70000/page.html", "page.mhtml"},  // not an address a page has
      {"data:text/html,<p>hi</p>", "page.mhtml"},
      {"", "page.mhtml"},
  };
  for (const auto& c : cases) EXPECT_EQ(PageFileName(c.address, ".mhtml"), c.name) << c.address;
}

// What a page can do to make a download's name look like another: reorder it with
// bidirectional controls, hide characters in it, or send bytes that are no text.
TEST(SafeFileName, NothingInTheNameChangesHowItReads) {
  const struct {
    std::string suggested;
    std::string name;
  } cases[] = {
      {"evil\u202Egnp.exe", "evilgnp.exe"},  // would show as "evilexe.png"
      {"a\u061Cb\u200Ec\u200Fd.txt", "abcd.txt"},
      {"a\u202Ab\u202Bc\u202Cd\u202De.txt", "abcde.txt"},
      {"a\u2066b\u2067c\u2068d\u2069e.txt", "abcde.txt"},
      {"\u202E.bashrc", "bashrc"},               // no hidden file once the control is gone
      {"a\u0080b\u0085c\u009F.txt", "abc.txt"},  // C1 controls
      {"caf\u00E9\u00A0menu.txt", "caf\u00E9\u00A0menu.txt"},  // past the C1 controls: kept
      {"\u061B\u200D\u2010\u202F.txt", "\u061B\u200D\u2010\u202F.txt"},  // next to them: kept
      {"smile\U0001F600.png", "smile\U0001F600.png"},
      // Each byte that is no part of a well-formed character becomes "_".
      {"a\xFFz.txt", "a_z.txt"},
      {"\x80x.txt", "_x.txt"},           // a stray continuation byte
      {"x.txt\xE2\x82", "x.txt__"},      // cut short at the end
      {"x\xE2\x82y", "x__y"},            // cut short in the middle
      {"a\xC0\xAFz", "a__z"},            // an overlong "/": never a folder
      {"a\xE0\x80\xAFz", "a___z"},       // an overlong "/" in three bytes
      {"a\xED\xA0\x80z", "a___z"},       // a surrogate
      {"a\xF4\x90\x80\x80z", "a____z"},  // past U+10FFFF
      {"a\xC2\x80\xC3z", "a_z"},         // a C1 control goes, the broken byte stays visible
  };
  for (const auto& c : cases) EXPECT_EQ(SafeFileName(c.suggested), c.name) << c.suggested;
}

// A long name is cut so that the temporary name of its download still fits the file system,
// the extension kept and no character cut in two.
TEST(SafeFileName, ALongNameLeavesRoomForItsTemporaryName) {
  const std::size_t max = kMaxSafeFileNameBytes;
  const std::string longStem(300, 'a');
  std::string accented;
  for (int i = 0; i < 130; ++i) accented += "\xC3\xA4";  // 260 bytes of "\u00E4"
  const struct {
    std::string suggested;
    std::string name;
  } cases[] = {
      {longStem + ".tar.gz", std::string(max - 3, 'a') + ".gz"},
      {longStem, std::string(max, 'a')},
      {std::string(max, 'a'), std::string(max, 'a')},
      {std::string(max + 1, 'a'), std::string(max, 'a')},
      {std::string(max - 4, 'a') + ".pdf", std::string(max - 4, 'a') + ".pdf"},
      {std::string(max - 3, 'a') + ".pdf", std::string(max - 4, 'a') + ".pdf"},
      // An "extension" longer than 16 bytes is part of the name.
      {longStem + "." + std::string(20, 'b'), std::string(max, 'a')},
      {accented, accented.substr(0, max)},                  // the cut falls between two characters
      {"x" + accented, "x" + accented.substr(0, max - 2)},  // it would fall inside one
      {"x" + accented + ".pdf", "x" + accented.substr(0, max - 6) + ".pdf"},
      {longStem + "\u202E.exe", std::string(max - 4, 'a') + ".exe"},  // counted once dropped
  };
  for (const auto& c : cases) {
    const std::string name = SafeFileName(c.suggested);
    EXPECT_EQ(name, c.name) << c.suggested;
    EXPECT_LE(name.size(), max);
  }
}

// The longest name, as a download writes it: the temporary file beside it, and the engine's
// file of the data while it arrives, are both made in a real folder.
TEST(SafeFileName, TheTemporaryFilesOfTheLongestNameCanBeMade) {
  const std::string folder = wbtest::TestRoot() + "/long-download";
  std::filesystem::create_directories(folder);
  for (const std::string& suggested :
       {std::string(400, 'n'), std::string(400, 'n') + ".iso", std::string(400, 'n') + ".x"}) {
    const std::string name = SafeFileName(suggested);
    ASSERT_EQ(name.size(), kMaxSafeFileNameBytes);
    std::optional<FileReplacement> file;
    ASSERT_NO_THROW(file.emplace(folder + "/" + name));
    const std::string partial = file->TemporaryPath() + ".wkdownload";
    UniqueFd fd(::open(partial.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    EXPECT_TRUE(fd) << std::strerror(errno) << ": " << partial;
    ::unlink(partial.c_str());
    file->Write("data");
    ASSERT_NO_THROW(file->Commit());
    EXPECT_TRUE(std::filesystem::exists(folder + "/" + name));
  }
}

}  // namespace
}  // namespace wb
