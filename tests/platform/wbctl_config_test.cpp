// wbctl brand, show and check, run as a separate process on real executables.
#include <glib.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "storage/elf_file.h"
#include "storage/fsx.h"
#include "support/maker.h"
#include "tests/common/run_tool.h"
#include "tests/common/test_env.h"
#include "tests/common/test_files.h"

namespace wb {
namespace {

using wbtest::kProgram;

using wbtest::ToolRun;
using wbtest::Wbctl;

std::string Dir() {
  const std::string dir = wbtest::TestRoot() + "/wbctl";
  std::filesystem::create_directories(dir);
  return dir;
}

std::string Path(const std::string& name) {
  return Dir() + "/" + name;
}

using wbtest::ReadFile;
using wbtest::WriteFile;

// The line that starts block `name`, as the block text file writes it.
std::string BoundaryLine(const char16_t* name) {
  TFSx block("memory", u"m");
  block.wBound(name);
  return block.ms->Bytes();
}

std::string BlockOf(const std::string& path) {
  TFSx file(path, u"r");
  return file.rBlock(u"WebBrowser");
}

const std::string kBase = ToUtf8(kBaseWebAddress);

TEST(WbctlBrand, BrandsTheRealExecutableAndShowReadsTheCopy) {
  const std::string copy = Path("branded");
  // --force: the copy carries "640px" as written, which check would report.
  const ToolRun brand = Wbctl({"brand", kProgram, copy, "--force", "title=Acme Caf\xC3\xA9",
                               "links=A=http://a.example/|B=http://b.example/,2", "vis=nal-s",
                               "color=#102030", "width=640px", "go=http://start.example/"});
  ASSERT_EQ(brand.status, 0) << brand.err;
  EXPECT_EQ(brand.out, "");

  // The copy is the program's image, then exactly one block, in Windows-1252, CR LF between
  // the lines.
  const auto imageEnd = ElfImageEnd(kProgram);
  ASSERT_TRUE(imageEnd.has_value());
  const std::string copied = ReadFile(copy);
  EXPECT_EQ(copied.substr(0, *imageEnd), ReadFile(kProgram).substr(0, *imageEnd));
  EXPECT_EQ(ElfImageEnd(copy), imageEnd);
  EXPECT_EQ(BlockOf(copy),
            "title=Acme Caf\xE9\r\nlinks=A=http://a.example/|B=http://b.example/,2\r\n"
            "vis=nal-s\r\ncolor=#102030\r\nwidth=640px\r\ngo=http://start.example/");
  struct stat info;
  ASSERT_EQ(::stat(copy.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0755u);

  const ToolRun show = Wbctl({"show", copy});
  ASSERT_EQ(show.status, 0) << show.err;
  EXPECT_EQ(show.out,
            "title=Acme Caf\xC3\xA9\n"
            "showbanner=0\n"
            "webinfo=0\n"
            "vis=nal-s\n"
            "width=640px\n"
            "height=800\n"
            "color=#102030\n"
            "go=http://start.example/\n"
            "links=A=http://a.example/|B=http://b.example/,2\n");

  const ToolRun effective = Wbctl({"show", "--effective", copy});
  ASSERT_EQ(effective.status, 0) << effective.err;
  EXPECT_EQ(effective.out,
            "caption=Acme Caf\xC3\xA9\n"
            "banner=hidden\n"
            "banner-caption=Acme Caf\xC3\xA9\n"
            "link=A\thttp://a.example/\t0\n"
            "link=B\thttp://b.example/\t2\n"
            "menu=no\n"
            "navbar=yes\n"
            "address=yes\n"
            "linkbar=yes\n"
            "strip=yes\n"
            "statusbar=no\n"
            "width=640\n"
            "height=800\n"
            "color=#102030\n"
            "go=http://start.example/\n"
            "webinfo=false\n"
            "gpu=false\n"
            "ephemeral=false\n"
            "single=false\n"
            "trust=none\n"
            "allow=none\n"
            "internal=none\n"
            "zoom=100\n"
            "devtools=false\n"
            "spell=true\n"
            "remember=false\n"
            "agent=engine\n"
            "proxy=system\n"
            "noproxy=none\n"
            "dark=desktop\n"
            "start=normal\n"
            "ontop=false\n"
            "badge=false\n"
            "tray=false\n"
            "maker=none\n"
            "homepage=none\n"
            "contact=none\n"
            "shop=none\n"
            "support=none\n"
            "lang=locale\n"
            "update=none\n"
            "version=none\n"
            "vendor=none\n"
            "shortcuts=none\n"
            "schemes=none\n"
            "files=none\n"
            "background=design\n"
            "autostart=false\n"
            "style=none\n"
            "script=none\n");

  // Branding the branded copy replaces its block.
  const std::string again = Path("branded-again");
  ASSERT_EQ(Wbctl({"brand", copy, again, "--keep-links", "title="}).status, 0);
  EXPECT_EQ(BlockOf(again), "title=");
  EXPECT_EQ(std::filesystem::file_size(again), *imageEnd + 2 + 28 + 6);
  const ToolRun plain = Wbctl({"show", "--effective", again});
  EXPECT_EQ(plain.out.substr(0, plain.out.find('\n')), "caption=Web Browser");
}

TEST(WbctlBrand, TakesTheLinesOfAFileFirst) {
  const std::string from = Path("from.txt");
  WriteFile(from, "\xEF\xBB\xBFtitle=From file\r\n# note\nwidth=500\r\n");
  const std::string copy = Path("from-copy");
  const ToolRun r =
      Wbctl({"brand", kProgram, copy, "--keep-links", "--from", from, "width=700", "webinfo=1"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(BlockOf(copy), "title=From file\r\n# note\r\nwidth=500\r\nwidth=700\r\nwebinfo=1");
  const ToolRun show = Wbctl({"show", "--effective", copy});
  EXPECT_NE(show.out.find("\nwidth=700\n"), std::string::npos) << show.out;
  EXPECT_NE(show.out.find("\nwebinfo=true\n"), std::string::npos) << show.out;
}

// A block is written in Windows-1252 when the code page holds every value, byte for byte as
// brand always wrote it, and as UTF-8 when it does not; show and the program read it back
// whole either way, from the arguments as from --from.
TEST(WbctlBrand, WritesAnyScriptAndReadsItBackWhole) {
  struct Case {
    const char* what;
    std::string title;  // UTF-8, as typed
    std::string block;  // the bytes brand writes
  };
  const Case cases[] = {
      {"Windows-1252", "Caf\xC3\xA9 M\xC3\xBCller \xE2\x82\xAC\xE2\x84\xA2",
       "title=Caf\xE9 M\xFCller \x80\x99"},
      {"ASCII", "Acme", "title=Acme"},
      {"Greek", "\xCE\x91\xCE\xB8\xCE\xAE\xCE\xBD\xCE\xB1",
       "title=\xCE\x91\xCE\xB8\xCE\xAE\xCE\xBD\xCE\xB1"},
      {"Russian", "\xD0\x9C\xD0\xB8\xD1\x80", "title=\xD0\x9C\xD0\xB8\xD1\x80"},
      {"Chinese with a Latin letter", "\xE5\x95\x86\xE5\xBA\x97 Caf\xC3\xA9",
       "title=\xE5\x95\x86\xE5\xBA\x97 Caf\xC3\xA9"},
      {"Arabic", "\xD9\x85\xD8\xAA\xD8\xAC\xD8\xB1", "title=\xD9\x85\xD8\xAA\xD8\xAC\xD8\xB1"},
      // In Windows-1252 these would read back as one other letter, so they go as UTF-8.
      {"trade mark after a capital", "NESTL\xC3\x89\xC2\xAE", "title=NESTL\xC3\x89\xC2\xAE"},
  };
  const std::string from = Path("script-from.txt");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string copy = Path("script-copy");
    const ToolRun brand = Wbctl({"brand", kProgram, copy, "--keep-links", "title=" + c.title});
    ASSERT_EQ(brand.status, 0) << brand.err;
    EXPECT_EQ(BlockOf(copy), c.block);
    const ToolRun show = Wbctl({"show", copy});
    ASSERT_EQ(show.status, 0) << show.err;
    EXPECT_NE(show.out.find("title=" + c.title + "\n"), std::string::npos) << show.out;
    const ToolRun effective = Wbctl({"show", "--effective", copy});
    EXPECT_EQ(effective.out.substr(0, effective.out.find('\n')), "caption=" + c.title);

    // The same from a file, with a line of links in the same script.
    WriteFile(from, "title=" + c.title + "\nlinks=" + c.title + "=http://a.example/\n");
    ASSERT_EQ(Wbctl({"brand", kProgram, copy, "--from", from}).status, 0);
    const ToolRun links = Wbctl({"show", "--effective", copy});
    EXPECT_NE(links.out.find("\nlink=" + c.title + "\thttp://a.example/\t0\n"), std::string::npos)
        << links.out;
  }
}

// The keys beyond the window's design read as the program reads them: the yes-words, a zoom
// held within its bounds, fingerprints in their normal form, permission kinds by name, and
// items that are none of these left out.
TEST(WbctlShow, EffectiveReadsTheKeysBeyondTheDesignAsTheProgramDoes) {
  const std::string hex(62, 'a');
  struct Case {
    std::string value;  // as branded
    std::string line;   // as shown
  };
  const Case cases[] = {
      {"gpu=yes", "gpu=true"},
      {"gpu=maybe", "gpu=false"},
      {"ephemeral=1", "ephemeral=true"},
      {"single=TRUE", "single=true"},
      {"trust=" + hex + ":0f, nonsense", "trust=" + std::string(62, 'A') + "0F"},
      {"allow=Camera,bogus,microphone", "allow=camera,microphone"},
      {"internal=Shop.Acme.example, *.acme.example,bad/host",
       "internal=shop.acme.example,*.acme.example"},
      {"zoom=125%", "zoom=125"},
      {"zoom=-5", "zoom=100"},
      {"devtools=1", "devtools=true"},
      {"spell=0", "spell=false"},
      {"spell=", "spell=true"},
      {"remember=on", "remember=true"},
      {"title=T", "agent=engine"},
      {"agent=Shop/2.0 (Acme)", "agent=Shop/2.0 (Acme)"},
      {"agent=+Shop/2.0", "agent=ENGINE Shop/2.0"},
      {"agent=Shop\t2", "agent=engine"},
      {"title=T", "proxy=system"},
      {"proxy=None", "proxy=none"},
      {"proxy=SOCKS5://127.0.0.1:1080/", "proxy=socks5://127.0.0.1:1080"},
      {"proxy=127.0.0.1:1080", "proxy=system"},
      {"noproxy=*.corp.example,bad/", "noproxy=*.corp.example"},
      {"title=T", "dark=desktop"},
      {"dark=1", "dark=true"},
      {"dark=no", "dark=false"},
      {"title=T", "start=normal"},
      {"start=Maximised", "start=maximized"},
      {"start=fullscreen", "start=fullscreen"},
      {"start=huge", "start=normal"},
      {"ontop=1", "ontop=true"},
      {"badge=yes", "badge=true"},
      {"tray=0", "tray=false"},
      {"title=T", "lang=locale"},
      {"lang=de, en ,DE", "lang=de,en"},
      {"lang=de_DE,fr", "lang=fr"},
      {"update=https://m.example/a.latest ", "update=https://m.example/a.latest"},
      {"update=ftp://m.example/a.latest", "update=none"},
      {"version= 2.0-1", "version=2.0-1"},
      {"shortcuts=A=https://a.example/|bad", "shortcuts=A=https://a.example/"},
      {"schemes=WEB+x=https://a.example/?%s", "schemes=web+x=https://a.example/?%s"},
      {"files=Text/CSV .CSV=https://a.example/", "files=text/csv .csv=https://a.example/"},
      {"background=#102030", "background=#102030"},
      {"title=T", "style=none"},
      {"title=T", "script=none"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    const std::string copy = Path("effective-copy");
    // --force: how the window reads the values that check reports is the point here.
    ASSERT_EQ(Wbctl({"brand", kProgram, copy, "--force", c.value}).status, 0);
    const ToolRun show = Wbctl({"show", "--effective", copy});
    ASSERT_EQ(show.status, 0) << show.err;
    EXPECT_NE(show.out.find("\n" + c.line + "\n"), std::string::npos) << show.out;
  }
}

TEST(WbctlBrand, RefusesWhatCannotBeWrittenFaithfully) {
  const std::string dest = Path("refused");
  const std::string badUtf8 = Path("bad-utf8.txt");
  WriteFile(badUtf8, "title=ok\ntitle=Caf\xE9\n");
  const std::string notElf = Path("not-elf");
  WriteFile(notElf, "just text");
  const std::string boundaryInFile = Path("boundary.txt");
  WriteFile(boundaryInFile, "title=x" + BoundaryLine(u"B") + "go=y\r\n");
  struct Case {
    const char* what;
    std::vector<std::string> args;
    std::string errorMentions;
  };
  const Case cases[] = {
      {"argument not in UTF-8", {"brand", kProgram, dest, "title=Caf\xE9"}, "not valid UTF-8"},
      {"argument without =", {"brand", kProgram, dest, "title"}, "NAME=VALUE"},
      {"argument with an empty name", {"brand", kProgram, dest, " =x"}, "NAME=VALUE"},
      {"DEST is SOURCE", {"brand", kProgram, kProgram, "title=x"}, "SOURCE"},
      {"SOURCE is not ELF", {"brand", notElf, dest, "title=x"}, notElf},
      {"missing SOURCE", {"brand", Path("missing"), dest}, "no such file"},
      {"file not in UTF-8", {"brand", kProgram, dest, "--from", badUtf8}, "line 2"},
      {"missing file", {"brand", kProgram, dest, "--from", Path("nofile")}, "nofile"},
      {"boundary inside a value",
       {"brand", kProgram, dest, "x=a" + BoundaryLine(u"B")},
       "line break"},
      {"boundary line in the file",
       {"brand", kProgram, dest, "--from", boundaryInFile},
       "boundary"},
      {"missing DEST", {"brand", kProgram}, "DEST"},
      {"update key that is no key",
       {"brand", kProgram, dest, "--update-key", notElf},
       "not an armoured OpenPGP public key"},
  };
  for (const auto& c : cases) {
    const ToolRun r = Wbctl(c.args);
    EXPECT_NE(r.status, 0) << c.what;
    EXPECT_NE(r.err.find(c.errorMentions), std::string::npos) << c.what << ": " << r.err;
    EXPECT_FALSE(std::filesystem::exists(dest)) << c.what;
  }
  // Nothing is left behind in the folder of DEST.
  for (const auto& entry : std::filesystem::directory_iterator(Dir())) {
    EXPECT_EQ(entry.path().filename().string().find("refused"), std::string::npos) << entry.path();
  }
  // A failed brand leaves an existing DEST as it was.
  WriteFile(dest, "previous");
  EXPECT_NE(Wbctl({"brand", kProgram, dest, "title=Caf\xE9"}).status, 0);
  EXPECT_EQ(ReadFile(dest), "previous");
}

TEST(WbctlShow, ErrorsNameTheFile) {
  const std::string missing = Path("no-such-exe");
  const ToolRun r = Wbctl({"show", missing});
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.err.find(missing), std::string::npos) << r.err;
  EXPECT_FALSE(std::filesystem::exists(missing));
  EXPECT_NE(Wbctl({"show", Dir()}).status, 0);
  EXPECT_NE(Wbctl({"show"}).status, 0);
}

// wbctl with `args`, stopped after a time limit, so a tool that waits for ever fails the test
// instead of holding up the suite. A stopped tool has the status 124 of timeout(1).
ToolRun WbctlWithin(int seconds, const std::vector<std::string>& args) {
  gchar* timeout = g_find_program_in_path("timeout");
  std::vector<std::string> command = {timeout ? timeout : "/usr/bin/timeout",
                                      std::to_string(seconds), WB_WBCTL_PATH};
  g_free(timeout);
  command.insert(command.end(), args.begin(), args.end());
  return wbtest::RunTool(command);
}

// A FIFO would keep a reader waiting for a writer that never comes; every command refuses it
// at once instead.
TEST(WbctlShow, RefusesWhatIsNotARegularFileWithoutWaiting) {
  const std::string fifo = Path("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0) << std::strerror(errno);
  const std::string dest = Path("fifo-copy");
  struct Case {
    const char* what;
    std::vector<std::string> args;
    std::string errorMentions;
  };
  const Case cases[] = {
      {"show", {"show", fifo}, "not a regular file"},
      {"show --effective", {"show", "--effective", fifo}, "not a regular file"},
      {"check", {"check", fifo}, "not a regular file"},
      {"brand --from", {"brand", kProgram, dest, "--from", fifo}, "not a regular file"},
      {"brand SOURCE", {"brand", fifo, dest}, "not a copy of the program"},
  };
  for (const auto& c : cases) {
    const ToolRun r = WbctlWithin(20, c.args);
    ASSERT_NE(r.status, 124) << c.what << ": wbctl waited for the FIFO";
    EXPECT_NE(r.status, 0) << c.what;
    EXPECT_NE(r.err.find(fifo), std::string::npos) << c.what << ": " << r.err;
    EXPECT_NE(r.err.find(c.errorMentions), std::string::npos) << c.what << ": " << r.err;
    EXPECT_FALSE(std::filesystem::exists(dest)) << c.what;
  }
}

#ifdef WB_WEBBROWSER_PATH
TEST(WbctlShow, TheBuiltProgramCarriesTheShippedBlock) {
  EXPECT_EQ(BlockOf(WB_WEBBROWSER_PATH), "title=WebBrowser\r\nwebinfo=0\r\ngo=" + kBase);
  const ToolRun r = Wbctl({"show", "--effective", WB_WEBBROWSER_PATH});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.substr(0, r.out.find('\n')), "caption=WebBrowser");
  EXPECT_NE(r.out.find("\ngo=" + kBase + "\n"), std::string::npos) << r.out;
}
#endif

TEST(WbctlCheck, ReportsWhatAShipperWantsToKnow) {
  struct Case {
    const char* what;
    std::string file;
    std::string findings;
  };
  const Case cases[] = {
      {"clean", "title=T\r\nwidth=800\r\ncolor=#F0CAA6\r\ngo=https://x.example/\r\nvis=-s\r\n", ""},
      {"unknown key", "titel=T\n", "titel: unknown key\n"},
      {"sizes 0 or less", "width=0\nheight=abc\n",
       "width: \"0\" reads as 0, 0 or less, and is ignored\n"
       "height: \"abc\" reads as 0, 0 or less, and is ignored\n"},
      {"trailing characters", "width=1000px\n",
       "width: \"1000px\" has characters after the number; it reads as 1000\n"},
      {"black colour", "color=#000000\n",
       "color: \"#000000\" reads as 0, 0 or less, and is ignored (black cannot be configured)\n"},
      {"colour with extra digits", "color=#00FF0080\n",
       "color: \"#00FF0080\" has characters after the colour; it reads as 65280\n"},
      {"link without =", "links=A=http://a.example/|plain\n",
       "links: entry \"plain\" has no \"=\"; its button has no caption and does nothing\n"},
      {"relative link address", "links=A=a.example\n",
       "links: \"A\" has the address \"a.example\", which is not an absolute URL or an existing "
       "file\n"},
      {"link icon not a number", "links=A=http://a.example/,2x\n",
       "links: icon \"2x\" of \"A\" is not a whole number; it reads as 2\n"},
      {"existing file as start address", "go=" + std::string(WB_SOURCE_DIR) + "/README.md\n", ""},
      {"start address without a scheme", "go=www.example.com\n",
       "go: the start address is \"www.example.com\", which is not an absolute URL or an "
       "existing file\n"},
      {"host and port without a scheme", "go=localhost:8080/x\n",
       "go: the start address is \"localhost:8080/x\", which is not an absolute URL or an "
       "existing file\n"},
      {"scheme with nothing after it", "go=ab:\n", ""},  // the program loads it as written
      {"http without a host", "go=http:/x\n",
       "go: the start address is \"http:/x\", which is not an absolute URL or an existing "
       "file\n"},
      {"parts a load cannot use",
       "go=http://:80/\nlinks=A=http://a:70000/|B=http://h:8x/|C=https://[::1]:8443/\n",
       "links: \"A\" has the address \"http://a:70000/\", which is not an absolute URL or an "
       "existing file\n"
       "links: \"B\" has the address \"http://h:8x/\", which is not an absolute URL or an "
       "existing file\n"
       "go: the start address is \"http://:80/\", which is not an absolute URL or an existing "
       "file\n"},
      {"vis in upper case", "vis=MNal\n",
       "vis: \"MNal\": these characters are ignored: \"MN\" (the letters are m, n, a, l and -s, "
       "lower case)\n"},
      {"switches", "showbanner=Yes\nwebinfo=1 \n",
       "webinfo: \"1 \" has characters after the number; it reads as true\n"},
      {"trusted certificates",
       "trust=" + std::string(64, 'a') + ", AB:CD, " + std::string(64, 'z') + "\n",
       "trust: \"AB:CD\" is not a SHA-256 fingerprint (64 hexadecimal digits, colons optional) "
       "or HOST=FINGERPRINT; it is ignored\n"
       "trust: \"" +
           std::string(64, 'z') +
           "\" is not a SHA-256 fingerprint (64 hexadecimal "
           "digits, colons optional) or HOST=FINGERPRINT; it is ignored\n"},
      {"permissions granted", "allow=notifications,Camera,telepathy\n",
       "allow: \"telepathy\" is no permission kind (notifications, geolocation, camera, "
       "microphone, screen, device-info, media-keys, pointer-lock, clipboard); it is ignored\n"},
      {"hosts that stay in the window",
       "internal=shop.acme.example, *.acme.example,127.0.0.1,[::1]\n", ""},
      {"hosts that are no host patterns",
       "internal=https://shop.acme.example,*.acme.example,acme.example:8080,shop.*.example\n",
       "internal: \"https://shop.acme.example\" is not a host name or \"*.\" and a host name (no "
       "scheme, port or path); it is ignored\n"
       "internal: \"acme.example:8080\" is not a host name or \"*.\" and a host name (no scheme, "
       "port or path); it is ignored\n"
       "internal: \"shop.*.example\" is not a host name or \"*.\" and a host name (no scheme, "
       "port or path); it is ignored\n"},
      {"one window", "single=1\n", ""},
      {"one window, misspelt", "single=1x\n",
       "single: \"1x\" has characters after the number; it reads as true\n"},
      {"line that is not name=value", "title=T\nwidth 800\n",
       "line 2: \"width 800\" is not a name=value line and is skipped\n"},
      {"everyday keys", "zoom=125%\ndevtools=1\nspell=0\nremember=yes\n", ""},
      {"everyday switches", "devtools=1x\nremember=2 \n",
       "devtools: \"1x\" has characters after the number; it reads as true\n"
       "remember: \"2 \" has characters after the number; it reads as true\n"},
      {"zoom outside its bounds", "zoom=500\n",
       "zoom: \"500\" is outside 30 to 300 %; 300 % applies\n"},
      {"zoom of no number", "zoom=big\n", "zoom: \"big\" reads as 0, 0 or less; 100 % applies\n"},
      {"zoom with more after it", "zoom=120 percent\n",
       "zoom: \"120 percent\" has characters after the number; it reads as 120\n"},
      {"the keys of a copy",
       "agent=+Shop/2\nproxy=http://proxy.corp.example:3128\nnoproxy=*.corp.example\n"
       "dark=1\nstart=maximized\nontop=1\nbadge=1\ntray=1\n",
       ""},
      {"an agent that cannot be sent", "agent=Shop\t2\n",
       "agent: \"Shop\t2\" is not 1 to 512 printable ASCII characters; the engine's own agent "
       "applies\n"},
      {"an agent that appends nothing", "agent=+\n",
       "agent: \"+\" appends nothing; the engine's own agent applies\n"},
      {"a proxy of no form", "proxy=proxy.corp.example:3128\nnoproxy=*.corp.example\n",
       "proxy: \"proxy.corp.example:3128\" is not system, none or SCHEME://HOST:PORT (http, "
       "https, socks5, socks4, no user or path); the desktop's proxy settings apply\n"
       "noproxy: has no effect without a proxy address in proxy=\n"},
      {"direct hosts that are no patterns", "proxy=socks5://127.0.0.1:1080\nnoproxy=a.example:80\n",
       "noproxy: \"a.example:80\" is not a host name or \"*.\" and a host name (no scheme, port "
       "or path); it is ignored\n"},
      {"a start state of no name", "start=max\n",
       "start: \"max\" is not normal, maximized or fullscreen; the window starts normal\n"},
      {"switches of a copy", "dark=1x\nontop=2 \nbadge=yes\ntray=0\n",
       "dark: \"1x\" has characters after the number; it reads as true\n"
       "ontop: \"2 \" has characters after the number; it reads as true\n"},
      {"the maker's keys",
       "maker=Greenleaf\nhomepage=https://greenleaf.example/\ncontact=1 Row|Leafton\n"
       "shop=https://greenleaf.example/shop\nsupport=http://greenleaf.example/help\nlinks=none\n",
       ""},
      {"the maker's keys beyond what the box shows",
       "maker=" + std::string(201, 'm') +
           "\ncontact=a|b|c|d|e|f\nhomepage=greenleaf.example\n"
           "shop=javascript:void(0)\nsupport=mailto:help@greenleaf.example\n",
       "maker: is longer than 200 characters; the rest is cut off\n"
       "homepage: \"greenleaf.example\" is not an http or https address; it is left out\n"
       "contact: has more than 4 lines; the about box leaves out the last 2\n"
       "shop: \"javascript:void(0)\" is not an http or https address; it is left out\n"
       "support: \"mailto:help@greenleaf.example\" is not an http or https address; it is left "
       "out\n"},
  };
  int n = 0;
  for (const auto& c : cases) {
    const std::string file = Path("check" + std::to_string(n++) + ".txt");
    WriteFile(file, c.file);
    const ToolRun r = Wbctl({"check", file});
    EXPECT_EQ(r.out, c.findings) << c.what;
    EXPECT_EQ(r.status, c.findings.empty() ? 0 : 1) << c.what << r.err;
  }
}

// A maker's copy starts without our built-in link buttons, unless the maker gives links= or
// --keep-links; "none" shows no button at all. The copy's homepage is the base of the built-in
// links it keeps.
TEST(WbctlBrand, ANewCopyStartsWithoutOurLinks) {
  struct Case {
    const char* what;
    std::vector<std::string> args;
    std::string block;
    std::string links;  // the link= lines of show --effective
  };
  const std::string base = kBase;
  const Case cases[] = {
      {"no links given", {"title=T"}, "links=none\r\ntitle=T", ""},
      {"the maker's links",
       {"title=T", "LINKS=A=http://a.example/"},
       "title=T\r\nLINKS=A=http://a.example/",
       "link=A\thttp://a.example/\t0\n"},
      {"an empty links= keeps the built-in ones",
       {"links="},
       "links=",
       "link=Home\t" + base + "\t0\nlink=Support\t" + base + "/support\t0\nlink=Download\t" + base +
           "/gw/?cmd=dl\t0\nlink=Shop\t" + base + "/tavrel\t0\n"},
      {"--keep-links over the copy's homepage",
       {"--keep-links", "homepage=https://leaf.example/"},
       "homepage=https://leaf.example/",
       "link=Home\thttps://leaf.example\t0\nlink=Support\thttps://leaf.example/support\t0\n"
       "link=Download\thttps://leaf.example/gw/?cmd=dl\t0\nlink=Shop\thttps://leaf.example/"
       "tavrel\t0\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string copy = Path("links-copy");
    std::vector<std::string> args = {"brand", kProgram, copy};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const ToolRun brand = Wbctl(args);
    ASSERT_EQ(brand.status, 0) << brand.err;
    EXPECT_EQ(BlockOf(copy), c.block);
    const ToolRun show = Wbctl({"show", "--effective", copy});
    std::string links;
    for (std::size_t at = 0; (at = show.out.find("\nlink=", at)) != std::string::npos; ++at)
      links += show.out.substr(at + 1, show.out.find('\n', at + 1) - at);
    EXPECT_EQ(links, c.links);
    EXPECT_EQ(Wbctl({"check", copy}).out, "");
  }
}

TEST(WbctlCheck, ChecksAnExecutablesMergedConfiguration) {
  EXPECT_EQ(Wbctl({"check", kProgram}).status, 0);
  const std::string copy = Path("check-exe");
  ASSERT_EQ(Wbctl({"brand", kProgram, copy, "--force", "height=-1", "extra=1"}).status, 0);
  const ToolRun r = Wbctl({"check", copy});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "extra: unknown key\nheight: \"-1\" reads as -1, 0 or less, and is ignored\n");
  const ToolRun missing = Wbctl({"check", Path("nothing")});
  EXPECT_EQ(missing.status, 2);
  EXPECT_NE(missing.err.find("nothing"), std::string::npos);
}

}  // namespace
}  // namespace wb

namespace wb {
namespace {

// The style and the script travel in the copy and come back out as they went in; what the
// program could not use is refused by brand, and named by check in a copy that holds it.
TEST(WbctlBrand, CarriesTheStyleAndTheScript) {
  const std::string style = Path("page.css"), script = Path("page.js");
  const std::string styleText = "/* caf\xC3\xA9 */\n.app-banner { display: none }\n--!x[\n";
  const std::string scriptText = "document.documentElement.dataset.copy = '\xE2\x9C\x93';\r\n";
  WriteFile(style, styleText);
  WriteFile(script, scriptText);
  const std::string copy = Path("with-page-blocks");
  const ToolRun brand = Wbctl(
      {"brand", kProgram, copy, "--keep-links", "--style", style, "--script=" + script, "title=T"});
  ASSERT_EQ(brand.status, 0) << brand.err;
  EXPECT_EQ(BlockOf(copy), "title=T");
  const std::string styleOut = Path("style-out.css"), scriptOut = Path("script-out.js");
  ASSERT_EQ(Wbctl({"show", "--style", styleOut, copy}).status, 0);
  ASSERT_EQ(Wbctl({"show", "--script", scriptOut, copy}).status, 0);
  EXPECT_EQ(ReadFile(styleOut), styleText);
  EXPECT_EQ(ReadFile(scriptOut), scriptText);
  const ToolRun effective = Wbctl({"show", "--effective", copy});
  EXPECT_NE(effective.out.find("\nstyle=" + std::to_string(styleText.size()) + " bytes\n"),
            std::string::npos)
      << effective.out;
  EXPECT_NE(effective.out.find("\nscript=" + std::to_string(scriptText.size()) + " bytes\n"),
            std::string::npos);
  EXPECT_EQ(Wbctl({"check", copy}).out, "");

  // A copy without them says so, and writes nothing.
  const std::string plain = Path("without-page-blocks");
  ASSERT_EQ(Wbctl({"brand", kProgram, plain, "title=T"}).status, 0);
  const ToolRun none = Wbctl({"show", "--script", Path("none.js"), plain});
  EXPECT_EQ(none.status, 1);
  EXPECT_NE(none.err.find("carries no script"), std::string::npos) << none.err;
  EXPECT_FALSE(std::filesystem::exists(Path("none.js")));
  EXPECT_NE(Wbctl({"show", "--effective", "--style", Path("x.css"), plain}).status, 0);

  const struct {
    const char* what;
    std::string bytes;
    const char* message;
  } refused[] = {
      {"not UTF-8", "body { content: 'caf\xE9' }", "not valid UTF-8"},
      {"a NUL", std::string("a\0b", 3), "holds a NUL character"},
      {"too large", std::string((std::size_t{1} << 20) + 1, ' '), "larger than 1048576 bytes"},
  };
  for (const auto& r : refused) {
    const std::string bad = Path("bad.css"), out = Path("refused-copy");
    WriteFile(bad, r.bytes);
    std::filesystem::remove(out);
    for (const char* option : {"--style", "--script"}) {
      const ToolRun run = Wbctl({"brand", kProgram, out, option, bad});
      EXPECT_NE(run.status, 0) << r.what;
      EXPECT_NE(run.err.find(r.message), std::string::npos) << r.what << ": " << run.err;
      EXPECT_FALSE(std::filesystem::exists(out)) << r.what;
    }
  }

  // A damaged block in a copy: check names it, the program would run without it.
  const std::string damaged = Path("damaged-page-block");
  std::filesystem::copy_file(plain, damaged, std::filesystem::copy_options::overwrite_existing);
  {
    TFSx file(damaged, u"a");
    file.wBlock(u"WebBrowser.css", u"this is no Base64!");
  }
  const ToolRun check = Wbctl({"check", damaged});
  EXPECT_EQ(check.status, 1);
  EXPECT_EQ(check.out, "WebBrowser.css: is not Base64; the copy's pages run without it\n");
}

}  // namespace
}  // namespace wb

namespace wb {
namespace {

// The program reads a configuration only up to its first NUL character, so a NUL would drop
// every line after it without a word: check names where it stands, in a text file and in a
// copy's block, and fails.
TEST(WbctlCheck, ANulIsAFindingThatNamesWhereItStands) {
  using namespace std::string_literals;
  const std::string rest = "; the program reads nothing from there on, so the rest is ignored\n";
  const struct {
    const char* what;
    std::string block;
    std::string findings;
  } cases[] = {
      {"at the start of a line", "title=T\r\n\0go=http://x.example/\r\n"s,
       "line 2: a NUL character at position 1" + rest},
      {"inside a value", "title=T\nwidth=80\0 0\ngo=http://x.example/\n"s,
       "line 2: a NUL character at position 9" + rest},
      {"after lone CRs", "title=T\r\rgo=\0x\n"s, "line 3: a NUL character at position 4" + rest},
  };
  // An executable without a block of its own, so that the block appended to it is the one
  // the program reads.
  const std::string bare = Path("check-nul-bare");
  {
    const auto imageEnd = ElfImageEnd(kProgram);
    ASSERT_TRUE(imageEnd.has_value());
    WriteFile(bare, ReadFile(kProgram).substr(0, static_cast<std::size_t>(*imageEnd)));
  }
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string file = Path("check-nul" + std::to_string(++n) + ".txt");
    WriteFile(file, c.block);
    const ToolRun plain = Wbctl({"check", file});
    EXPECT_EQ(plain.out, c.findings);
    EXPECT_EQ(plain.status, 1) << plain.err;

    const std::string copy = Path("check-nul-copy" + std::to_string(n));
    std::filesystem::copy_file(bare, copy, std::filesystem::copy_options::overwrite_existing);
    {
      TFSx out(copy, u"a");
      out.wBlock(u"WebBrowser", FromAnsi(c.block));
    }
    ASSERT_EQ(BlockOf(copy), c.block);
    const ToolRun inCopy = Wbctl({"check", copy});
    EXPECT_EQ(inCopy.out, c.findings);
    EXPECT_EQ(inCopy.status, 1) << inCopy.err;
  }
}

// The icon block and the script block, damaged: each is a finding in a sentence of its own.
TEST(WbctlCheck, NamesADamagedIconBlockAndAnUnreadableScript) {
  const std::string plain = Path("check-blocks-plain");
  ASSERT_EQ(Wbctl({"brand", kProgram, plain, "title=T"}).status, 0);
  const struct {
    const char* what;
    const char16_t* name;
    std::string content;
    std::string findingStart;
  } cases[] = {
      {"an icon that is no Base64", u"WebBrowser.icon", "this is no Base64!",
       "WebBrowser.icon: is not Base64; the copy shows the program's own icon\n"},
      {"an icon that is no picture", u"WebBrowser.icon",
       "aGVsbG8=", "WebBrowser.icon: holds no picture the program can show ("},
      {"a script far above its limit", u"WebBrowser.js", std::string(1600000, 'A'),
       "WebBrowser.js: cannot be read ("},
  };
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string copy = Path("check-blocks" + std::to_string(++n));
    std::filesystem::copy_file(plain, copy, std::filesystem::copy_options::overwrite_existing);
    {
      TFSx file(copy, u"a");
      file.wBlock(c.name, FromAnsi(c.content));
    }
    const ToolRun check = Wbctl({"check", copy});
    EXPECT_EQ(check.status, 1) << check.err;
    EXPECT_EQ(check.out.rfind(c.findingStart, 0), 0u) << check.out;
    EXPECT_EQ(check.out.find(": is cannot"), std::string::npos) << check.out;
    EXPECT_EQ(std::count(check.out.begin(), check.out.end(), '\n'), 1) << check.out;
  }
}

}  // namespace
}  // namespace wb
