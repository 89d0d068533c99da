#include "support/sendmsg.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace wb {
namespace {

std::string Utf16Le(const Text& text) {
  std::string bytes;
  for (char16_t c : text) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>(c >> 8));
  }
  return bytes;
}

TEST(CopyDataText, EndsAtTheFirstNulAndNeverReadsBeyondCbData) {
  const struct {
    const char* what;
    std::string data;
    Text text;
  } cases[] = {
      {"terminated", Utf16Le(u"url=x") + std::string(2, '\0'), u"url=x"},
      {"text after the NUL", Utf16Le(u"go=a") + std::string(2, '\0') + Utf16Le(u"zz"), u"go=a"},
      {"no NUL: every whole unit", Utf16Le(u"go=a"), u"go=a"},
      {"odd cbData: the last byte is unread", Utf16Le(u"ab") + "c", u"ab"},
      {"one byte", "a", u""},
      {"NUL first", std::string(2, '\0') + Utf16Le(u"x"), u""},
      {"surrogate pair kept", Utf16Le(u"\U0001F600"), u"\U0001F600"},
      {"a zero high byte is no NUL", std::string("\x00\x01", 2), u"\x0100"},
  };
  for (const auto& c : cases) {
    // Copy into a buffer of exactly cbData bytes, so that AddressSanitizer catches any read
    // beyond it; shift by one byte to check that an odd address is fine.
    std::vector<unsigned char> buffer(c.data.size() + 1);
    std::memcpy(buffer.data() + 1, c.data.data(), c.data.size());
    CopyDataStruct cds{0, static_cast<std::uint32_t>(c.data.size()), buffer.data() + 1};
    EXPECT_EQ(CopyDataText(cds), c.text) << c.what;
  }
  const char16_t text[] = u"url=x";
  EXPECT_EQ(CopyDataText({0, 0, text}), u"") << "cbData 0";
  EXPECT_EQ(CopyDataText({0, 12, nullptr}), u"") << "no data";
}

TEST(MessageText, EveryKindAndAResultOfOne) {
  const char ansi[] = "caf\xE9 \x80";
  const char16_t wide[] = u"wide \u00E9";
  std::uint16_t atom = GlobalAddAtom(u"Message Atom");
  ASSERT_NE(atom, 0);
  const std::string copied = Utf16Le(u"url=http://x/") + std::string(2, '\0');
  CopyDataStruct cds{7, static_cast<std::uint32_t>(copied.size()), copied.data()};

  const struct {
    const char* what;
    std::uint32_t msg;
    std::uintptr_t wParam;
    std::intptr_t lParam;
    Text text;
  } cases[] = {
      {"WM_USER+100", WM_USER + 100, 4294967295u, 0, u"4294967295"},
      {"WM_USER+100 zero", WM_USER + 100, 0, 0, u"0"},
      {"WM_USER+101", WM_USER + 101, 42, 99, u"42"},
      {"WM_USER+102 ANSI text", WM_USER + 102, reinterpret_cast<std::uintptr_t>(ansi), 0,
       u"caf\u00E9 \u20AC"},
      {"WM_USER+102 no address", WM_USER + 102, 0, 0, u""},
      {"WM_USER+103 UTF-16 text", WM_USER + 103, reinterpret_cast<std::uintptr_t>(wide), 0,
       u"wide \u00E9"},
      {"WM_USER+103 no address", WM_USER + 103, 0, 0, u""},
      {"WM_USER+104 whole name", WM_USER + 104, atom, 256, u"Message Atom"},
      {"WM_USER+104 high bits of wParam ignored", WM_USER + 104, 0x50000u + atom, 256,
       u"Message Atom"},
      {"WM_USER+104 buffer holds 7 and the NUL", WM_USER + 104, atom, 8, u"Message"},
      {"WM_USER+104 buffer of 1", WM_USER + 104, atom, 1, u""},
      {"WM_USER+104 negative buffer", WM_USER + 104, atom, -5, u""},
      {"WM_USER+104 integer atom", WM_USER + 104, 123, 256, u"#123"},
      {"WM_USER+104 unknown atom", WM_USER + 104, 0xFFFE, 256, u""},
      {"WM_COPYDATA", WM_COPYDATA, 0, reinterpret_cast<std::intptr_t>(&cds), u"url=http://x/"},
      {"WM_COPYDATA no description", WM_COPYDATA, 0, 0, u""},
      {"WM_USER+99", WM_USER + 99, 5, 0, u""},
      {"WM_USER+105", WM_USER + 105, 5, 0, u""},
      {"WM_MOVE", 3, 5, 0, u""},
  };
  for (const auto& c : cases) {
    Message m{c.msg, c.wParam, c.lParam, -7};
    EXPECT_EQ(MessageText(m), c.text) << c.what;
    EXPECT_EQ(m.result, 1) << c.what;
  }
  GlobalDeleteAtom(atom);
}

TEST(AtomTable, NamesAreSharedIgnoringCaseAndCounted) {
  std::uint16_t a = GlobalAddAtom(u"Shared.Name");
  ASSERT_GE(a, 0xC000);
  EXPECT_EQ(GlobalAddAtom(u"SHARED.name"), a);
  EXPECT_EQ(GlobalFindAtom(u"shared.NAME"), a);
  EXPECT_EQ(GlobalGetAtomName(a), u"Shared.Name");  // the first spelling stays
  EXPECT_EQ(GlobalDeleteAtom(a), 0);
  EXPECT_EQ(GlobalGetAtomName(a), u"Shared.Name");  // one reference left
  EXPECT_EQ(GlobalDeleteAtom(a), 0);
  EXPECT_EQ(GlobalGetAtomName(a), u"");
  EXPECT_EQ(GlobalFindAtom(u"Shared.Name"), 0);
  EXPECT_EQ(GlobalDeleteAtom(a), a);  // no longer there

  const struct {
    Text name;
    std::uint16_t atom;
  } refused[] = {{u"", 0}, {Text(kMaxAtomName + 1, u'x'), 0}, {u"#5", 5}, {u"#49151", 0xBFFF}};
  for (const auto& r : refused) EXPECT_EQ(GlobalAddAtom(r.name), r.atom);
  std::uint16_t longest = GlobalAddAtom(Text(kMaxAtomName, u'y'));
  EXPECT_NE(longest, 0);
  EXPECT_EQ(GlobalGetAtomName(longest).size(), kMaxAtomName);
  GlobalDeleteAtom(longest);
  // "#49152" is beyond the integer atoms, so it is an ordinary name.
  std::uint16_t named = GlobalAddAtom(u"#49152");
  EXPECT_GE(named, 0xC000);
  EXPECT_EQ(GlobalGetAtomName(named), u"#49152");
  GlobalDeleteAtom(named);
}

}  // namespace
}  // namespace wb
