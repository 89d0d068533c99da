// URL encoding of query values (UrlEncode) and the standard query built from them.
// Properties: the output holds only printable ASCII; decoding it gives back exactly the
// bytes of the text in the code page a configuration block would use (ToAnsiOrUtf8), which
// read back as the text; the characters that stay unencoded are exactly the listed
// ones; the standard query always has its eight pairs in order, whatever the values hold.
#include "fuzz/fuzz_check.h"
#include "support/block_text.h"
#include "support/gateway.h"

namespace {

using wb::Text;

bool Unencoded(unsigned char b) {
  return (b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') ||
         std::string_view("*-./:@_{}").find(static_cast<char>(b)) != std::string_view::npos;
}

int Hex(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;  // lower-case digits are not what the encoder writes
}

// Decodes, checking on the way that every byte took the form the rules give it.
std::string Decode(const Text& encoded, bool spaceAsPlus) {
  std::string out;
  for (size_t i = 0; i < encoded.size(); ++i) {
    const char16_t c = encoded[i];
    WB_FUZZ_CHECK(c >= 0x21 && c <= 0x7E);
    if (c == u'%') {
      WB_FUZZ_CHECK(i + 2 < encoded.size());
      const int hi = Hex(encoded[i + 1]);
      const int lo = Hex(encoded[i + 2]);
      WB_FUZZ_CHECK(hi >= 0 && lo >= 0);
      const auto b = static_cast<unsigned char>(hi * 16 + lo);
      WB_FUZZ_CHECK(!Unencoded(b) && !(b == ' ' && spaceAsPlus));
      out.push_back(static_cast<char>(b));
      i += 2;
    } else if (c == u'+') {
      WB_FUZZ_CHECK(spaceAsPlus);
      out.push_back(' ');
    } else {
      WB_FUZZ_CHECK(Unencoded(static_cast<unsigned char>(c)));
      out.push_back(static_cast<char>(c));
    }
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const wbfuzz::Args args(data, size);
  // Any code units, so characters outside the code page are covered too.
  const Text text = args.Count() > 1 ? args.Text(1) : wbfuzz::Units(args.Bytes(0));
  for (bool plus : {false, true}) {
    const Text encoded = wb::UrlEncode(text, plus);
    const std::string bytes = Decode(encoded, plus);
    WB_FUZZ_CHECK(bytes == wb::ToAnsiOrUtf8(text));
    WB_FUZZ_CHECK(wb::FromAnsiOrUtf8(bytes) == wb::FromUtf8(wb::ToUtf8(text)));
  }

  wb::QueryValues v;
  v.executablePath = args.Text(2);
  v.versionText = u"1.2.3.4";
  v.buildDate = 45000.5;
  v.startupTitle = text;
  v.systemVersion = u"6.1";
  v.installationId = u"{6F9619FF-8B86-4011-B42D-00C04FC964FF}";
  const Text query = wb::StandardQuery(v);
  static const char16_t* const kKeys[] = {u"id=", u"&e=", u"&v=", u"&d=",
                                          u"&t=", u"&l=", u"&o=", u"&g="};
  size_t at = 0;
  for (const char16_t* key : kKeys) {
    // The encoded values cannot hold "&" or "=", so each key is found at its place.
    at = query.find(key, at);
    WB_FUZZ_CHECK(at != Text::npos);
  }
  WB_FUZZ_CHECK(query.find(u"&t=" + wb::UrlEncode(text, false) + u"&l=") != Text::npos);
  return 0;
}
