#include "storage/settings_store.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <regex>
#include <set>

#include "storage/ini_file.h"
#include "storage/registry_file.h"
#include "tests/core/settings_test_env.h"

namespace wb {
namespace {

using wbtest::SettingsTest;

std::optional<Text> HiveValue(const std::string& hive, const Text& key, const Text& name) {
  auto bytes = ReadWholeFile(hive);
  if (!bytes) return std::nullopt;
  auto value = RegistryDocument(*bytes).Value(SplitRegistryKey(key), name);
  if (!value) return std::nullopt;
  return value->text;
}

std::optional<Text> IniValue(const std::string& path, const Text& section, const Text& name) {
  auto bytes = ReadWholeFile(path);
  if (!bytes) return std::nullopt;
  return IniDocument(*bytes).Read(section, name);
}

ino_t Inode(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

class SettingsStore : public SettingsTest {
 protected:
  void Portable(int mode) {
    Process().portable = mode;
    // The set-up makes the program folder the data folder in portable operation.
    Process().dataFolder =
        mode > 0 ? Process().programFolder : FromUtf8(root_ + "/data/WebBrowser/");
  }
};

TEST_F(SettingsStore, KeyMarkersAndThePrefixAddressRegistryKeysAndSections) {
  struct Case {
    Text key;
    Text registryKey;
    Text section;
    Text title = u"WebBrowser";  // the application's title
  };
  const Case cases[] = {
      {u"#t\\Setup", u"\\Software\\Morvane\\WebBrowser\\Setup", u"WebBrowser\\Setup"},
      {u"#v", u"\\Software\\Morvane\\WebBrowser\\Var", u"WebBrowser\\Var"},
      {u"#n", u"\\Software\\Morvane\\my.app", u"my.app"},
      {u"#t\\#n\\#v#t", u"\\Software\\Morvane\\WebBrowser\\my.app\\WebBrowser\\VarWebBrowser",
       u"WebBrowser\\my.app\\WebBrowser\\VarWebBrowser"},
      {u"#T\\#N", u"\\Software\\Morvane\\#T\\#N", u"#T\\#N"},  // markers are case-sensitive
      {u"\\Other\\Key", u"\\Other\\Key", u"\\Other\\Key"},     // a full path is not prefixed
      {u"", u"\\Software\\Morvane\\", u"my.app"},  // the empty section is the executable's name
      // Before the program names itself the title is the executable's name, as for folders.
      {u"#t\\Setup", u"\\Software\\Morvane\\my.app\\Setup", u"my.app\\Setup", u""},
      {u"#v", u"\\Software\\Morvane\\my.app\\Var", u"my.app\\Var", u""},
  };
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(ToUtf8(c.key) + " with the title \"" + ToUtf8(c.title) + "\"");
    const Text value = u"value " + Ascii(std::to_string(++n));
    Process().applicationTitle = c.title;
    Portable(0);
    ASSERT_TRUE(WriteVar(c.key, u"v", value));
    EXPECT_EQ(HiveValue(HivePath(), c.registryKey, u"v"), value);
    EXPECT_EQ(ReadVar(c.key, u"v", u"def"), value);
    Portable(1);
    ASSERT_TRUE(WriteVar(c.key, u"v", value + u" ini"));
    EXPECT_EQ(IniValue(IniPath(), c.section, u"v"), value + u" ini");
    EXPECT_EQ(ReadVar(c.key, u"v", u"def"), value + u" ini");
  }
}

TEST_F(SettingsStore, OnlyPortableModeOneSendsTheCurrentUserToTheSettingsFile) {
  struct Case {
    int portable;
    RegistryRoot root;
    bool written;
    bool inSettingsFile;
  };
  const Case cases[] = {
      {-1, RegistryRoot::HKEY_CURRENT_USER, true, false},
      {0, RegistryRoot::HKEY_CURRENT_USER, true, false},
      {1, RegistryRoot::HKEY_CURRENT_USER, true, true},
      {2, RegistryRoot::HKEY_CURRENT_USER, true, false},
      {0, RegistryRoot::HKEY_LOCAL_MACHINE, false, false},
      {1, RegistryRoot::HKEY_LOCAL_MACHINE, false, false},
      {2, RegistryRoot::HKEY_USERS, false, false},
      {1, RegistryRoot::HKEY_CLASSES_ROOT, false, false},
  };
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message()
                 << "portable " << c.portable << " root " << static_cast<int>(c.root));
    Portable(c.portable);
    const Text name = u"n" + Ascii(std::to_string(++n));
    EXPECT_EQ(WriteVar(u"K", name, u"x", c.root), c.written);
    EXPECT_EQ(ReadVar(u"K", name, u"def", c.root), c.written ? u"x" : u"def");
    EXPECT_EQ(HiveValue(HivePath(), u"Software\\Morvane\\K", name).has_value(),
              c.written && !c.inSettingsFile);
    EXPECT_EQ(IniValue(ToUtf8(Process().dataFolder) + "my.app.ini", u"K", name).has_value(),
              c.inSettingsFile);
    EXPECT_EQ(DeleteVar(u"K", name, c.root), c.written);
  }
  // A value stored for the current user is not visible through another root.
  Portable(0);
  ASSERT_TRUE(WriteVar(u"K", u"shared", u"x"));
  EXPECT_EQ(ReadVar(u"K", u"shared", u"def", RegistryRoot::HKEY_LOCAL_MACHINE), u"def");
}

TEST_F(SettingsStore, EmptyValuesReadAsTheDefaultOnlyInTheRegistry) {
  Put(HivePath(),
      "Windows Registry Editor Version 5.00\r\n\r\n"
      "[HKEY_CURRENT_USER\\Software\\Morvane\\K]\r\n"
      "\"empty\"=\"\"\r\n"
      "\"number\"=dword:00000001\r\n"
      "\"binary\"=hex:01,02\r\n"
      "\"expand\"=hex(2):25,00,50,00,41,00,54,00,48,00,25,00,00,00\r\n"
      "\"text\"=\"t\"\r\n");
  Put(root_ + "/prog/my.app.ini", "[K]\nempty=\ntext=t\n");
  struct Case {
    int portable;
    Text name;
    Text expected;
  };
  const Case cases[] = {
      {0, u"empty", u"d"},       {0, u"number", u"d"},  {0, u"binary", u"d"},
      {0, u"expand", u"%PATH%"},  // expandable text is returned without expanding it
      {0, u"text", u"t"},        {0, u"missing", u"d"}, {1, u"empty", u""},
      {1, u"text", u"t"},        {1, u"missing", u"d"},
  };
  for (const auto& c : cases) {
    Portable(c.portable);
    EXPECT_EQ(ReadVar(u"K", c.name, u"d"), c.expected) << c.portable << " " << ToUtf8(c.name);
  }
}

TEST_F(SettingsStore, WritingTheStoredValueWritesNothing) {
  for (int portable : {0, 1}) {
    SCOPED_TRACE(portable);
    Portable(portable);
    const std::string path = portable ? IniPath() : HivePath();
    // Empty text for a missing variable creates nothing, not even the file.
    EXPECT_TRUE(WriteVar(u"K", u"a", u""));
    EXPECT_EQ(Contents(path), "<missing>");

    ASSERT_TRUE(WriteVar(u"K", u"a", u"x"));
    const std::string before = Contents(path);
    const ino_t inode = Inode(path);
    EXPECT_TRUE(WriteVar(u"K", u"a", u"x"));
    EXPECT_TRUE(WriteVar(u"K", u"other", u""));
    EXPECT_EQ(Inode(path), inode);  // every write replaces the file, so nothing was written
    EXPECT_EQ(Contents(path), before);

    EXPECT_TRUE(WriteVar(u"K", u"a", u"X"));  // the comparison is case-sensitive
    EXPECT_NE(Inode(path), inode);
    EXPECT_EQ(ReadVar(u"K", u"a"), u"X");
  }
}

TEST_F(SettingsStore, DeletingARegistryKeyRemovesItsSubkeys) {
  ASSERT_TRUE(WriteVar(u"A\\B\\C", u"v", u"1"));
  ASSERT_TRUE(WriteVar(u"A\\D", u"v", u"2"));
  ASSERT_TRUE(WriteVar(u"A", u"v", u"3"));
  ASSERT_TRUE(WriteVar(u"AB", u"v", u"4"));  // a sibling whose name starts like the key
  ASSERT_TRUE(WriteVar(u"a\\b", u"w", u"5"));

  EXPECT_TRUE(DeleteVar(u"a", u""));  // key names compare without regard to case
  for (const Text key : {u"A\\B\\C", u"A\\D", u"A", u"a\\b"}) {
    EXPECT_EQ(ReadVar(key, u"v", u"gone"), u"gone") << ToUtf8(key);
  }
  EXPECT_EQ(ReadVar(u"AB", u"v"), u"4");
  EXPECT_FALSE(DeleteVar(u"A", u""));

  EXPECT_TRUE(DeleteVar(u"AB", u"V"));
  EXPECT_FALSE(DeleteVar(u"AB", u"v"));
  EXPECT_FALSE(DeleteVar(u"Nope", u"v"));
  EXPECT_FALSE(DeleteVar(u"\\", u""));  // the root itself cannot go
}

TEST_F(SettingsStore, DeletingFromTheSettingsFileLeavesAnEmptyEntry) {
  Portable(1);
  ASSERT_TRUE(WriteVar(u"S", u"a", u"1"));
  EXPECT_TRUE(DeleteVar(u"S", u"a"));
  EXPECT_EQ(IniValue(IniPath(), u"S", u"a"), u"");
  EXPECT_EQ(ReadVar(u"S", u"a", u"d"), u"");
  EXPECT_TRUE(DeleteVar(u"S", u""));  // does not remove the section
  EXPECT_EQ(Contents(IniPath()), "[S]\na=\n");
}

TEST_F(SettingsStore, DeletingFromAMissingHiveCreatesNothing) {
  EXPECT_FALSE(DeleteVar(u"K", u"v"));
  EXPECT_FALSE(DeleteVar(u"K", u""));
  EXPECT_EQ(Contents(HivePath()), "<missing>");
}

TEST_F(SettingsStore, InstallationIdIsCreatedOnceAndStored) {
  const std::regex form(
      "^\\{[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}\\}$");
  for (int portable : {0, 1}) {
    SCOPED_TRACE(portable);
    Portable(portable);
    const Text id = InstallationId();
    EXPECT_EQ(id.size(), 38u);
    EXPECT_TRUE(std::regex_match(ToUtf8(id), form)) << ToUtf8(id);
    EXPECT_EQ(InstallationId(), id);
    EXPECT_EQ(ReadVar(u"", u""), id);
    if (portable) {
      EXPECT_EQ(IniValue(IniPath(), u"my.app", u""), id);  // the entry with the empty name
    } else {
      EXPECT_EQ(HiveValue(HivePath(), u"Software\\Morvane", u""), id);
    }
  }
  std::set<Text> ids;
  for (int i = 0; i < 200; ++i) {
    Text guid = NewGuidText();
    EXPECT_TRUE(std::regex_match(ToUtf8(guid), form)) << ToUtf8(guid);
    ids.insert(guid);
  }
  EXPECT_EQ(ids.size(), 200u);
}

TEST_F(SettingsStore, AnIdThatCannotBeStoredIsNewOnEveryCall) {
  Put(root_ + "/config/Morvane", "a file where the folder should be");
  const Text first = InstallationId();
  EXPECT_EQ(first.size(), 38u);
  EXPECT_NE(InstallationId(), first);
}

TEST_F(SettingsStore, RegistryFailuresGiveTheDefaultOrFalseAndNeverRaise) {
  Put(root_ + "/config/Morvane", "a file where the folder should be");
  EXPECT_FALSE(WriteVar(u"K", u"v", u"x"));
  EXPECT_EQ(ReadVar(u"K", u"v", u"def"), u"def");
  EXPECT_FALSE(DeleteVar(u"K", u"v"));

  // Names the hive cannot hold are refused; values of any text are kept.
  Put(root_ + "/config/Morvane", "");
  std::filesystem::remove(root_ + "/config/Morvane");
  EXPECT_FALSE(WriteVar(u"K", u"line\nbreak", u"x"));
  EXPECT_FALSE(WriteVar(Text(256, u'k'), u"v", u"x"));
  EXPECT_TRUE(WriteVar(Text(255, u'k'), u"v", u"x"));
  const Text multiLine = u"first\r\nsecond\nthird \"quoted\" \\ back";
  EXPECT_TRUE(WriteVar(u"K", u"v", multiLine));
  EXPECT_EQ(ReadVar(u"K", u"v"), multiLine);
}

TEST_F(SettingsStore, ARefusedSettingsFileWriteRaisesAnErrorNamingTheFile) {
  Portable(1);
  // The program folder is a file, so its settings file cannot be created.
  Process().programFolder = Process().dataFolder = FromUtf8(root_ + "/prog/my.app.bin/");
  Put(root_ + "/prog/my.app.bin", "the executable");
  const std::string path = root_ + "/prog/my.app.bin/my.app.ini";
  for (auto write : {+[] { return WriteVar(u"K", u"v", u"x"); },
                     +[] { return IniWriteVar(u"K", u"v", Text(u"x")); }}) {
    try {
      write();
      ADD_FAILURE() << "no error";
    } catch (const SettingsFileError& e) {
      EXPECT_EQ(e.path(), path);
      EXPECT_NE(std::string(e.what()).find("\"" + path + "\""), std::string::npos) << e.what();
    }
  }
  EXPECT_EQ(ReadVar(u"K", u"v", u"def"), u"def");
  EXPECT_TRUE(DeleteVar(u"K", u"v"));  // empty text is already what a missing entry holds
}

TEST_F(SettingsStore, EntriesTheSettingsFileCannotHoldAreRefused) {
  Portable(1);
  ASSERT_TRUE(WriteVar(u"K", u"v", u"kept"));
  const std::string before = Contents(IniPath());
  for (auto [section, name, value] :
       {std::tuple{u"K", u"v", u"two\nlines"}, std::tuple{u"K", u"a=b", u"x"},
        std::tuple{u"K]", u"v", u"x"}, std::tuple{u"K", u"[v", u"x"}}) {
    EXPECT_THROW((void)IniWriteVar(section, name, Text(value)), SettingsFileError) << ToUtf8(name);
  }
  EXPECT_EQ(Contents(IniPath()), before);
}

TEST_F(SettingsStore, IniWritesCreateTheFolderAndReadsAreCut) {
  const Text folder = FromUtf8(root_ + "/not/yet/there/");
  const Text longValue = Text(2040, u'a') + u"bcdefghijk";
  ASSERT_TRUE(IniWriteVar(u"", u"long", longValue, u"x.ini", folder));
  EXPECT_EQ(IniReadVar(u"my.app", u"long", u"", u"x.ini", folder), longValue.substr(0, 2047));
  // Plain literals pick the right kind of value.
  ASSERT_TRUE(IniWriteVar(u"S", u"number", -42, u"x.ini", folder));
  ASSERT_TRUE(IniWriteVar(u"S", u"null", u"x", u"x.ini", folder));
  ASSERT_TRUE(IniWriteVar(u"S", u"null", VarValue{}, u"x.ini", folder));
  EXPECT_EQ(IniReadVar(u"S", u"number", u"", u"x.ini", folder), u"-42");
  EXPECT_EQ(IniReadVar(u"S", u"null", u"def", u"x.ini", folder), u"");
  EXPECT_EQ(IniReadVar(u"S", u"missing", u"def", u"x.ini", folder), u"def");
  EXPECT_EQ(IniReadVar(u"S", u"number", u"def", u"other.ini", folder), u"def");
  // The registry keeps the whole value.
  ASSERT_TRUE(WriteVar(u"K", u"long", longValue));
  EXPECT_EQ(ReadVar(u"K", u"long"), longValue);
}

TEST(VarToText, ConvertsEveryKindOfValue) {
  const std::pair<VarValue, Text> cases[] = {
      {VarValue{}, u""},
      {Text(u"text"), u"text"},
      {std::int64_t{-9000000000}, u"-9000000000"},
      {true, u"True"},
      {false, u"False"},
      {1.5, u"1.5"},
      {0.1, u"0.1"},
      {-2.0, u"-2"},
      {1e20, u"1E20"},
      {1.5e-6, u"1.5E-6"},
      {123456789012345678.0, u"1.23456789012346E17"},
      {std::numeric_limits<double>::quiet_NaN(), u"NAN"},
      {-std::numeric_limits<double>::infinity(), u"-INF"},
  };
  for (const auto& [value, text] : cases) EXPECT_EQ(VarToText(value), text) << ToUtf8(text);
}

}  // namespace
}  // namespace wb
