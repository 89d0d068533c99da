#pragma once
// The records another process exchanges with a running main window over its remote-navigation
// socket. A sender writes request records and reads one reply record for each, in order.
// docs/remote-protocol.md describes the same format for people who write their own sender.
//
// All integers are little-endian and unaligned.
//
//   request:  "WBRQ"  u32 kind  u64 dwData  u32 cbData  cbData bytes of data
//   reply:    "WBRA"  u32 status  i64 result  u32 length  length bytes of payload
//
// This file is free of GLib so that the decoder can be fuzzed and reused by any sender.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace wb::remote {

// Message kinds a main window understands.
constexpr std::uint32_t kCopyData = 74;           // WM_COPYDATA: data is UTF-16LE text
constexpr std::uint32_t kHomePageRequest = 5120;  // WM_USER + 4096: navigate home
constexpr std::uint32_t kStateQuery = 0x8100;     // read-only state as JSON (our own kind)
// Bring the window to the front; the data is the start-up notification id the desktop gave
// the sender (DESKTOP_STARTUP_ID, XDG_ACTIVATION_TOKEN), possibly empty (our own kind).
constexpr std::uint32_t kPresent = 0x8101;
// Remove the copy's website data (cookies, storage, caches) through the window's engine, then
// load the page again; result 1 once the removal has started (our own kind).
constexpr std::uint32_t kClearWebsiteData = 0x8102;

// The longest start-up notification id a window takes.
constexpr std::size_t kMaxStartupId = 512;

constexpr std::string_view kRequestMagic = "WBRQ";
constexpr std::string_view kReplyMagic = "WBRA";
constexpr std::size_t kRequestHeaderSize = 20;
constexpr std::size_t kReplyHeaderSize = 20;

// The largest cbData a window accepts. Larger records are refused without being read.
constexpr std::uint32_t kMaxRequestData = 1024 * 1024;
// The largest reply payload a sender accepts (a state reply grows with the history).
constexpr std::uint32_t kMaxReplyPayload = 64 * 1024 * 1024;

// What became of a request. The numbers are part of the record format.
enum class Status : std::uint32_t {
  kHandled = 0,      // the window handled the record; result is the message result
  kUnknownKind = 1,  // well-formed, but the window does not know the kind; data discarded
  kTooLarge = 2,     // cbData above kMaxRequestData; the window closes the connection
  kMalformed = 3,    // not a request record; the window closes the connection
  kBusy = 4,         // too many connections at once; the window closes the connection
  kFailed = 5,       // the handler failed; payload holds the message (UTF-8)
};

// Human-readable name of a status, for error messages ("too large" ...).
const char* StatusName(Status status);

struct Request {
  std::uint32_t kind = 0;
  std::uint64_t dwData = 0;
  std::string data;  // the cbData bytes
};

struct Reply {
  Status status = Status::kHandled;
  std::int64_t result = 0;
  std::string payload;  // JSON for a state query, a message for kFailed, else empty
};

std::string EncodeRequest(const Request& request);

// The data of a copy-data record carrying `utf8`: its UTF-16LE code units, then a NUL unit.
// Malformed UTF-8 becomes U+FFFD as in FromUtf8.
std::string CopyDataBytes(std::string_view utf8);

// Whether `id` can be a start-up notification id: 1 to kMaxStartupId printable ASCII
// characters (the desktops make them of letters, digits and a few signs). A window passes
// on nothing else to the display.
bool IsStartupId(std::string_view id);
std::string EncodeReply(const Reply& reply);

enum class DecodeStatus {
  kNeedMore,   // no complete record yet; nothing consumed
  kRecord,     // one record decoded; `consumed` bytes belong to it
  kMalformed,  // the bytes cannot begin a record of this kind (wrong magic)
  kTooLarge,   // the header is complete and announces more data than allowed
};

struct DecodedRequest {
  DecodeStatus status = DecodeStatus::kNeedMore;
  std::size_t consumed = 0;
  Request request;
  std::uint32_t announcedSize = 0;  // cbData of the header, also when kTooLarge
};

struct DecodedReply {
  DecodeStatus status = DecodeStatus::kNeedMore;
  std::size_t consumed = 0;
  Reply reply;
};

// Decodes the first request record at the start of `bytes`. Contract: reads nothing beyond
// `bytes`; a wrong magic is reported as soon as the bytes present differ from it (even one
// byte), so garbage is refused without waiting for a whole header; a header announcing more
// than `maxData` bytes is kTooLarge before any data arrives. Never throws except bad_alloc.
DecodedRequest DecodeRequest(std::string_view bytes, std::uint32_t maxData = kMaxRequestData);

// The same for a reply record. An unknown status number is kept as it is.
DecodedReply DecodeReply(std::string_view bytes, std::uint32_t maxPayload = kMaxReplyPayload);

}  // namespace wb::remote
