#include "support/gateway.h"

#include "support/ascii.h"
#include "support/fields.h"
#include "support/maker.h"

namespace wb {
namespace {

bool StaysUnencoded(unsigned char b) {
  if (IsAsciiAlnum(static_cast<char>(b))) return true;
  switch (b) {
    case '*':
    case '-':
    case '.':
    case '/':
    case ':':
    case '@':
    case '_':
    case '{':
    case '}':
      return true;
    default:
      return false;
  }
}

// The value of the "l=" pair; the gateway accepts an empty one.
constexpr char16_t kLocalValue[] = u"";

}  // namespace

Text UrlEncode(TextView text, bool spaceAsPlus) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  Text out;
  out.reserve(text.size() * 3);
  for (const char ch : ToAnsi(text)) {
    const auto b = static_cast<unsigned char>(ch);
    if (StaysUnencoded(b)) {
      out.push_back(b);
    } else if (b == ' ' && spaceAsPlus) {
      out.push_back(u'+');
    } else {
      out.push_back(u'%');
      out.push_back(static_cast<char16_t>(kHex[b >> 4]));
      out.push_back(static_cast<char16_t>(kHex[b & 0xF]));
    }
  }
  return out;
}

Text StandardQuery(const QueryValues& v) {
  const auto slash = v.executablePath.rfind(u'/');
  const Text fileName = slash == Text::npos ? v.executablePath : v.executablePath.substr(slash + 1);
  Text q = u"id=";
  q += u"&e=" + UrlEncode(GetField(fileName, u".", 1), false);
  q += u"&v=" + v.versionText;
  q += u"&d=" + FormatIsoDate(v.buildDate);
  q += u"&t=" + UrlEncode(v.startupTitle, false);
  q += u"&l=";
  q += kLocalValue;
  q += u"&o=" + v.systemVersion;
  q += u"&g=" + v.installationId;
  return q;
}

Text GatewayAddress(TextView command, TextView base, const QueryValues& values) {
  const Text query = StandardQuery(values);
  if (command == kParamCommand) return query;
  Text address(base);
  address += u"/gw/?cmd=";
  address += command;
  address += u"&";
  address += query;
  return address;
}

}  // namespace wb
