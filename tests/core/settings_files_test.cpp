// The two settings file formats on their own: what a lenient read makes of a file, and that a
// change rewrites only its own line.
#include <gtest/gtest.h>

#include "storage/ini_file.h"
#include "storage/registry_file.h"
#include "storage/settings_store.h"
#include "storage/text_lines.h"
#include "tests/core/settings_test_env.h"

namespace wb {
namespace {

using wbtest::SettingsTest;

TEST(SettingsNames, CompareWithoutRegardToCase) {
  struct Case {
    std::string a, b;
    bool equal;
  };
  const Case cases[] = {
      {"Name", "nAME", true},
      {"name", "names", false},
      {"a-b", "a_b", false},
      {"\xC3\x84pfel", "\xC3\xA4PFEL", true},  // Latin-1 letters
      {"\xC3\x84X", "\xC3\xA4Y", false},
      {"\xE2\x84\xAA", "k", true},                     // the Kelvin sign lower-cases to "k"
      {"\xD0\x96\xD0\x96", "\xD0\xB6\xD0\xB6", true},  // Cyrillic
      {"", "", true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(EqualIgnoringCaseUtf8(c.a, c.b), c.equal) << c.a << " / " << c.b;
    EXPECT_EQ(EqualIgnoringCase(FromUtf8(c.a), FromUtf8(c.b)), c.equal) << c.a << " / " << c.b;
  }
}

TEST(IniDocument, ReadsWithProfileFileSemantics) {
  const IniDocument doc(
      "top=before any section\r\n"
      "  [ Sec ]  trailing text\r\n"
      "  Name  =  value  \r\n"
      ";comment=x\r\n"
      "=empty name\r\n"
      "dq=\"  quoted  \"\r\n"
      "sq='x'\r\n"
      "half=\"x'\r\n"
      "eq=a=b\r\n"
      "name=second\r\n"
      "no equals sign\r\n"
      "[sec]\r\n"
      "other=in the second Sec\r\n"
      "[\xC3\x84pfel]\n"
      "\xC3\xBC=umlaut\n");
  struct Case {
    Text section, name;
    std::optional<Text> value;
  };
  const Case cases[] = {
      {u"Sec", u"Name", u"value"},
      {u"SEC", u"name", u"value"},       // case-insensitive; the first entry wins
      {u" sec ", u"\tname ", u"value"},  // blanks around names are not part of them
      {u"Sec", u"", u"empty name"},
      {u"Sec", u";comment", std::nullopt},
      {u"Sec", u"dq", u"  quoted  "},  // one pair of enclosing quotes goes
      {u"Sec", u"sq", u"x"},
      {u"Sec", u"half", u"\"x'"},
      {u"Sec", u"eq", u"a=b"},
      {u"Sec", u"other", std::nullopt},  // only the first section with the name counts
      {u"Sec", u"top", std::nullopt},
      {u"Sec", u"no equals sign", std::nullopt},
      {u"\u00E4PFEL", u"\u00DC", u"umlaut"},
      {u"Missing", u"Name", std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(doc.Read(c.section, c.name), c.value) << ToUtf8(c.section) << "/" << ToUtf8(c.name);
  }
}

TEST(IniDocument, AWriteChangesOnlyItsOwnLine) {
  const std::string original =
      "; settings\r\n"
      "[One]\r\n"
      "  Alpha = 1  \r\n"
      "beta=2\r\n"
      "\r\n"
      "[Two]\r\n"
      "gamma=3";  // no line end at the end of the file
  struct Case {
    Text section, name, value;
    std::string expected;
  };
  const Case cases[] = {
      {u"one", u"ALPHA", u"new",
       "; settings\r\n[One]\r\nAlpha=new\r\nbeta=2\r\n\r\n[Two]\r\ngamma=3"},
      {u"One", u"delta", u"4",
       "; settings\r\n[One]\r\n  Alpha = 1  \r\nbeta=2\r\ndelta=4\r\n\r\n[Two]\r\ngamma=3"},
      {u"Two", u"delta", u"4",
       "; settings\r\n[One]\r\n  Alpha = 1  \r\nbeta=2\r\n\r\n[Two]\r\ngamma=3\r\ndelta=4\r\n"},
      {u"Three", u"", u"id",
       "; settings\r\n[One]\r\n  Alpha = 1  "
       "\r\nbeta=2\r\n\r\n[Two]\r\ngamma=3\r\n[Three]\r\n=id\r\n"},
  };
  for (const auto& c : cases) {
    IniDocument doc(original);
    doc.Write(c.section, c.name, c.value);
    EXPECT_EQ(doc.Bytes(), c.expected) << ToUtf8(c.name);
  }
  IniDocument bom("\xEF\xBB\xBF[S]\na=1\n");
  bom.Write(u"S", u"a", u"2");
  EXPECT_EQ(bom.Bytes(), "\xEF\xBB\xBF[S]\na=2\n");
}

TEST(IniDocument, ValuesComeBackAsWritten) {
  const Text values[] = {u"",
                         u"plain",
                         u"  leading",
                         u"trailing\t",
                         u"\"quoted\"",
                         u"'single'",
                         u"\"half",
                         u"a=b;c",
                         u"\u00FC\u20AC\U0001F600",
                         u"tab\tinside",
                         u"\"",
                         u" \" "};
  for (const auto& value : values) {
    IniDocument doc;
    ASSERT_EQ(IniDocument::CheckWritable(u"S", u"name", value), "");
    doc.Write(u"S", u"name", value);
    EXPECT_EQ(IniDocument(doc.Bytes()).Read(u"S", u"name"), value) << ToUtf8(value);
  }
}

TEST(IniDocument, RefusesWhatWouldNotReadBack) {
  struct Case {
    Text section, name, value;
    bool writable;
  };
  const Case cases[] = {
      {u"S", u"n", u"v", true},     {u"S", u"", u"v", true},      {u"S\\T", u"n v", u"[x]", true},
      {u"S", u"n", u"a\nb", false}, {u"S", u"n", u"a\rb", false}, {u"S\n", u"n", u"v", false},
      {u"S]", u"n", u"v", false},   {u"S", u"a=b", u"v", false},  {u"S", u" [n", u"v", false},
      {u"S", u";n", u"v", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IniDocument::CheckWritable(c.section, c.name, c.value).empty(), c.writable)
        << ToUtf8(c.section) << "/" << ToUtf8(c.name) << "/" << ToUtf8(c.value);
  }
}

TEST(RegistryDocument, NamesAndValuesComeBackAsWritten) {
  const Text names[] = {u"", u"@", u"Name with \"quotes\" and \\", u"\u00C4"};
  const Text values[] = {u"",
                         u"a\"b",
                         u"back\\slash\\",
                         u"line\nbreak\n",
                         u"cr\r\nlf",
                         u"[x]",
                         u"\u00FC\U0001F600",
                         u"=",
                         Text(100, u'\n')};
  const RegistryKeyPath key = SplitRegistryKey(u"\\Software\\Morvane\\A [b]\\C");
  for (const auto& name : names) {
    for (const auto& value : values) {
      RegistryDocument doc;
      ASSERT_EQ(CheckRegistryNames(key, name), "");
      doc.SetText(key, name, value);
      RegistryDocument again(doc.Bytes());
      auto read = again.Value(key, name);
      ASSERT_TRUE(read) << doc.Bytes();
      EXPECT_EQ(read->kind, RegistryValueKind::Text);
      EXPECT_EQ(read->text, value) << doc.Bytes();
      EXPECT_EQ(again.DamagedLines(), 0u) << doc.Bytes();
    }
  }
}

TEST(RegistryDocument, ReadsExportFilesLeniently) {
  const RegistryDocument doc(
      "REGEDIT4\n"
      "\n"
      "[HKEY_LOCAL_MACHINE\\Software\\Morvane]\n"
      "\"foreign\"=\"not ours\"\n"
      "[HKEY_CURRENT_USER\\Software\\Morvane]\n"
      "@=\"default\"\n"
      "\"Later\"=\"first\"\n"
      "\"expand\"=hex(2):25,00,41,00,\\\n"
      "  25,00,00,00\n"
      "  [hkey_current_user\\SOFTWARE\\morvane]  \n"
      "\"later\"=\"second\"\n"
      "\"dword\"=dword:0000002a\n"
      "; a comment\n");
  const RegistryKeyPath key = SplitRegistryKey(u"Software\\Morvane");
  EXPECT_EQ(doc.Value(key, u"")->text, u"default");
  EXPECT_EQ(doc.Value(key, u"LATER")->text, u"second");  // the later line wins
  EXPECT_EQ(doc.Value(key, u"expand")->kind, RegistryValueKind::ExpandableText);
  EXPECT_EQ(doc.Value(key, u"expand")->text, u"%A%");
  EXPECT_EQ(doc.Value(key, u"dword")->kind, RegistryValueKind::Other);
  EXPECT_FALSE(doc.Value(key, u"foreign"));
  EXPECT_TRUE(doc.KeyExists(SplitRegistryKey(u"software")));
  EXPECT_FALSE(doc.KeyExists(SplitRegistryKey(u"Software\\Other")));
  EXPECT_EQ(doc.DamagedLines(), 0u);

  // The registry editor writes UTF-16 with a byte-order mark.
  const std::u16string utf16 =
      u"\uFEFFWindows Registry Editor Version 5.00\r\n\r\n"
      u"[HKEY_CURRENT_USER\\K]\r\n\"n\"=\"\u00E9t\u00E9\"\r\n";
  std::string bytes;
  for (char16_t c : utf16) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>(c >> 8);
  }
  EXPECT_EQ(RegistryDocument(bytes).Value(SplitRegistryKey(u"K"), u"N")->text, u"\u00E9t\u00E9");
}

TEST(RegistryDocument, AWriteChangesOnlyItsOwnLines) {
  const std::string original =
      "Windows Registry Editor Version 5.00\r\n"
      "\r\n"
      "[HKEY_CURRENT_USER\\Software\\Morvane\\A]\r\n"
      "\"x\"=\"1\"\r\n"
      "\"odd\"=dword:1\r\n"
      "\r\n"
      "[HKEY_CURRENT_USER\\Software\\Morvane\\A\\Sub]\r\n"
      "\"y\"=\"2\"\r\n";
  const RegistryKeyPath a = SplitRegistryKey(u"Software\\Morvane\\A");
  RegistryDocument doc(original);
  doc.SetText(a, u"X", u"one");
  doc.SetText(a, u"new", u"n");
  EXPECT_EQ(doc.Bytes(),
            "Windows Registry Editor Version 5.00\r\n\r\n"
            "[HKEY_CURRENT_USER\\Software\\Morvane\\A]\r\n"
            "\"x\"=\"one\"\r\n\"odd\"=dword:1\r\n\"new\"=\"n\"\r\n\r\n"
            "[HKEY_CURRENT_USER\\Software\\Morvane\\A\\Sub]\r\n\"y\"=\"2\"\r\n");
  doc.SetText(SplitRegistryKey(u"B"), u"", u"b");
  EXPECT_TRUE(doc.Bytes().ends_with("\"y\"=\"2\"\r\n\r\n[HKEY_CURRENT_USER\\B]\r\n@=\"b\"\r\n"));
  EXPECT_TRUE(doc.DeleteKey(a));
  EXPECT_EQ(doc.Bytes(),
            "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\B]\r\n@=\"b\"\r\n");
}

// Damage that a file may carry: each case sits between two good keys of a file.
struct Damage {
  const char* what;
  std::string registryLines;
  std::string iniLines;
};

std::vector<Damage> Damages() {
  std::string garbage;
  for (int i = 0; i < 512; ++i) garbage += static_cast<char>((i * 7919 + 13) % 256);
  return {
      {"binary garbage", garbage + "\n", garbage + "\n"},
      {"an overlong line", std::string(1 << 18, 'x') + "\n", std::string(1 << 18, '=') + "\n"},
      {"a missing closing bracket", "[HKEY_CURRENT_USER\\Software\\Morvane\\K\n\"lost\"=\"v\"\n",
       "[K\nlost=v\n"},
      {"a missing closing quote", "\"lost=\"v\n\"lost\"=\"v\n", "\"lost=v\n"},
      {"bad hex data", "\"lost\"=hex(1):4x,00\n\"cut\"=hex(1):41,00,\\\n", "lost\n"},
      {"a NUL byte", std::string("\"lost\0\"=\"v\"\n", 12), std::string("lo\0st\n", 6)},
  };
}

class DamagedFiles : public SettingsTest {};

TEST_F(DamagedFiles, KeepWhatCanBeReadAndTheDamageThroughWrites) {
  for (const auto& damage : Damages()) {
    SCOPED_TRACE(damage.what);
    for (int portable : {0, 1}) {
      SCOPED_TRACE(portable);
      Process().portable = portable;
      Process().dataFolder = Process().programFolder;
      const std::string path = portable ? IniPath() : HivePath();
      const std::string content =
          portable ? "[K]\nbefore=1\n" + damage.iniLines + "[K2]\nafter=2\n"
                   : "Windows Registry Editor Version 5.00\n\n"
                     "[HKEY_CURRENT_USER\\Software\\Morvane\\K]\n\"before\"=\"1\"\n" +
                         damage.registryLines +
                         "[HKEY_CURRENT_USER\\Software\\Morvane\\K2]\n\"after\"=\"2\"\n";
      Put(path, content);
      EXPECT_EQ(ReadVar(u"K", u"before", u"d"), u"1");
      EXPECT_EQ(ReadVar(u"K2", u"after", u"d"), u"2");
      EXPECT_EQ(ReadVar(u"K", u"lost", u"d"), u"d");
      EXPECT_TRUE(WriteVar(u"K", u"new", u"3"));
      EXPECT_TRUE(WriteVar(u"K2", u"after", u"4"));
      EXPECT_TRUE(WriteVar(u"K3", u"more", u"5"));
      EXPECT_EQ(ReadVar(u"K", u"before", u"d"), u"1");
      EXPECT_EQ(ReadVar(u"K", u"new", u"d"), u"3");
      EXPECT_EQ(ReadVar(u"K2", u"after", u"d"), u"4");
      EXPECT_EQ(ReadVar(u"K3", u"more", u"d"), u"5");
      const std::string after = Contents(path);
      EXPECT_NE(after.find(portable ? damage.iniLines : damage.registryLines), std::string::npos);
      std::remove(path.c_str());
    }
  }
}

}  // namespace
}  // namespace wb
