#include "storage/expand_path.h"

#include <gtest/gtest.h>

#include <string_view>

#include "storage/process_values.h"

namespace wb {
namespace {

struct ExpandCase {
  Text name;
  Text folder;
  Text expected;
};

ProcessValues WindowsValues() {
  ProcessValues v;
  v.executablePath = u"D:\\Prog\\WebBrowser.exe";
  v.programFolder = u"D:\\Prog\\";
  v.workFolder = u"E:\\Docs\\WebBrowser\\";
  v.dataFolder = u"E:\\AppData\\WebBrowser\\";
  return v;
}

ProcessValues PosixValues() {
  ProcessValues v;
  v.executablePath = u"/prog/webbrowser";
  v.programFolder = u"/prog/";
  v.workFolder = u"/home/u/Documents/WebBrowser/";
  v.dataFolder = u"/home/u/.config/WebBrowser/";
  return v;
}

TEST(ExpandPath, WindowsStyleDocumentedExamples) {
  const ExpandCase cases[] = {
      // The settings file in the work, program and data folder.
      {u".ini", u"", u"E:\\Docs\\WebBrowser\\WebBrowser.ini"},
      {u".ini", u"*", u"E:\\Docs\\WebBrowser\\WebBrowser.ini"},
      {u".ini", u"#p", u"D:\\Prog\\WebBrowser.ini"},
      {u".ini", u"**", u"E:\\AppData\\WebBrowser\\WebBrowser.ini"},
      {u".\\x.txt", u"#p", u"D:\\Prog\\x.txt"},
      // A folder without its final separator, and one that names a file.
      {u"sub\\a.txt", u"D:\\x\\y", u"D:\\x\\y\\sub\\a.txt"},
      {u"sub\\a.txt", u"D:\\x\\y.txt", u"D:\\x\\sub\\a.txt"},
      // Going up, never above a drive's root.
      {u"..\\..\\a.txt", u"D:\\x\\y\\z\\", u"D:\\x\\a.txt"},
      {u"..\\a.txt", u"D:\\", u"D:\\a.txt"},
      {u"..\\..\\..\\a.txt", u"D:\\x\\", u"D:\\a.txt"},
      // Drive-relative, drive and network names.
      {u"\\a.txt", u"D:\\x\\", u"D:\\a.txt"},
      {u"\\a.txt", u"\\\\srv\\share\\x\\", u"\\\\srv\\share\\a.txt"},
      {u"C:\\\\a.txt", u"D:\\x\\", u"C:\\a.txt"},
      {u"\\\\srv\\s\\a.txt", u"D:\\x\\", u"\\\\srv\\s\\a.txt"},
      {u"C:\\..\\a.txt", u"D:\\x\\", u"C:\\..\\a.txt"},
      // Folder notations inside names and folders.
      {u"*dat*log.txt", u"D:\\x\\", u"E:\\AppData\\WebBrowser\\log.txt"},
      {u"*dat*log.txt", u"", u"E:\\AppData\\WebBrowser\\log.txt"},
      {u"*path*a.txt", u"D:\\x\\", u"D:\\Prog\\a.txt"},
      {u"*doc*a.txt", u"#p", u"E:\\Docs\\WebBrowser\\a.txt"},
      {u"a.txt", u"*dat*sub", u"E:\\AppData\\WebBrowser\\sub\\a.txt"},
      {u"*DAT*a.txt", u"D:\\x\\", u"D:\\x\\*DAT*a.txt"},
      // The executable itself.
      {u"", u"", u"D:\\Prog\\WebBrowser.exe"},
      {u"", u"D:\\x\\", u"D:\\Prog\\WebBrowser.exe"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ToUtf8(ExpandPath(PathStyle::Windows, c.name, c.folder, WindowsValues())),
              ToUtf8(c.expected))
        << ToUtf8(c.name) << " in " << ToUtf8(c.folder);
  }
}

TEST(ExpandPath, PosixStyleCounterparts) {
  const ExpandCase cases[] = {
      {u".ini", u"", u"/home/u/Documents/WebBrowser/webbrowser.ini"},
      {u".ini", u"#p", u"/prog/webbrowser.ini"},
      {u".ini", u"**", u"/home/u/.config/WebBrowser/webbrowser.ini"},
      {u"./x.txt", u"#p", u"/prog/x.txt"},
      {u"sub/a.txt", u"/x/y", u"/x/y/sub/a.txt"},
      {u"sub/a.txt", u"/x/y.txt", u"/x/sub/a.txt"},
      {u"../../a.txt", u"/x/y/z/", u"/x/a.txt"},
      {u"../a.txt", u"/x/", u"/a.txt"},
      {u"../a.txt", u"/", u"/a.txt"},
      {u"../../../a.txt", u"/x/", u"/a.txt"},
      {u"../a.txt", u"rel/", u"a.txt"},
      {u"../a.txt", u"rel/sub/", u"rel/a.txt"},
      // A leading "/" is absolute; there are no drives or network names.
      {u"/a.txt", u"/x/", u"/a.txt"},
      {u"//srv/s/a.txt", u"/x/", u"//srv/s/a.txt"},
      {u"C:\\\\a.txt", u"/x/", u"/x/C:\\\\a.txt"},
      {u"a:b.txt", u"/x/", u"/x/a:b.txt"},
      {u"*dat*log.txt", u"/x/", u"/home/u/.config/WebBrowser/log.txt"},
      {u"*path*a.txt", u"/x/", u"/prog/a.txt"},
      {u"a.txt", u"*dat*sub", u"/home/u/.config/WebBrowser/sub/a.txt"},
      // A dot in a folder name before the last separator does not make it a file.
      {u"a.txt", u"/home/u/.config/x", u"/home/u/.config/x/a.txt"},
      {u"", u"", u"/prog/webbrowser"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ToUtf8(ExpandPath(PathStyle::Posix, c.name, c.folder, PosixValues())),
              ToUtf8(c.expected))
        << ToUtf8(c.name) << " in " << ToUtf8(c.folder);
  }
}

// The copy's name (settings section, "#n", socket, title before the program names itself).
TEST(NameWithoutExtension, DropsTheFolderAndTheLastExtension) {
  const struct {
    std::string_view path;
    std::string_view name;
  } cases[] = {
      {"/usr/bin/webbrowser", "webbrowser"},
      {"/opt/shop/shop.bin", "shop"},
      {"my.app.exe", "my.app"},
      {"/x/.hidden", ".hidden"},  // a leading dot starts no extension
      {"/x/.hidden.ini", ".hidden"},
      {"/x.d/plain", "plain"},  // a dot in a folder is no extension
      {"/x/name.", "name"},
      {"", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(NameWithoutExtension(c.path), c.name) << c.path;
    EXPECT_EQ(NameWithoutExtension(Ascii(c.path)), Ascii(c.name)) << c.path;
  }
}

TEST(ExpandPath, ExtensionReplacesOnlyTheLastOne) {
  ProcessValues v = PosixValues();
  v.executablePath = u"/opt/my.app/my.tool.bin";
  EXPECT_EQ(ExpandPath(PathStyle::Posix, u".ini", u"/x/", v), u"/x/my.tool.ini");
  v.executablePath = u"/opt/my.app/tool";
  EXPECT_EQ(ExpandPath(PathStyle::Posix, u".ini", u"/x/", v), u"/x/tool.ini");
}

TEST(ExpandPath, PlatformFormUsesProcessValues) {
  const ProcessValues saved = Process();
  Process() = PosixValues();
  EXPECT_EQ(ExpandPath(u".ini", u"**"), u"/home/u/.config/WebBrowser/webbrowser.ini");
  Process() = saved;
}

}  // namespace
}  // namespace wb
