#include "support/remote_record.h"

#include <algorithm>

#include "support/text.h"

namespace wb::remote {
namespace {

void PutU32(std::string& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

void PutU64(std::string& out, std::uint64_t v) {
  for (int i = 0; i < 8; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

std::uint32_t GetU32(std::string_view b, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b[at + i]);
  return v;
}

std::uint64_t GetU64(std::string_view b, std::size_t at) {
  std::uint64_t v = 0;
  for (int i = 7; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b[at + i]);
  return v;
}

// True when the bytes present so far agree with the magic.
bool MagicPrefixMatches(std::string_view bytes, std::string_view magic) {
  std::size_t n = bytes.size() < magic.size() ? bytes.size() : magic.size();
  return bytes.substr(0, n) == magic.substr(0, n);
}

}  // namespace

std::string CopyDataBytes(std::string_view utf8) {
  const Text text = FromUtf8(utf8);
  std::string bytes;
  bytes.reserve(2 * text.size() + 2);
  for (char16_t c : text) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>(c >> 8));
  }
  bytes.append(2, '\0');
  return bytes;
}

bool IsStartupId(std::string_view id) {
  if (id.empty() || id.size() > kMaxStartupId) return false;
  return std::all_of(id.begin(), id.end(), [](char c) { return c > ' ' && c < 0x7F; });
}

const char* StatusName(Status status) {
  switch (status) {
    case Status::kHandled:
      return "handled";
    case Status::kUnknownKind:
      return "unknown message kind";
    case Status::kTooLarge:
      return "record too large";
    case Status::kMalformed:
      return "malformed record";
    case Status::kBusy:
      return "window busy (too many connections)";
    case Status::kFailed:
      return "handler failed";
  }
  return "unknown status";
}

std::string EncodeRequest(const Request& request) {
  std::string out;
  out.reserve(kRequestHeaderSize + request.data.size());
  out.append(kRequestMagic);
  PutU32(out, request.kind);
  PutU64(out, request.dwData);
  PutU32(out, static_cast<std::uint32_t>(request.data.size()));
  out.append(request.data);
  return out;
}

std::string EncodeReply(const Reply& reply) {
  std::string out;
  out.reserve(kReplyHeaderSize + reply.payload.size());
  out.append(kReplyMagic);
  PutU32(out, static_cast<std::uint32_t>(reply.status));
  PutU64(out, static_cast<std::uint64_t>(reply.result));
  PutU32(out, static_cast<std::uint32_t>(reply.payload.size()));
  out.append(reply.payload);
  return out;
}

DecodedRequest DecodeRequest(std::string_view bytes, std::uint32_t maxData) {
  DecodedRequest d;
  if (!MagicPrefixMatches(bytes, kRequestMagic)) {
    d.status = DecodeStatus::kMalformed;
    return d;
  }
  if (bytes.size() < kRequestHeaderSize) return d;
  d.announcedSize = GetU32(bytes, 16);
  if (d.announcedSize > maxData) {
    d.status = DecodeStatus::kTooLarge;
    return d;
  }
  if (bytes.size() - kRequestHeaderSize < d.announcedSize) return d;
  d.request.kind = GetU32(bytes, 4);
  d.request.dwData = GetU64(bytes, 8);
  d.request.data.assign(bytes.substr(kRequestHeaderSize, d.announcedSize));
  d.consumed = kRequestHeaderSize + d.announcedSize;
  d.status = DecodeStatus::kRecord;
  return d;
}

DecodedReply DecodeReply(std::string_view bytes, std::uint32_t maxPayload) {
  DecodedReply d;
  if (!MagicPrefixMatches(bytes, kReplyMagic)) {
    d.status = DecodeStatus::kMalformed;
    return d;
  }
  if (bytes.size() < kReplyHeaderSize) return d;
  std::uint32_t length = GetU32(bytes, 16);
  if (length > maxPayload) {
    d.status = DecodeStatus::kTooLarge;
    return d;
  }
  if (bytes.size() - kReplyHeaderSize < length) return d;
  d.reply.status = static_cast<Status>(GetU32(bytes, 4));
  d.reply.result = static_cast<std::int64_t>(GetU64(bytes, 8));
  d.reply.payload.assign(bytes.substr(kReplyHeaderSize, length));
  d.consumed = kReplyHeaderSize + length;
  d.status = DecodeStatus::kRecord;
  return d;
}

}  // namespace wb::remote
