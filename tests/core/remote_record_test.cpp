#include "support/remote_record.h"

#include <gtest/gtest.h>

namespace wb::remote {
namespace {

std::string Bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s.push_back(static_cast<char>(v));
  return s;
}

TEST(RemoteRecord, RequestLayoutIsLittleEndianAsDocumented) {
  std::string encoded = EncodeRequest({kCopyData, 0x0102030405060708ULL, "ab"});
  std::string expected = "WBRQ" + Bytes({74, 0, 0, 0, 8, 7, 6, 5, 4, 3, 2, 1, 2, 0, 0, 0}) + "ab";
  EXPECT_EQ(encoded, expected);
}

TEST(RemoteRecord, ReplyLayoutIsLittleEndianAsDocumented) {
  std::string encoded = EncodeReply({Status::kTooLarge, -2, "x"});
  std::string expected =
      "WBRA" + Bytes({2, 0, 0, 0, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 1, 0, 0, 0}) +
      "x";
  EXPECT_EQ(encoded, expected);
}

TEST(RemoteRecord, RequestsRoundTripAndStopAtTheirEnd) {
  const Request cases[] = {
      {kCopyData, 0, ""},
      {kHomePageRequest, ~0ULL, std::string("\0\0", 2)},
      {kStateQuery, 7, std::string(100000, 'z')},
      {0xFFFFFFFF, 1, std::string("u\0r\0l\0", 6)},
  };
  for (const auto& r : cases) {
    // A second record follows, which the decoder must leave alone.
    std::string stream = EncodeRequest(r) + EncodeRequest({1, 2, "next"});
    DecodedRequest d = DecodeRequest(stream);
    ASSERT_EQ(d.status, DecodeStatus::kRecord) << r.kind;
    EXPECT_EQ(d.consumed, kRequestHeaderSize + r.data.size());
    EXPECT_EQ(d.request.kind, r.kind);
    EXPECT_EQ(d.request.dwData, r.dwData);
    EXPECT_EQ(d.request.data, r.data);
  }
}

TEST(RemoteRecord, EveryProperPrefixNeedsMore) {
  std::string whole = EncodeRequest({kCopyData, 5, "hello"});
  for (std::size_t n = 0; n < whole.size(); ++n) {
    DecodedRequest d = DecodeRequest(std::string_view(whole).substr(0, n));
    EXPECT_EQ(d.status, DecodeStatus::kNeedMore) << n;
    EXPECT_EQ(d.consumed, 0u);
  }
  std::string reply = EncodeReply({Status::kHandled, 1, "{}"});
  for (std::size_t n = 0; n < reply.size(); ++n) {
    EXPECT_EQ(DecodeReply(std::string_view(reply).substr(0, n)).status, DecodeStatus::kNeedMore);
  }
}

TEST(RemoteRecord, GarbageIsRefusedAtItsFirstWrongByte) {
  const std::string cases[] = {"X", "WX", "WBRA", "GET / HTTP/1.1\r\n", Bytes({0}), "wbrq"};
  for (const auto& c : cases) EXPECT_EQ(DecodeRequest(c).status, DecodeStatus::kMalformed) << c;
  EXPECT_EQ(DecodeReply("WBRQ").status, DecodeStatus::kMalformed);
}

TEST(RemoteRecord, SizeLimitIsCheckedOnTheHeaderAlone) {
  std::string header = EncodeRequest({kCopyData, 0, ""}).substr(0, 16);
  struct {
    std::uint32_t announced;
    DecodeStatus status;
  } cases[] = {
      {kMaxRequestData, DecodeStatus::kNeedMore},
      {kMaxRequestData + 1, DecodeStatus::kTooLarge},
      {0xFFFFFFFF, DecodeStatus::kTooLarge},
  };
  for (const auto& c : cases) {
    std::string bytes = header;
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<char>((c.announced >> (8 * i)) & 0xFF));
    DecodedRequest d = DecodeRequest(bytes);
    EXPECT_EQ(d.status, c.status) << c.announced;
    EXPECT_EQ(d.announcedSize, c.announced);
  }
  // A smaller limit of the caller's own.
  EXPECT_EQ(DecodeRequest(EncodeRequest({1, 0, "abc"}), 2).status, DecodeStatus::kTooLarge);
  EXPECT_EQ(DecodeReply(EncodeReply({Status::kHandled, 0, "abc"}), 2).status,
            DecodeStatus::kTooLarge);
}

TEST(RemoteRecord, RepliesRoundTripAndKeepUnknownStatusNumbers) {
  std::string stream = EncodeReply({Status::kHandled, 1, ""}) + "WBRA" +
                       Bytes({99, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
  DecodedReply first = DecodeReply(stream);
  ASSERT_EQ(first.status, DecodeStatus::kRecord);
  EXPECT_EQ(first.reply.result, 1);
  DecodedReply second = DecodeReply(std::string_view(stream).substr(first.consumed));
  ASSERT_EQ(second.status, DecodeStatus::kRecord);
  EXPECT_EQ(static_cast<std::uint32_t>(second.reply.status), 99u);
  EXPECT_STREQ(StatusName(second.reply.status), "unknown status");
}

}  // namespace
}  // namespace wb::remote

namespace wb::remote {
namespace {

TEST(RemoteRecord, CopyDataBytesAreUtf16LittleEndianWithANul) {
  struct Case {
    std::string utf8;
    std::string bytes;
  };
  const Case cases[] = {
      {"", std::string("\0\0", 2)},
      {"go=a", std::string("g\0o\0=\0a\0\0\0", 10)},
      {"\xC3\xA9", std::string("\xE9\0\0\0", 4)},
      // A character beyond the first plane is a surrogate pair.
      {"\xF0\x9F\x98\x80", std::string("\x3D\xD8\x00\xDE\0\0", 6)},
  };
  for (const auto& c : cases) EXPECT_EQ(CopyDataBytes(c.utf8), c.bytes) << c.utf8;
}

TEST(RemoteRecord, StartupIdsArePrintableAsciiOfBoundedLength) {
  struct Case {
    std::string id;
    bool ok;
  };
  const Case cases[] = {
      {"xdg-launch-1234-host-shop-0_TIME5678", true},
      {"gnome-shell/Shop/1234-0-host_TIME100", true},
      {"a", true},
      {std::string(kMaxStartupId, 'x'), true},
      {std::string(kMaxStartupId + 1, 'x'), false},
      {"", false},
      {"with space", false},
      {"line\nbreak", false},
      {std::string("nul\0", 4), false},
      {"caf\xC3\xA9", false},
      {"del\x7F", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsStartupId(c.id), c.ok) << c.id;
}

}  // namespace
}  // namespace wb::remote
