#pragma once
// Addresses on the maker's web gateway. Each carries the standard query, eight key=value
// pairs that tell the gateway which program, version, build and installation is asking.
#include "support/text.h"
#include "support/values.h"

namespace wb {

// The command word that asks for the standard query alone.
inline constexpr char16_t kParamCommand[] = u"param";

// URL encoding over the bytes ToAnsiOrUtf8 gives for `text`: its Windows-1252 bytes when the
// code page holds it (and they do not read as UTF-8), else its UTF-8 bytes, so that a title in
// any script reaches the gateway whole ("\u4E2D" is "%E4%B8%AD"). Letters, digits and "*-./:@_{}"
// stay as they are; a space becomes "+" when `spaceAsPlus` is set, else "%20"; every other byte
// becomes "%" and two upper-case hexadecimal digits ("~" is "%7E", "a-umlaut" is "%E4"). The result
// is printable ASCII.
Text UrlEncode(TextView text, bool spaceAsPlus);

// What the standard query tells the gateway.
struct QueryValues {
  Text executablePath;  // its file name, up to the first ".", is the "e=" value
  Text versionText;
  DateValue buildDate = 0;
  Text startupTitle;
  Text systemVersion;
  Text installationId;
};

// The standard query: "id=&e=...&v=...&d=yyyy-mm-dd&t=...&l=&o=...&g=...", always all eight
// pairs in this order. Only "e=" and "t=" are URL-encoded; the other values are inserted as
// they are.
Text StandardQuery(const QueryValues& values);

// `base` + "/gw/?cmd=" + command + "&" + the standard query; the query alone when the command
// is exactly "param". The command is inserted as it is.
Text GatewayAddress(TextView command, TextView base, const QueryValues& values);

}  // namespace wb
