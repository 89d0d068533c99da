#pragma once
// Base64 (the standard alphabet with "=" padding) for bytes that must travel as plain text,
// such as the icon a branded copy carries in a text block.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace wb {

// The Base64 text of `bytes`. With `lineLength` above 0 the text is cut into lines of that
// many characters (the last one shorter), joined by `lineEnd`; no line end follows the last.
std::string EncodeBase64(std::string_view bytes, std::size_t lineLength = 0,
                         std::string_view lineEnd = "\r\n");

// The bytes of a Base64 text. Contract: spaces, tabs, CR and LF anywhere are skipped; the rest
// must be characters of the standard alphabet in groups of four, the last group padded with
// "=" (one or two) when the bytes do not fill it, nothing after the padding, and the unused
// bits of the last character 0. Anything else gives nullopt, never a partial result.
std::optional<std::string> DecodeBase64(std::string_view text);

}  // namespace wb
