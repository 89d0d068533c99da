// wbctl brand --site against loopback sites of the test's own: what a copy takes from a
// manifest or a bare page, and the hostile answers that leave nothing at DEST.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/common/loopback_server.h"
#include "tests/common/pictures.h"
#include "tests/common/run_tool.h"
#include "tests/common/test_env.h"
#include "tests/common/test_files.h"
#include "tests/common/tls_server.h"

namespace wb {
namespace {

using wbtest::kProgram;
using wbtest::LoopbackResponse;
using wbtest::LoopbackServer;
using wbtest::Wbctl;

std::string Path(const std::string& name) {
  const std::string dir = wbtest::TestRoot() + "/wbctl-site";
  std::filesystem::create_directories(dir);
  return dir + "/" + name;
}

std::string PngBytes(int width, int height) {
  const std::string file =
      Path("p" + std::to_string(width) + "x" + std::to_string(height) + ".png");
  wbtest::WritePng(file, width, height);
  return wbtest::ReadFile(file);
}

// A 16x16 ICO file holding one 32-bit bitmap, as favicon.ico files usually are.
std::string IcoBytes() {
  std::string ico;
  auto u16 = [&](unsigned v) {
    ico += static_cast<char>(v & 0xFF);
    ico += static_cast<char>((v >> 8) & 0xFF);
  };
  auto u32 = [&](std::uint32_t v) {
    u16(v & 0xFFFF);
    u16(v >> 16);
  };
  const std::uint32_t pixels = 16 * 16 * 4, mask = 16 * 4;
  u16(0), u16(1), u16(1);                                  // header: one icon
  ico += '\x10', ico += '\x10', ico += '\0', ico += '\0';  // 16x16, no palette
  u16(1), u16(32), u32(40 + pixels + mask), u32(22);
  u32(40), u32(16), u32(32), u16(1), u16(32), u32(0), u32(pixels + mask);
  u32(0), u32(0), u32(0), u32(0);
  for (std::uint32_t i = 0; i < 16 * 16; ++i) ico += std::string("\x20\x40\xC0\xFF", 4);
  ico += std::string(mask, '\0');
  return ico;
}

std::string Effective(const std::string& copy) {
  return Wbctl({"show", copy, "--effective"}).out;
}

TEST(WbctlSite, AFullManifestGivesEveryValue) {
  LoopbackServer server;
  server.Page("/",
              "<title>Page</title><link rel=manifest href='/app/m.json'>"
              "<meta name=theme-color content='#111111'>");
  server.Page(
      "/app/m.json",
      R"({"name":"Team Mail","short_name":"Mail","start_url":"inbox?x=1",)"
      R"("scope":"http://other.example/","theme_color":"#336699","display":"fullscreen","icons":[)"
      R"({"src":"/small.png","sizes":"48x48","type":"image/png"},)"
      R"({"src":"/big.png","sizes":"192x192","type":"image/png"}]})",
      "Content-Type: application/manifest+json\r\n");
  server.Page("/small.png", PngBytes(48, 48), "Content-Type: image/png\r\n");
  server.Page("/big.png", PngBytes(192, 192), "Content-Type: image/png\r\n");
  const std::string copy = Path("full");
  const auto brand = Wbctl({"brand", kProgram, copy, "--site", server.Url("/")});
  ASSERT_EQ(brand.status, 0) << brand.err;
  EXPECT_NE(brand.out.find("title: Team Mail (from the manifest's name)"), std::string::npos)
      << brand.out;
  const std::string config = Effective(copy);
  EXPECT_NE(config.find("go=" + server.Url("/app/inbox?x=1") + "\n"), std::string::npos) << config;
  EXPECT_NE(config.find("caption=Team Mail\n"), std::string::npos) << config;
  EXPECT_NE(config.find("color=#336699\n"), std::string::npos) << config;
  EXPECT_NE(config.find("internal=other.example\n"), std::string::npos) << config;
  EXPECT_NE(config.find("start=fullscreen\n"), std::string::npos) << config;
  const std::string icon = Path("full.png");
  ASSERT_EQ(Wbctl({"show", "--icon", icon, copy}).status, 0);
  EXPECT_EQ(wbtest::LoadPixels(icon).width, 192);

  // A value on the command line wins over the site's.
  const std::string mine = Path("mine");
  ASSERT_EQ(Wbctl({"brand", kProgram, mine, "--site", server.Url("/"), "title=Mine"}).status, 0);
  EXPECT_NE(Effective(mine).find("caption=Mine\n"), std::string::npos);
}

// The members beyond the look reach the copy's keys, and --site tells each one it kept and each
// one it left out, with the reason.
TEST(WbctlSite, TheManifestsHandlersReachTheCopyAndWhatIsLeftOutIsTold) {
  LoopbackServer server;
  server.Page("/", "<title>Mail</title><link rel=manifest href='/m.json'>");
  server.Page("/m.json",
              R"({"name":"Mail","display":"minimal-ui","background_color":"#000",)"
              R"("shortcuts":[{"name":"Compose","url":"/new"},)"
              R"({"name":"Away","url":"http://other.example/"}],)"
              R"("protocol_handlers":[{"protocol":"web+mail","url":"/c?to=%s"},)"
              R"({"protocol":"http","url":"/h?%s"}],)"
              R"("file_handlers":[{"action":"/open","accept":{"text/csv":".csv"}}]})",
              "Content-Type: application/manifest+json\r\n");
  const std::string copy = Path("handlers");
  wbtest::WritePng(Path("h.png"), 32, 32);
  const auto brand =
      Wbctl({"brand", kProgram, copy, "--site", server.Url("/"), "--icon", Path("h.png")});
  ASSERT_EQ(brand.status, 0) << brand.err;
  for (const std::string& line : std::vector<std::string>{
           "vis: n (from the manifest's display minimal-ui)\n",
           "background: #010101 (from the manifest's background_color (black))\n",
           "shortcuts: Compose=" + server.Url("/new") + " (from the manifest's shortcuts)\n",
           "schemes: web+mail=" + server.Url("/c?to=%s") +
               " (from the manifest's protocol_handlers)\n",
           "files: text/csv .csv=" + server.Url("/open") + " (from the manifest's file_handlers)\n",
           std::string("dropped: shortcuts[1]: its url is on another origin\n"),
           std::string("dropped: protocol_handlers[1]: its protocol is neither web+ and letters "
                       "nor a safelisted scheme\n"),
       }) {
    EXPECT_NE(brand.out.find(line), std::string::npos) << line << " in\n" << brand.out;
  }
  const std::string config = Effective(copy);
  EXPECT_NE(config.find("navbar=yes\n"), std::string::npos) << config;
  EXPECT_NE(config.find("address=no\n"), std::string::npos) << config;
  EXPECT_NE(config.find("shortcuts=Compose=" + server.Url("/new") + "\n"), std::string::npos)
      << config;
  EXPECT_NE(config.find("schemes=web+mail=" + server.Url("/c?to=%s") + "\n"), std::string::npos)
      << config;
  EXPECT_NE(config.find("background=#010101\n"), std::string::npos) << config;
}

TEST(WbctlSite, ATitleAndAFaviconAreEnough) {
  LoopbackServer server;
  server.Page("/", "<html><head><title> Plain  Site </title></head><body></body></html>");
  server.Page("/favicon.ico", IcoBytes(), "Content-Type: image/x-icon\r\n");
  const std::string copy = Path("bare");
  const auto brand = Wbctl({"brand", kProgram, copy, "--site", server.Url("/")});
  ASSERT_EQ(brand.status, 0) << brand.err;
  const std::string config = Effective(copy);
  EXPECT_NE(config.find("caption=Plain Site\n"), std::string::npos) << config;
  EXPECT_NE(config.find("go=" + server.Url("/") + "\n"), std::string::npos) << config;
  const std::string icon = Path("bare.png");
  ASSERT_EQ(Wbctl({"show", "--icon", icon, copy}).status, 0);
  const auto pixels = wbtest::LoadPixels(icon);
  EXPECT_EQ(pixels.width, 16);
  ASSERT_GE(pixels.bytes.size(), 3u);
  EXPECT_EQ(static_cast<unsigned char>(pixels.bytes[0]), 0xC0);  // red of B,G,R = 20,40,C0
}

// A name Windows-1252 cannot hold is taken whole, as a manifest writes it (in UTF-8 or as
// JSON escapes) or as a page's title does.
TEST(WbctlSite, ANameInAnyScriptIsTaken) {
  const std::string japanese = "\xE6\x9D\xB1\xE4\xBA\xAC\xE3\x83\xA1\xE3\x83\xBC\xE3\x83\xAB";
  const std::string greek = "\xCE\x91\xCE\xB8\xCE\xAE\xCE\xBD\xCE\xB1";
  const struct {
    const char* what;
    std::string page;
    std::string manifest;
    std::string name;
  } cases[] = {
      {"manifest in UTF-8", "<link rel=manifest href=/m.json>", R"({"name":")" + japanese + R"("})",
       japanese},
      {"manifest with escapes", "<link rel=manifest href=/m.json>",
       R"({"name":"\u6771\u4eac\u30e1\u30fc\u30eb"})", japanese},
      {"page title", "<title>" + greek + "</title>", "", greek},
  };
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    LoopbackServer server;
    server.Page("/", "<html><head><meta charset=utf-8>" + c.page + "</head></html>",
                "Content-Type: text/html; charset=utf-8\r\n");
    if (!c.manifest.empty())
      server.Page("/m.json", c.manifest, "Content-Type: application/manifest+json\r\n");
    const std::string copy = Path("script-" + std::to_string(n++));
    const auto brand = Wbctl({"brand", kProgram, copy, "--site", server.Url("/")});
    ASSERT_EQ(brand.status, 0) << brand.err;
    EXPECT_NE(brand.out.find("title: " + c.name + " (from "), std::string::npos) << brand.out;
    EXPECT_NE(Effective(copy).find("caption=" + c.name + "\n"), std::string::npos)
        << Effective(copy);
    EXPECT_NE(Wbctl({"show", copy}).out.find("title=" + c.name + "\n"), std::string::npos);
  }
}

TEST(WbctlSite, ASlowStatusLineOrHeaderEndsWithinTheLimit) {
  using namespace std::chrono_literals;
  const struct {
    const char* name;
    const char* slowPath;
  } cases[] = {{"page", "/"}, {"manifest", "/m.json"}};
  for (const auto& c : cases) {
    // The slow answer's status line and headers come one byte a second.
    LoopbackServer server([&](const std::string& path) {
      LoopbackResponse response{200, "<link rel=manifest href=/m.json><title>Slow</title>", ""};
      if (path == c.slowPath) response.drip = 1s;
      return response;
    });
    const std::string copy = Path(std::string("slow-") + c.name);
    const auto start = std::chrono::steady_clock::now();
    const auto brand = wbtest::RunTool({"/usr/bin/env", "WBCTL_SITE_SECONDS=2", WB_WBCTL_PATH,
                                        "brand", kProgram, copy, "--site", server.Url("/")});
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_NE(brand.status, 0) << c.name;
    EXPECT_NE(brand.err.find("within its limit of 2 seconds"), std::string::npos)
        << c.name << ": " << brand.err;
    EXPECT_LT(took, 10s) << c.name;
    EXPECT_FALSE(std::filesystem::exists(copy)) << c.name;
  }
}

TEST(WbctlSite, HostileAnswersLeaveNothingAtDest) {
  const struct {
    const char* name;
    LoopbackResponse manifest;
    const char* error;
  } cases[] = {
      {"not-json", {200, "<html>not json</html>", ""}, "not a manifest"},
      {"huge", {200, std::string((std::size_t{1} << 20) + 10, ' '), ""}, "larger than"},
      {"missing", {404, "gone", ""}, "404"},
      {"loop", {302, "", "Location: /app/m.json\r\n"}, "loop"},
  };
  for (const auto& c : cases) {
    LoopbackServer server([&](const std::string& path) {
      if (path == "/") return LoopbackResponse{200, "<link rel=manifest href=/app/m.json>", ""};
      if (path == "/app/m.json") return c.manifest;
      return LoopbackServer::NotFound(path);
    });
    const std::string copy = Path(std::string("hostile-") + c.name);
    const auto brand = Wbctl({"brand", kProgram, copy, "--site", server.Url("/")});
    EXPECT_NE(brand.status, 0) << c.name;
    EXPECT_NE(brand.err.find(c.error), std::string::npos) << c.name << ": " << brand.err;
    EXPECT_FALSE(std::filesystem::exists(copy)) << c.name;
  }
}

TEST(WbctlSite, IconsThatAreNoPictureOrTooLargeAreSkipped) {
  LoopbackServer server;
  server.Page("/",
              "<title>T</title><link rel=icon href=/text.png><link rel=icon href=/huge.png "
              "sizes=16x16>");
  server.Page("/text.png", "this is no picture", "Content-Type: image/png\r\n");
  server.Page("/huge.png", std::string((std::size_t{1} << 20) + 1, 'x'),
              "Content-Type: image/png\r\n");
  const std::string copy = Path("noicon");
  const auto brand = Wbctl({"brand", kProgram, copy, "--site", server.Url("/")});
  ASSERT_EQ(brand.status, 0) << brand.err;
  EXPECT_NE(brand.err.find("text.png"), std::string::npos) << brand.err;
  EXPECT_NE(brand.err.find("larger than"), std::string::npos) << brand.err;
  EXPECT_NE(brand.out.find("icon: none found"), std::string::npos) << brand.out;
  EXPECT_EQ(Wbctl({"show", "--icon", Path("noicon.png"), copy}).out, "icon=program\n");
}

TEST(WbctlSite, ACertificateErrorIsRefusedUnlessTrusted) {
  const std::string folder = Path("tls");
  std::filesystem::create_directories(folder);
  wbtest::TlsServer server(folder);
  const std::string refused = Path("tls-refused");
  const auto plain = Wbctl({"brand", kProgram, refused, "--site", server.Url("/")});
  EXPECT_NE(plain.status, 0);
  EXPECT_NE(plain.err.find("certificate is refused"), std::string::npos) << plain.err;
  EXPECT_NE(plain.err.find(server.Fingerprint()), std::string::npos) << plain.err;
  EXPECT_FALSE(std::filesystem::exists(refused));

  const std::string trusted = Path("tls-trusted");
  const auto brand = Wbctl(
      {"brand", kProgram, trusted, "--site", server.Url("/"), "--trust", server.Fingerprint()});
  ASSERT_EQ(brand.status, 0) << brand.err;
  const std::string config = Effective(trusted);
  EXPECT_NE(config.find("caption=Secure\n"), std::string::npos) << config;
  EXPECT_NE(config.find("go=" + server.Url("/") + "\n"), std::string::npos) << config;
  // The copy trusts the certificate it was made with, so it opens on the site, not on our page.
  const auto shown = Wbctl({"show", trusted});
  EXPECT_NE(shown.out.find("trust=" + server.Fingerprint() + "\n"), std::string::npos) << shown.out;
}

}  // namespace
}  // namespace wb
