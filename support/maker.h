#pragma once
// The maker of the program: its company name and its web site. The web site is the base of
// every address the program builds for the maker (gateway, support, shop, download, the
// built-in link bar and the start address of the shipped executable).
#include <string_view>
#include <vector>

#include "support/text.h"

namespace wb {

// The maker's company name, as the about box and the shipped configuration show it.
inline constexpr std::u16string_view kCompanyName = u"Morvane";

// The maker's web site: scheme and host, without a trailing slash. The build sets it
// (WB_BASE_WEB_ADDRESS in CMakeLists.txt) and writes the same address as the start address of
// the embedded and the shipped configuration.
extern const std::u16string_view kBaseWebAddress;

// The maker of a branded copy, as its configuration names it (maker=, homepage=, contact=,
// shop=, support=): each part empty, or none for the contact lines, when the copy leaves it out.
// A copy that names none of them is ours, and shows our maker as the program always did.
struct CopyMaker {
  Text name;                  // the maker's name
  Text homepage;              // its web site, an http or https address without a trailing "/"
  std::vector<Text> contact;  // at most kMaxContactLines lines, none empty
  Text shop;                  // an http or https address
  Text support;               // an http or https address
  bool empty() const {
    return name.empty() && homepage.empty() && contact.empty() && shop.empty() && support.empty();
  }
  bool operator==(const CopyMaker&) const = default;
};

// The about box has room for four contact lines.
inline constexpr std::size_t kMaxContactLines = 4;

// The longest maker's name or contact line that is kept; the rest is cut off. The about box
// shows far less, and a block should not put pages of text into it.
inline constexpr std::size_t kMaxMakerText = 200;

// A maker's text (the name): blanks at either end removed, cut at kMaxMakerText characters.
Text MakerText(TextView value);

// The contact lines of `value`: divided at "|", each without blanks at either end and cut at
// kMaxMakerText characters; empty lines are left out, and only the first kMaxContactLines of
// the rest are kept. `dropped`, when given, receives how many non-empty lines were left over.
std::vector<Text> ContactLines(TextView value, std::size_t* dropped = nullptr);

// A maker's address as it is kept: `value` without blanks at either end, when it is an
// absolute http or https address with a host that can be loaded (support/address_parts.h), of
// at most 2000 characters; else empty, so that the box never shows a link that cannot work.
// With `withoutTrailingSlash` the slashes at its end are removed (a base address, to which
// paths are added).
Text MakerAddress(TextView value, bool withoutTrailingSlash = false);

// The copy's own maker, in effect for the rest of the process: the program sets it once at
// start from its configuration, before any window exists; tests set it as they need it.
void UseCopyMaker(CopyMaker maker);
const CopyMaker& OwnCopyMaker();

// The base web address in effect: the copy maker's homepage when it has one (UseCopyMaker),
// else kBaseWebAddress, unless a test has pointed it elsewhere,
// in this process (SetBaseWebAddressForTests) or, for a program started by an end-to-end test,
// through the environment variable WB_TEST_BASE_WEB_ADDRESS holding a loopback address
// "http://127.0.0.1:PORT" or "http://localhost:PORT" (read once; any other value is ignored).
// Every address built for the maker goes through this function, never through the constant.
Text BaseWebAddress();

// Points BaseWebAddress() at `address` (for example a loopback server) for the rest of the
// process; an empty text restores the constant. Only tests call it, before any window exists.
void SetBaseWebAddressForTests(const Text& address);

}  // namespace wb
