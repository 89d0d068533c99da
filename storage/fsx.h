#pragma once
// The block text file: named blocks of text inside one byte stream (a file, memory, or a
// stream the caller owns), with line-oriented and counted text reading and writing, a byte
// search and copying into a file. The program's own executable ends with one such block, the
// "WebBrowser" configuration block.
//
// A block on the stream is: line end, "--!", the boundary word, "[", the block name, "]--",
// line end, content. The complete boundary line of a name is never held as one constant: it is
// joined from its parts when needed, so that a program that reads a block appended to its own
// executable cannot find the line inside its own code first.
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "storage/streams.h"
#include "support/text.h"

namespace wb {

// The block text file. Fields and operations keep the names of the design; every operation
// works on, and moves, the position of `st`.
class TFSx {
 public:
  // Create(stream): works on `stream`, which stays the caller's and must outlive the object.
  // The position is not changed; `mode` is "x".
  explicit TFSx(Stream& stream);

  // Create(AFileName, opt). `fileName` "memory" or `opt` "m" (exact case) give an empty memory
  // stream, mode "m". Otherwise the file is opened at position 0 as follows, when it exists
  // (following links): "r" read only, others may read and write it; "w" and "a" read and
  // write, content kept; "c" emptied, read and write; any other text read only. Every mode but
  // "r" holds an exclusive advisory lock while the object lives, and `mode` is `opt`; "r"
  // holds a shared one, so that no one holds the file unshared while it is read. A missing
  // file is created empty (read and write, locked) and `mode` is "c", whatever `opt` says.
  // Raises StreamError (naming the file and the reason) when it cannot be opened or created,
  // and, without waiting, when another object holds the file in a way that excludes the mode
  // ("in use").
  TFSx(const std::string& fileName, TextView opt);

  // Destroy: releases the owned streams (closing the file).
  ~TFSx();
  TFSx(const TFSx&) = delete;
  TFSx& operator=(const TFSx&) = delete;

  // Sets the initial field values; both constructors run it first.
  void init();

  Text bound;                        // boundary word of every boundary line
  Text lf;                           // line end of boundary lines, ReadLn, WriteLn and rBlock
  Text charset;                      // default charset for rString and wString
  Text mode;                         // the open mode in effect
  std::int32_t FirstPos;             // kept for compatibility; no operation uses it
  std::unique_ptr<FileStream> fs;    // the file the object opened itself, else none
  std::unique_ptr<MemoryStream> ms;  // the memory stream the object made itself, else none
  Stream* st = nullptr;              // the stream every operation works on (not owned)

  // Counted read: `l` bytes from the position (fewer when fewer remain; `l` below 0 reads the
  // whole stream from its start), decoded as UTF-8 when the charset (the argument, or the
  // field when the argument is empty) is exactly "utf-8", else with the ANSI code page. No
  // byte-order mark is looked for. Without a stream the result is empty.
  Text rString(std::int32_t l, TextView charset = {});
  // Delimited read: up to the first occurrence of `del` (ANSI bytes) at or after the
  // position, stepping over it; without one, to the end of the stream.
  Text rString(TextView del, TextView charset = {});
  // One line: rString up to `lf`. The line end is consumed and not returned.
  Text ReadLn(TextView charset = {});

  // Writes `s` at the position, as UTF-8 when the charset (argument, else the field) is
  // exactly "utf8", else in the ANSI code page, overwriting or extending the stream. Returns
  // how much the stream grew. A position past the end writes at the end instead, so that no
  // gap of undefined bytes is left in the stream.
  std::int32_t wString(TextView s, TextView charset = {});
  // wString(s + lf).
  std::int32_t WriteLn(TextView s, TextView charset = {});
  // Writes the bytes at the end of the stream; the position is left after them. Returns the
  // growth of the stream (the byte count).
  std::int32_t Append(std::string_view bytes);

  // The 1-based position in the stream of the first occurrence of the ANSI bytes of `search`
  // at or after the position, or 0. After a hit the position is left where the search began
  // (`ps` < 0), at the occurrence (`ps` = 0) or after it (`ps` > 0); without a hit it is left
  // where the search began. An empty search, or one longer than the bytes remaining, gives 0
  // without touching the position. Memory stays bounded: the stream is read in chunks that
  // overlap by the search length, so occurrences across chunk borders are found.
  std::int64_t Find(TextView search, int ps);
  // Find for a byte string.
  std::int64_t FindBytes(std::string_view search, int ps);
  // Find of the boundary line of block `n`.
  std::int64_t fBound(TextView n, int ps);

  // The content of the first block named `n` (exact case), as bytes in the ANSI code page,
  // or empty when there is none. The content ends at a line end followed by "--!", the
  // boundary word and "[", or at the end of the stream. A block longer than `maxBytes` raises
  // StreamError instead of being read into memory, or with `oversize` kKeepWholeLines gives
  // the whole lines among its first `maxBytes` bytes.
  enum class Oversize { kRaise, kKeepWholeLines };
  std::string rBlock(TextView n, std::int64_t maxBytes = std::numeric_limits<std::int64_t>::max(),
                     Oversize oversize = Oversize::kRaise);
  // Whether `s`, written as a block's content, would end the block early: it holds a line end
  // followed by the start of a boundary line ("--!", the boundary word, "["), where rBlock
  // stops. Callers ask this instead of spelling the boundary line themselves.
  bool HoldsBoundary(TextView s) const;
  // Appends lf + boundary line of `n`; returns its byte count.
  std::int32_t wBound(TextView n);
  // Appends a block: wBound(n), then `s` in the ANSI code page. An earlier block of the same
  // name stays (and keeps winning). Returns the growth of the stream.
  std::int32_t wBlock(TextView n, TextView s);

  // Copies `len` bytes from the position (`len` below 0: the whole stream, from its start) into
  // the file `fn`, and returns the count. With `append` and an existing file the bytes are
  // added at its end; otherwise the file is replaced atomically (temporary file, then rename;
  // an existing file keeps its permissions), so `len` 0 leaves it empty. The position ends after
  // the copied bytes. Raises StreamError when fewer than `len` bytes remain (nothing is then
  // written) or when the target cannot be written.
  std::int64_t SaveToFile(const std::string& fn, std::int64_t len, bool append);

 private:
  // The boundary line of `n`, joined from its parts.
  Text BoundaryLine(TextView n) const;
  // What ends a block's content: lf and the start of any boundary line.
  Text BoundaryStart() const;
  // Reads exactly `count` bytes (cut to what remains) and decodes them by `charset`.
  Text ReadText(std::int64_t count, TextView charset);
  Stream& Need() const;

  std::unique_ptr<char[]> buffer_;  // the search buffer, kept between searches
  std::size_t bufferSize_ = 0;
};

}  // namespace wb
