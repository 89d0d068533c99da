#include "storage/fsx.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

#include "storage/atomic_file.h"

namespace wb {
namespace {

using namespace stream_calls;

// The search reads the stream through a buffer of this size (plus the search length), which
// bounds its memory whatever the size of the stream.
constexpr std::size_t kSearchChunk = std::size_t{1} << 20;

// SaveToFile copies through a buffer of this size.
constexpr std::size_t kCopyChunk = std::size_t{1} << 20;

std::int32_t ToCount(std::int64_t n) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(n, INT32_MIN, INT32_MAX));
}

}  // namespace

// --- TFSx -----------------------------------------------------------------------------------

TFSx::TFSx(Stream& stream) {
  init();
  st = &stream;
  mode = u"x";
}

TFSx::TFSx(const std::string& fileName, TextView opt) {
  init();
  if (fileName == "memory" || opt == u"m") {
    ms = std::make_unique<MemoryStream>();
    st = ms.get();
    mode = u"m";
    return;
  }
  struct stat info;
  const bool exists = ::stat(fileName.c_str(), &info) == 0;
  if (!exists) {
    fs = std::make_unique<FileStream>(fileName, FileStream::Open::kCreate,
                                      FileStream::Share::kExclusive);
    mode = u"c";
  } else if (opt == u"r") {
    fs =
        std::make_unique<FileStream>(fileName, FileStream::Open::kRead, FileStream::Share::kShared);
    mode = opt;
  } else {
    const auto open = (opt == u"w" || opt == u"a") ? FileStream::Open::kReadWrite
                      : opt == u"c"                ? FileStream::Open::kCreate
                                                   : FileStream::Open::kRead;
    fs = std::make_unique<FileStream>(fileName, open, FileStream::Share::kExclusive);
    mode = opt;
  }
  st = fs.get();
}

TFSx::~TFSx() = default;

void TFSx::init() {
  fs.reset();
  ms.reset();
  st = nullptr;
  FirstPos = -1;
  lf = u"\r\n";
  charset.clear();
  bound = u"x_bound_x";
}

Stream& TFSx::Need() const {
  if (st == nullptr) throw StreamError("The block text file has no stream.");
  return *st;
}

Text TFSx::BoundaryLine(TextView n) const {
  Text line = u"--!";
  line.append(bound).append(u"[").append(n).append(u"]--").append(lf);
  return line;
}

Text TFSx::BoundaryStart() const {
  Text start = lf;
  start.append(u"--!").append(bound).append(u"[");
  return start;
}

bool TFSx::HoldsBoundary(TextView s) const {
  // The bytes are compared, as rBlock compares them: a character the code page lacks becomes
  // "?", which may then complete a boundary.
  return ToAnsi(s).find(ToAnsi(BoundaryStart())) != std::string::npos;
}

Text TFSx::ReadText(std::int64_t count, TextView cs) {
  Stream& s = *st;
  count = std::clamp<std::int64_t>(count, 0, std::max<std::int64_t>(s.Size() - s.Position(), 0));
  std::string bytes(static_cast<std::size_t>(count), '\0');
  if (s.Read(bytes.data(), bytes.size()) != bytes.size()) {
    throw StreamError("Stream read error: fewer bytes than expected.");
  }
  if (cs.empty()) cs = charset;
  return cs == u"utf-8" ? FromUtf8(bytes) : FromAnsi(bytes);
}

Text TFSx::rString(std::int32_t l, TextView cs) {
  if (st == nullptr) return {};
  std::int64_t count = l;
  if (l < 0) {
    st->Seek(0);
    count = st->Size();
  }
  return ReadText(count, cs);
}

Text TFSx::rString(TextView del, TextView cs) {
  if (st == nullptr) return {};
  const std::string delimiter = ToAnsi(del);
  const std::int64_t a = FindBytes(delimiter, -1);
  const std::int64_t position = st->Position();
  if (a < 1) return ReadText(st->Size() - position, cs);
  Text text = ReadText(a - position - 1, cs);
  st->Seek(st->Position() + static_cast<std::int64_t>(delimiter.size()));
  return text;
}

Text TFSx::ReadLn(TextView cs) {
  return rString(TextView(lf), cs);
}

std::int32_t TFSx::wString(TextView s, TextView cs) {
  Stream& stream = Need();
  if (cs.empty()) cs = charset;
  const std::string bytes = cs == u"utf8" ? ToUtf8(s) : ToAnsi(s);
  const std::int64_t before = stream.Size();
  if (stream.Position() > before) stream.Seek(before);
  stream.Write(bytes.data(), bytes.size());
  return ToCount(stream.Size() - before);
}

std::int32_t TFSx::WriteLn(TextView s, TextView cs) {
  Text line(s);
  line.append(lf);
  return wString(line, cs);
}

std::int32_t TFSx::Append(std::string_view bytes) {
  Stream& stream = Need();
  const std::int64_t before = stream.Size();
  stream.Seek(before);
  stream.Write(bytes.data(), bytes.size());
  return ToCount(stream.Size() - before);
}

std::int64_t TFSx::Find(TextView search, int ps) {
  return FindBytes(ToAnsi(search), ps);
}

std::int64_t TFSx::FindBytes(std::string_view search, int ps) {
  Stream& stream = Need();
  const std::int64_t start = stream.Position();
  const std::int64_t size = stream.Size();
  const auto length = static_cast<std::int64_t>(search.size());
  if (search.empty() || start > size - length) return 0;

  // Chunks overlap by the search length less one byte: an occurrence that reaches into the
  // next chunk starts in the kept tail and is found there, and none is seen twice.
  const std::size_t keepMax = search.size() - 1;
  // The buffer need not be larger than what remains to be searched.
  const std::size_t capacity = std::min<std::uint64_t>(
      std::max(kSearchChunk, search.size()) + keepMax, static_cast<std::uint64_t>(size - start));
  if (bufferSize_ < capacity) {
    buffer_ = std::make_unique_for_overwrite<char[]>(capacity);
    bufferSize_ = capacity;
  }
  char* const buffer = buffer_.get();
  std::int64_t chunkStart = start;
  std::size_t kept = 0;
  // The search covers the stream as it was when the search began. Bytes that another process
  // appends meanwhile are not searched, so a file that keeps growing cannot keep it going.
  for (;;) {
    const std::int64_t at = chunkStart + static_cast<std::int64_t>(kept);
    const auto want = static_cast<std::size_t>(
        std::min<std::int64_t>(static_cast<std::int64_t>(capacity - kept), size - at));
    stream.Seek(at);
    const std::size_t k = stream.Read(buffer + kept, want);
    const std::size_t filled = kept + k;
    const void* hit = ::memmem(buffer, filled, search.data(), search.size());
    if (hit != nullptr) {
      const std::int64_t offset = chunkStart + (static_cast<const char*>(hit) - buffer);
      stream.Seek(ps < 0 ? start : ps == 0 ? offset : offset + length);
      return offset + 1;
    }
    // The stream is exhausted, or shorter than it was.
    if (k < want || at + static_cast<std::int64_t>(k) >= size) break;
    kept = std::min(keepMax, filled);
    std::memmove(buffer, buffer + filled - kept, kept);
    chunkStart += static_cast<std::int64_t>(filled - kept);
  }
  stream.Seek(start);
  return 0;
}

std::int64_t TFSx::fBound(TextView n, int ps) {
  return Find(BoundaryLine(n), ps);
}

std::string TFSx::rBlock(TextView n, std::int64_t maxBytes, Oversize oversize) {
  Stream& stream = Need();
  stream.Seek(0);
  if (fBound(n, 1) < 1) return {};
  const std::int64_t position = stream.Position();
  const std::int64_t hit = Find(BoundaryStart(), -1);
  const std::int64_t length = hit > 0 ? hit - position - 1 : stream.Size() - position;
  if (length > maxBytes && oversize == Oversize::kRaise) {
    throw StreamError("The block \"" + ToUtf8(n) + "\" is larger than " + std::to_string(maxBytes) +
                      " bytes.");
  }
  if (length > maxBytes) {
    // Only whole lines count: a line cut at the limit could give a wrong value.
    std::string content = ToAnsi(ReadText(maxBytes, {}));
    const auto end = content.find_last_of("\r\n");
    content.resize(end == std::string::npos ? 0 : end + 1);
    return content;
  }
  std::string content = ToAnsi(ReadText(length, {}));
  stream.Seek(stream.Position() + static_cast<std::int64_t>(lf.size()));
  return content;
}

std::int32_t TFSx::wBound(TextView n) {
  Text line = lf;
  line.append(BoundaryLine(n));
  return Append(ToAnsi(line));
}

std::int32_t TFSx::wBlock(TextView n, TextView s) {
  const std::int32_t bound_bytes = wBound(n);
  return ToCount(std::int64_t{bound_bytes} + Append(ToAnsi(s)));
}

std::int64_t TFSx::SaveToFile(const std::string& fn, std::int64_t len, bool append) {
  Stream& stream = Need();
  if (len < 0) {
    stream.Seek(0);
    len = stream.Size();
  }
  if (len > stream.Size() - stream.Position()) {
    throw StreamError("Stream read error: fewer than " + std::to_string(len) +
                      " bytes remain to be saved to " + Quoted(fn) + ".");
  }

  struct stat info;
  const bool exists = ::stat(fn.c_str(), &info) == 0;
  UniqueFd inPlace;  // the file itself, when it is appended to or cannot be renamed over
  UniqueFd held;     // the existing file, locked while it is being replaced
  std::optional<FileReplacement> replacement;
  if (append && exists) {
    inPlace.reset(OpenRetrying(fn.c_str(), O_WRONLY | O_APPEND));
    if (!inPlace) ThrowOpen("open", fn, errno);
    if (!LockExclusive(inPlace.get())) ThrowInUse("open", fn);
  } else if (exists && !S_ISREG(info.st_mode)) {
    // A device or pipe cannot be replaced by a rename; it is written in place.
    inPlace.reset(OpenRetrying(fn.c_str(), O_WRONLY | O_TRUNC));
    if (!inPlace) ThrowOpen("create", fn, errno);
  } else {
    std::string finalPath = fn;
    ReplacementOptions options;
    if (exists) {
      // Replace the file a link points to, not the link, and honour another holder's lock.
      char resolved[PATH_MAX];
      if (::realpath(fn.c_str(), resolved) != nullptr) finalPath = resolved;
      held.reset(OpenRetrying(finalPath.c_str(), O_RDONLY));
      if (held && !LockExclusive(held.get())) ThrowInUse("create", fn);
      options.permissions = info.st_mode & 07777;
    }
    try {
      replacement.emplace(finalPath, options);
    } catch (const FileError& e) {
      ThrowOpen("create", fn, e.reason());
    }
  }

  std::vector<char> buffer(static_cast<std::size_t>(std::min<std::int64_t>(len, kCopyChunk)));
  std::int64_t left = len;
  try {
    while (left > 0) {
      const auto want = static_cast<std::size_t>(std::min<std::int64_t>(left, kCopyChunk));
      if (stream.Read(buffer.data(), want) != want) {
        throw StreamError("Stream read error: fewer bytes than expected.");
      }
      if (replacement) {
        replacement->Write(std::string_view(buffer.data(), want));
      } else {
        WriteAll(inPlace.get(), buffer.data(), want, fn);
      }
      left -= static_cast<std::int64_t>(want);
    }
    if (replacement) replacement->Commit();
  } catch (const FileError& e) {
    throw StreamError("Cannot write to file " + Quoted(fn) + ". " + e.reason());
  }
  return len;
}

}  // namespace wb
