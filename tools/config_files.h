#pragma once
// Reading configurations for wbctl: an executable's own embedded defaults and appended block,
// and text files of name=value lines.
#include <optional>
#include <string>

#include "storage/value_list.h"
#include "support/text.h"

namespace wbctl {

// Text files handed to wbctl are configurations of a few lines; anything larger is refused.
inline constexpr std::size_t kMaxTextFileBytes = std::size_t{1} << 20;

// True when the file is a regular file that starts like an ELF file. Never waits: a FIFO is
// no ELF file.
bool LooksLikeElf(const std::string& path);

// The merged configuration of the executable `path`: its own embedded defaults (the ".wbres"
// section of that file), then the "WebBrowser" block appended to it. Raises
// std::runtime_error naming the file when it does not exist or cannot be read.
wb::ValueList ReadExecutableConfig(const std::string& path);

// The whole content of the text file `path` as UTF-8 text (a leading byte-order mark is
// dropped). Raises std::runtime_error naming the file and the reason when it cannot be read,
// is larger than kMaxTextFileBytes, or is not valid UTF-8 (then naming the line).
wb::Text ReadUtf8TextFile(const std::string& path);

// The whole content of the picture file `path`. Raises std::runtime_error naming the file
// and the reason when it cannot be read or is larger than `limit` bytes.
std::string ReadPictureFile(const std::string& path, std::size_t limit);

// The icon the executable `path` shows: the picture of its icon block, else the program's own
// icon from its embedded resources (empty when it has neither). `own` tells which.
struct ExecutableIcon {
  std::string bytes;
  bool own = false;
};
ExecutableIcon ReadExecutableIcon(const std::string& path);

// What is wrong with a copy's block, as its reader words it ("not Base64", "cannot be read
// (...)", "holds a NUL character"), made the predicate of a sentence whose subject is the block:
// "is not Base64", "cannot be read (...)", "holds a NUL character".
std::string BlockProblemPredicate(const std::string& problem);

// Quotes a text for a message: "..." in UTF-8.
std::string Quote(wb::TextView text);

}  // namespace wbctl
