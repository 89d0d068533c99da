// Records from another process, as the window's socket receives them: a stream of request
// records decoded one after another, and the copy-data text of each. Properties: a decoded
// record encodes back to exactly the bytes it was read from; the decoder never claims more
// bytes than it was given; a refusal is final; the copy-data text never holds a NUL and never
// has more units than the data holds whole.
#include "fuzz/fuzz_check.h"
#include "support/remote_record.h"
#include "support/sendmsg.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view stream(reinterpret_cast<const char*>(data), size);
  // A small limit lets the fuzzer reach the size refusal with short inputs.
  const std::uint32_t limit = size > 0 ? data[0] * 4u : 0u;
  while (!stream.empty()) {
    wb::remote::DecodedRequest d = wb::remote::DecodeRequest(stream, limit);
    if (d.status != wb::remote::DecodeStatus::kRecord) {
      WB_FUZZ_CHECK(d.consumed == 0);
      if (d.status == wb::remote::DecodeStatus::kTooLarge) WB_FUZZ_CHECK(d.announcedSize > limit);
      break;
    }
    WB_FUZZ_CHECK(d.consumed <= stream.size());
    WB_FUZZ_CHECK(wb::remote::EncodeRequest(d.request) == stream.substr(0, d.consumed));

    wb::CopyDataStruct cds{static_cast<std::uintptr_t>(d.request.dwData),
                           static_cast<std::uint32_t>(d.request.data.size()),
                           d.request.data.empty() ? nullptr : d.request.data.data()};
    wb::Text text = wb::CopyDataText(cds);
    WB_FUZZ_CHECK(text.size() <= d.request.data.size() / 2);
    WB_FUZZ_CHECK(text.find(u'\0') == wb::Text::npos);
    stream.remove_prefix(d.consumed);
  }
  wb::remote::DecodedReply r =
      wb::remote::DecodeReply(std::string_view(reinterpret_cast<const char*>(data), size), limit);
  if (r.status == wb::remote::DecodeStatus::kRecord) {
    WB_FUZZ_CHECK(wb::remote::EncodeReply(r.reply) ==
                  std::string_view(reinterpret_cast<const char*>(data), r.consumed));
  }
  return 0;
}
