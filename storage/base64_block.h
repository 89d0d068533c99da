#pragma once
// The blocks a branded copy carries after its configuration block as Base64 text (the icon, the
// style, the script): Base64 has neither "-" nor "!", so no line of the bytes can end the block
// or start another, and every byte survives the block's code page. One reader and one writer
// serve them all, each block with a limit of its own.
#include <cstddef>
#include <string>
#include <string_view>

#include "storage/fsx.h"

namespace wb {

// The block content for `bytes`: Base64 in lines of 76 characters, CR LF between them. The
// caller checks the bytes against the block's limit.
std::string Base64BlockContent(std::string_view bytes);

// Appends the block `name` holding `bytes` to `file`.
void WriteBase64Block(TFSx& file, std::u16string_view name, std::string_view bytes);

// A block as found: whether there is one, its bytes when they can be used, else what is wrong
// with it ("cannot be read (...)", "not Base64", "larger than N bytes"); the bytes are then
// empty.
struct Base64Block {
  bool present = false;
  std::string bytes;
  std::string problem;
};

// The problem of bytes above `maxBytes`, in the words the reader uses.
std::string LargerThan(std::size_t maxBytes);

// A block content already read (ANSI bytes), decoded; `present` when the content is not empty.
Base64Block Base64BlockFromContent(std::string_view content, std::size_t maxBytes);

// The block `name` (exact case) of the block text file `exePath`, of at most `maxBytes` decoded
// bytes. A missing file has no block and is not created; a block whose text is far above the
// limit is not read into memory. A file that exists but cannot be opened raises the file
// layer's error.
Base64Block ReadBase64Block(const std::string& exePath, std::u16string_view name,
                            std::size_t maxBytes);

}  // namespace wb
