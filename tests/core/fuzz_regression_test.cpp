// Inputs that broke a parser, found by the fuzz targets (fuzz/) and the load figures of
// bench/config_load_bench.cpp, each kept as a test so that the fault cannot come back.
#include <gtest/gtest.h>
#include <string>

#include "storage/ini_file.h"
#include "storage/registry_file.h"
#include "storage/settings_store.h"
#include "storage/value_list.h"

namespace wb {
namespace {

struct HiveCase {
  const char* what;
  std::string before;  // the hive file as found
  RegistryKeyPath key;
  Text name;
  Text value;
};

// A value written into a hive must read back from the bytes written, whatever the rest of the
// file holds. Each row is a file the fuzzer found where it did not.
TEST(FuzzRegression, RegistryWritesReadBackFromTheFile) {
  const HiveCase cases[] = {
      {"a continued value line cut short, then a blank line: the key after it was swallowed",
       "[HKEY_CURRENT_USER\\A]\n\"x\"=hex(1):41,\\\n\n",
       {},
       u"",
       u"root value"},
      {"a continued value line cut short at the end of the file: the next value was swallowed",
       "[HKEY_CURRENT_USER\\A]\n\"x\"=hex(1):41,00,\\\n",
       {u"A"},
       u"y",
       u"1"},
      {"a value name holding \"=\" with a multi-line value: the continuation was not joined",
       "",
       {u"K"},
       u"re\\Mo=va\\",
       u"\"1\xFFFD\xFFFD\x04\"\n[HKEY_LO and more than a line of text"},
  };
  for (const auto& c : cases) {
    RegistryDocument doc(c.before);
    doc.SetText(c.key, c.name, c.value);
    const RegistryDocument reread(doc.Bytes());
    const auto v = reread.Value(c.key, c.name);
    ASSERT_TRUE(v.has_value()) << c.what;
    EXPECT_EQ(v->text, c.value) << c.what;
  }
}

// A UTF-16 settings file that starts with a second byte-order mark. It is written back as
// UTF-8, where that second mark read as the mark itself, so the first line changed meaning
// between the write and the next read: here a section appeared and its old value won.
TEST(FuzzRegression, Utf16FileWithADoubledByteOrderMark) {
  const std::string ini("\xFF\xFE\xFF\xFE[\0s\0]\0\n\0a\0=\0b\0", 18);
  IniDocument doc(ini);
  doc.Write(u"s", u"a", u"");
  EXPECT_EQ(doc.Read(u"s", u"a"), Text());
  EXPECT_EQ(IniDocument(doc.Bytes()).Read(u"s", u"a"), Text());

  const std::string hive(
      "\xFF\xFE\xFF\xFE[\0H\0K\0E\0Y\0_\0C\0U\0R\0R\0E\0N\0T\0_\0U\0S\0E\0R\0]\0\n\0@\0="
      "\0\"\0b\0\"\0",
      54);
  RegistryDocument reg(hive);
  reg.SetText({}, u"", u"c");
  EXPECT_EQ(RegistryDocument(reg.Bytes()).Value({}, u"")->text, u"c");
}

// A registry text ends at its first NUL. The document kept the whole value in memory while the
// file held only the part before the NUL, and WriteVar reported success for a value it could not
// hold.
TEST(FuzzRegression, RegistryValueWithNul) {
  RegistryDocument doc;
  const Text value(u"ab\0cd", 5);
  doc.SetText({u"K"}, u"n", value);
  EXPECT_EQ(doc.Value({u"K"}, u"n")->text, u"ab");
  EXPECT_EQ(RegistryDocument(doc.Bytes()).Value({u"K"}, u"n")->text, u"ab");

  EXPECT_FALSE(WriteVar(u"FuzzRegression", u"n", value));
  EXPECT_EQ(ReadVar(u"FuzzRegression", u"n", u"default"), u"default");
}

// A configuration block of many distinct names: every line searched the whole list, so a
// block of a million lines kept the window from starting for an hour. The merge must still
// give each name its last value, in first-seen order, with deleted names gone.
TEST(LoadRegression, MergeOfManyDistinctNames) {
  constexpr int kNames = 100000;
  Text text;
  for (int i = 0; i < kNames; ++i) text += u"Name" + Ascii(std::to_string(i)) + u"=v\r\n";
  for (int i = 0; i < kNames; i += 3) text += u"NAME" + Ascii(std::to_string(i)) + u"=\r\n";
  for (int i = 1; i < kNames; i += 3) text += u"name" + Ascii(std::to_string(i)) + u"=w\r\n";
  text += u"Name0=back\r\n";
  ValueList list = {u"kept=1"};
  TextToValues(text, list);
  ASSERT_EQ(list.size(), 1 + kNames - (kNames + 2) / 3 + 1);
  EXPECT_EQ(list.front(), u"kept=1");
  EXPECT_EQ(list[1], u"name1=w");
  EXPECT_EQ(list[2], u"Name2=v");
  EXPECT_EQ(list.back(), u"Name0=back");
  EXPECT_EQ(ValueOf(list, u"NAME3"), u"");
  EXPECT_EQ(ValueOf(list, u"name99997"), u"w");
}

}  // namespace
}  // namespace wb
