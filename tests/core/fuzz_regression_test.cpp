// Inputs the fuzz targets (fuzz/) found that broke a parser, each kept as a test so that the
// fault cannot come back. The inputs are the fuzzer's, reduced to what triggers the fault.
#include <gtest/gtest.h>
#include <string>

#include "storage/registry_file.h"
#include "storage/settings_store.h"

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

}  // namespace
}  // namespace wb
