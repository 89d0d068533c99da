#include "storage/fsx.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <iterator>
#include <string>

#include "tests/common/test_env.h"
#include "tests/common/test_files.h"

namespace wb {
namespace {

// The boundary line of a block as the stream holds it, joined from its parts.
std::string Bound(const std::string& name, const std::string& lineEnd = "\r\n") {
  return std::string("--!") + "x_bound_x" + "[" + name + "]--" + lineEnd;
}

std::string Block(const std::string& name, const std::string& content) {
  return "\r\n" + Bound(name) + content;
}

// A TFSx over a memory stream holding `bytes`, positioned at 0.
struct MemoryFsx {
  explicit MemoryFsx(std::string bytes) : stream(std::move(bytes)), fsx(stream) {}
  MemoryStream stream;
  TFSx fsx;
};

std::string FilePath(const std::string& name) {
  const std::string dir = wbtest::TestRoot() + "/fsx";
  std::filesystem::create_directories(dir);
  return dir + "/" + name;
}

using wbtest::ReadFile;
using wbtest::WriteFile;

// The error of opening `path` with `opt`, or empty text when it opens.
std::string OpenError(const std::string& path, const std::u16string& opt) {
  try {
    TFSx fsx(path, opt);
    return {};
  } catch (const StreamError& e) {
    return e.what();
  }
}

// --- Blocks ---------------------------------------------------------------------------------

TEST(FsxBlocks, ReadsBlocksByExactName) {
  struct Case {
    const char* what;
    std::string stream;
    std::u16string name;
    std::string content;
  };
  const std::string ab = Block("A", "X") + Block("B", "Y");
  const Case cases[] = {
      {"boundary at the very start, no line end before it", Bound("A") + "12345", u"A", "12345"},
      {"names are case-sensitive", Bound("A") + "12345", u"a", ""},
      {"missing block", Bound("A") + "12345", u"B", ""},
      {"first of two blocks", ab, u"A", "X"},
      {"last block runs to the end", ab, u"B", "Y"},
      {"the first block of a name wins", Block("A", "first") + Block("A", "second"), u"A", "first"},
      {"boundary line ended by a lone LF is not one", "\n" + Bound("A", "\n") + "abc", u"A", ""},
      {"content cut at the next boundary of any name",
       Block("A", "one\r\ntwo") + "\r\n--!x_bound_x[Z" + "tail", u"A", "one\r\ntwo"},
      {"a line end before a partial boundary stays content",
       Block("A", "one\r\n--!x_bound_x(not") + Block("B", ""), u"A", "one\r\n--!x_bound_x(not"},
      {"appended after binary data",
       std::string("\x7f"
                   "ELF\0\0\x01",
                   7) +
           Block("A", "v=1"),
       u"A", "v=1"},
      {"name must be enclosed exactly", Bound("AB") + "x", u"A", ""},
      {"empty content", Block("A", "") + Block("B", "Y"), u"A", ""},
  };
  for (const auto& c : cases) {
    MemoryFsx m(c.stream);
    EXPECT_EQ(m.fsx.rBlock(c.name), c.content) << c.what;
  }
}

TEST(FsxBlocks, WritesTheDocumentedBytesAndReadsThemBack) {
  TFSx fsx("memory", u"");
  EXPECT_EQ(fsx.wBlock(u"A", u"X"), 2 + static_cast<int>(Bound("A").size()) + 1);
  fsx.wBlock(u"B", u"Y");
  EXPECT_EQ(fsx.ms->Bytes(), "\r\n" + Bound("A") + "X" + "\r\n" + Bound("B") + "Y");
  EXPECT_EQ(fsx.rBlock(u"A"), "X");
  EXPECT_EQ(fsx.rBlock(u"B"), "Y");

  // A second block of an existing name is appended but never returned.
  fsx.wBlock(u"A", u"Z");
  EXPECT_EQ(fsx.rBlock(u"A"), "X");
}

TEST(FsxBlocks, RoundTripsContentThroughTheAnsiCodePage) {
  const std::u16string contents[] = {u"", u"title=Caf\u00E9 \u20AC", u"a\r\nb\r\n", u"\r\n",
                                     u"--!x_bound_x[A]--"};
  for (const auto& content : contents) {
    TFSx fsx("memory", u"");
    fsx.wBlock(u"WebBrowser", content);
    fsx.wBlock(u"Other", u"o");
    EXPECT_EQ(fsx.rBlock(u"WebBrowser"), ToAnsi(content));
  }
}

// HoldsBoundary is what callers ask before they write a block, so it must agree with rBlock.
TEST(FsxBlocks, HoldsBoundarySaysWhichContentEndsItsBlockEarly) {
  struct Case {
    const char* what;
    Text content;
    bool holds;
  };
  const Case cases[] = {
      {"empty", u"", false},
      {"a boundary line at the start follows the block's own line end", FromAnsi(Bound("Z")),
       false},
      {"a boundary line after a line end", u"a" + FromAnsi(Block("Z", "z")), true},
      {"only the start of one", u"a" + FromAnsi("\r\n--!" + std::string("x_bound_x") + "["), true},
      {"a line end before a partial boundary", FromAnsi("a\r\n--!x_bound_x(Z]--"), false},
      {"a lone LF before a boundary line", u"a\n" + FromAnsi(Bound("Z")), false},
  };
  for (const auto& c : cases) {
    TFSx fsx("memory", u"m");
    EXPECT_EQ(fsx.HoldsBoundary(c.content), c.holds) << c.what;
    fsx.wBlock(u"A", c.content);
    fsx.wBlock(u"B", u"b");
    EXPECT_EQ(fsx.rBlock(u"A") != ToAnsi(c.content), c.holds) << c.what;
  }
  // The bytes count: a character the code page lacks is written as "?", which a boundary word
  // may hold.
  TFSx fsx("memory", u"m");
  fsx.bound = u"b?";
  EXPECT_TRUE(fsx.HoldsBoundary(u"a\r\n--!b\u4E2D[Z]--"));
}

TEST(FsxBlocks, PositionAfterTheLastBlockStandsPastTheEnd) {
  MemoryFsx m(Block("A", "X") + Block("B", "Y"));
  EXPECT_EQ(m.fsx.rBlock(u"A"), "X");
  // After a found next boundary the position stands on its "--!".
  EXPECT_EQ(m.stream.Position(), static_cast<std::int64_t>(Block("A", "X").size()) + 2);
  EXPECT_EQ(m.fsx.rBlock(u"B"), "Y");
  EXPECT_EQ(m.stream.Position(), m.stream.Size() + 2);
  EXPECT_EQ(m.fsx.Find(u"Y", 1), 0);
  EXPECT_EQ(m.stream.Position(), m.stream.Size() + 2);
  EXPECT_EQ(m.fsx.rString(5), u"");
  EXPECT_EQ(m.fsx.ReadLn(), u"");
  EXPECT_EQ(m.fsx.rBlock(u"B"), "Y");
  EXPECT_EQ(m.fsx.rBlock(u"A"), "X");
}

TEST(FsxBlocks, RefusesABlockLargerThanTheCallersLimit) {
  MemoryFsx m(Block("A", std::string(100, 'x')));
  EXPECT_THROW(m.fsx.rBlock(u"A", 99), StreamError);
  EXPECT_EQ(m.fsx.rBlock(u"A", 100).size(), 100u);
}

TEST(FsxBlocks, KeepsTheWholeLinesOfAnOversizeBlockWhenAsked) {
  const struct {
    std::string content;
    std::int64_t limit;
    std::string expected;
  } cases[] = {
      {"a=1\r\nb=2\r\nc=3", 9, "a=1\r\nb=2\r"},  // the cut CR LF leaves a lone CR
      {"a=1\r\nb=2\r\nc=3", 10, "a=1\r\nb=2\r\n"},
      {"a=1\nbbbbbbbb", 6, "a=1\n"},
      {"no line end at all", 5, ""},
  };
  for (const auto& c : cases) {
    MemoryFsx m(Block("A", c.content));
    EXPECT_EQ(m.fsx.rBlock(u"A", c.limit, TFSx::Oversize::kKeepWholeLines), c.expected)
        << c.content << " / " << c.limit;
  }
}

TEST(FsxBlocks, DecodesByTheCharsetField) {
  MemoryFsx m(Block("A", "caf\xC3\xA9"));
  m.fsx.charset = u"utf-8";
  EXPECT_EQ(m.fsx.rBlock(u"A"), "caf\xE9");
  m.fsx.charset = u"UTF-8";  // not exactly "utf-8": ANSI, byte for byte
  EXPECT_EQ(m.fsx.rBlock(u"A"), "caf\xC3\xA9");
}

// --- Find -----------------------------------------------------------------------------------

TEST(FsxFind, LeavesThePositionAsPsSays) {
  struct Case {
    int ps;
    std::int64_t position;
  };
  const Case cases[] = {{-1, 0}, {0, 2}, {1, 3}};
  for (const auto& c : cases) {
    MemoryFsx m("abxd");
    EXPECT_EQ(m.fsx.Find(u"x", c.ps), 3) << c.ps;
    EXPECT_EQ(m.stream.Position(), c.position) << c.ps;
  }
}

TEST(FsxFind, MissesLeaveThePositionAlone) {
  struct Case {
    const char* what;
    std::string stream;
    std::int64_t start;
    std::u16string search;
  };
  const Case cases[] = {
      {"no occurrence", "abcdef", 1, u"zz"},
      {"occurrence before the start", "abcdef", 2, u"ab"},
      {"fewer bytes left than the search", "abcdef", 4, u"efg"},
      {"empty search", "abcdef", 3, u""},
      {"start past the end", "abc", 10, u"a"},
      {"empty stream", "", 0, u"a"},
  };
  for (const auto& c : cases) {
    MemoryFsx m(c.stream);
    m.stream.Seek(c.start);
    for (int ps : {-1, 0, 1}) {
      EXPECT_EQ(m.fsx.Find(c.search, ps), 0) << c.what;
      EXPECT_EQ(m.stream.Position(), c.start) << c.what;
    }
  }
}

TEST(FsxFind, FindsTheFirstOccurrenceAtOrAfterThePosition) {
  MemoryFsx m("xaxbxc");
  m.stream.Seek(1);
  EXPECT_EQ(m.fsx.Find(u"x", 1), 3);
  EXPECT_EQ(m.fsx.Find(u"x", 1), 5);
  EXPECT_EQ(m.fsx.Find(u"x", 1), 0);
  EXPECT_EQ(m.stream.Position(), 5);
  // The search text is compared as ANSI bytes.
  MemoryFsx e(
      "a\xE9"
      "b");
  EXPECT_EQ(e.fsx.Find(u"\u00E9", 0), 2);
}

// Hits placed across the border of the 1024-byte chunks of the design and across the border
// of the larger buffer the search reads through, in memory and in a file.
TEST(FsxFind, FindsOccurrencesThatStraddleChunkBorders) {
  const std::int64_t big = std::int64_t{1} << 20;
  const std::int64_t offsets[] = {0,       1,       1020, 1023,    1024,        big - 30,
                                  big - 5, big - 1, big,  big + 3, 2 * big - 17};
  const std::string search = Bound("WebBrowser");
  const std::string path = FilePath("chunks");
  for (std::int64_t offset : offsets) {
    std::string bytes(static_cast<std::size_t>(2 * big + 64), '-');
    bytes.replace(static_cast<std::size_t>(offset), search.size(), search);
    MemoryFsx m(bytes);
    EXPECT_EQ(m.fsx.FindBytes(search, 0), offset + 1) << offset;
    EXPECT_EQ(m.stream.Position(), offset) << offset;

    WriteFile(path, bytes);
    TFSx f(path, u"r");
    EXPECT_EQ(f.FindBytes(search, 1), offset + 1) << offset;
    EXPECT_EQ(f.st->Position(), offset + static_cast<std::int64_t>(search.size())) << offset;
    // A search that starts one byte later must not find it.
    f.st->Seek(offset + 1);
    EXPECT_EQ(f.FindBytes(search, 1), 0) << offset;
  }
}

TEST(FsxFind, LongSearchTextsAreFoundAndTheSearchEnds) {
  std::string needle(3000, 'n');
  needle.back() = 'e';
  std::string bytes(5000, 'n');
  bytes += needle + "tail";
  MemoryFsx m(bytes);
  EXPECT_EQ(m.fsx.FindBytes(needle, -1), 5001);
  EXPECT_EQ(m.fsx.FindBytes(needle + "x", -1), 0);
}

// A stream that another process keeps appending to, as fast as it is read: every read adds
// as many bytes again, up to `growths` times.
class GrowingStream final : public Stream {
 public:
  GrowingStream(std::string bytes, std::string appended, int growths)
      : bytes_(std::move(bytes)), appended_(std::move(appended)), growths_(growths) {}
  std::int64_t Size() const override { return static_cast<std::int64_t>(bytes_.size()); }
  std::int64_t Position() const override { return inner_.Position(); }
  void Seek(std::int64_t position) override { inner_.Seek(position); }
  std::size_t Read(char* buffer, std::size_t count) override {
    MemoryStream view(bytes_);
    view.Seek(inner_.Position());
    const std::size_t n = view.Read(buffer, count);
    inner_.Seek(inner_.Position() + static_cast<std::int64_t>(n));
    read_ += n;
    if (growths_-- > 0) {
      while (bytes_.size() < inner_.Position() + count) bytes_ += appended_;
    }
    return n;
  }
  void Write(const char*, std::size_t) override {}
  std::size_t BytesRead() const { return read_; }

 private:
  std::string bytes_;
  std::string appended_;
  int growths_;
  MemoryStream inner_;  // keeps the position only
  std::size_t read_ = 0;
};

TEST(FsxFind, SearchesTheStreamAsItWasWhenTheSearchBegan) {
  const std::string search = Bound("WebBrowser");
  GrowingStream stream(std::string(5000, '-'), search + std::string(3000, '-'), 200);
  TFSx fsx(stream);
  EXPECT_EQ(fsx.FindBytes(search, 1), 0);
  EXPECT_EQ(stream.Position(), 0);
  EXPECT_EQ(stream.BytesRead(), 5000u);
}

// --- Reading and writing text ---------------------------------------------------------------

TEST(FsxText, ReadLnReadsLineByLine) {
  MemoryFsx m("a\r\nb");
  EXPECT_EQ(m.fsx.ReadLn(), u"a");
  EXPECT_EQ(m.fsx.ReadLn(), u"b");
  EXPECT_EQ(m.fsx.ReadLn(), u"");
  EXPECT_EQ(m.stream.Position(), 4);

  MemoryFsx lone("a\nb\r\n\r\nc");
  EXPECT_EQ(lone.fsx.ReadLn(), u"a\nb");
  EXPECT_EQ(lone.fsx.ReadLn(), u"");
  EXPECT_EQ(lone.fsx.ReadLn(), u"c");
}

TEST(FsxText, CountedReads) {
  struct Case {
    const char* what;
    std::int64_t start;
    std::int32_t count;
    std::u16string text;
    std::int64_t end;
  };
  const Case cases[] = {
      {"within the stream", 1, 2, u"bc", 3},
      {"past the end is cut to what remains", 2, 10, u"cdef", 6},
      {"at the end", 6, 3, u"", 6},
      {"below 0 reads the whole stream from its start", 4, -1, u"abcdef", 6},
      {"zero", 2, 0, u"", 2},
  };
  for (const auto& c : cases) {
    MemoryFsx m("abcdef");
    m.stream.Seek(c.start);
    EXPECT_EQ(m.fsx.rString(c.count), c.text) << c.what;
    EXPECT_EQ(m.stream.Position(), c.end) << c.what;
  }
}

TEST(FsxText, DelimitedReads) {
  MemoryFsx m("one--two--three");
  EXPECT_EQ(m.fsx.rString(u"--"), u"one");
  EXPECT_EQ(m.fsx.rString(u"--"), u"two");
  EXPECT_EQ(m.fsx.rString(u"--"), u"three");
  EXPECT_EQ(m.stream.Position(), 15);
}

TEST(FsxText, CharsetSelectsUtf8OnlyWhenSpelledExactly) {
  const std::string utf8 = "\xC3\xA9";
  struct ReadCase {
    std::u16string argument, field, text;
  };
  const ReadCase reads[] = {
      {u"utf-8", u"", u"\u00E9"},        {u"", u"utf-8", u"\u00E9"},
      {u"UTF-8", u"", u"\u00C3\u00A9"},  {u"utf8", u"", u"\u00C3\u00A9"},
      {u"x", u"utf-8", u"\u00C3\u00A9"},
  };
  for (const auto& c : reads) {
    MemoryFsx m(utf8);
    m.fsx.charset = c.field;
    EXPECT_EQ(m.fsx.rString(2, c.argument), c.text);
  }
  struct WriteCase {
    std::u16string argument, field;
    std::string bytes;
  };
  const WriteCase writes[] = {
      {u"utf8", u"", utf8},   {u"", u"utf8", utf8}, {u"utf-8", u"", "\xE9"},
      {u"UTF8", u"", "\xE9"}, {u"", u"", "\xE9"},
  };
  for (const auto& c : writes) {
    TFSx fsx("memory", u"");
    fsx.charset = c.field;
    fsx.wString(u"\u00E9", c.argument);
    EXPECT_EQ(fsx.ms->Bytes(), c.bytes);
  }
}

TEST(FsxText, WritingReturnsTheGrowthOfTheStream) {
  TFSx fsx("memory", u"");
  EXPECT_EQ(fsx.WriteLn(u"abc"), 5);
  EXPECT_EQ(fsx.wString(u"de"), 2);
  fsx.st->Seek(1);
  EXPECT_EQ(fsx.wString(u"XY"), 0);  // inside the stream
  fsx.st->Seek(6);
  EXPECT_EQ(fsx.wString(u"123"), 2);  // reaching one byte past the end
  EXPECT_EQ(fsx.ms->Bytes(), "aXY\r\nd123");
  EXPECT_EQ(fsx.Append("!!"), 2);
  EXPECT_EQ(fsx.st->Position(), 11);
  // A position past the end writes at the end, leaving no gap.
  fsx.st->Seek(40);
  EXPECT_EQ(fsx.wString(u"z"), 1);
  EXPECT_EQ(fsx.ms->Bytes(), "aXY\r\nd123!!z");
}

TEST(FsxText, NoStream) {
  MemoryStream stream;
  TFSx fsx(stream);
  fsx.st = nullptr;
  EXPECT_EQ(fsx.rString(5), u"");
  EXPECT_EQ(fsx.ReadLn(), u"");
  EXPECT_THROW(fsx.Append("x"), StreamError);
}

// --- Construction ---------------------------------------------------------------------------

TEST(FsxCreate, FileModes) {
  struct Case {
    std::u16string opt;
    bool exists;
    std::u16string mode;
    std::string contentAfter;  // file content after opening
    bool writable;
    bool unshared;  // a reader with "r" is refused too, not only a writer
  };
  const Case cases[] = {
      {u"r", true, u"r", "old", false, false}, {u"w", true, u"w", "old", true, true},
      {u"a", true, u"a", "old", true, true},   {u"c", true, u"c", "", true, true},
      {u"", true, u"", "old", false, true},    {u"zz", true, u"zz", "old", false, true},
      {u"r", false, u"c", "", true, true},     {u"w", false, u"c", "", true, true},
      {u"", false, u"c", "", true, true},
  };
  int n = 0;
  for (const auto& c : cases) {
    const std::string path = FilePath("mode" + std::to_string(n++));
    std::filesystem::remove(path);
    if (c.exists) WriteFile(path, "old");
    TFSx fsx(path, c.opt);
    const std::string what = ToUtf8(c.opt) + (c.exists ? " existing" : " missing");
    EXPECT_EQ(fsx.mode, c.mode) << what;
    ASSERT_NE(fsx.fs, nullptr) << what;
    EXPECT_EQ(fsx.st, fsx.fs.get()) << what;
    EXPECT_EQ(fsx.st->Position(), 0) << what;
    EXPECT_EQ(ReadFile(path), c.contentAfter) << what;
    if (c.writable) {
      EXPECT_EQ(fsx.Append("+"), 1) << what;
    } else {
      EXPECT_THROW(fsx.Append("+"), StreamError) << what;
    }
    // Every holder keeps others from taking the file unshared; only "r" lets others read it
    // with "r" meanwhile. A refusal comes at once, without waiting for the holder.
    EXPECT_NE(OpenError(path, u"w").find("in use"), std::string::npos) << what;
    EXPECT_NE(OpenError(path, u"c").find("in use"), std::string::npos) << what;
    if (c.unshared) {
      EXPECT_NE(OpenError(path, u"r").find("in use"), std::string::npos) << what;
    } else {
      EXPECT_EQ(OpenError(path, u"r"), "") << what;
    }
    // A refused "c" has not emptied the holder's file.
    EXPECT_EQ(ReadFile(path), c.contentAfter + (c.writable ? "+" : "")) << what;
  }
}

TEST(FsxCreate, LockIsReleasedWithTheObject) {
  const std::string path = FilePath("lock");
  { TFSx first(path, u"w"); }
  EXPECT_NO_THROW(TFSx(path, u"w"));
}

TEST(FsxCreate, MemoryStreams) {
  TFSx byName("memory", u"w");
  EXPECT_EQ(byName.mode, u"m");
  EXPECT_NE(byName.ms, nullptr);
  EXPECT_EQ(byName.fs, nullptr);
  TFSx byOpt(FilePath("never-created"), u"m");
  EXPECT_EQ(byOpt.mode, u"m");
  EXPECT_FALSE(std::filesystem::exists(FilePath("never-created")));
  TFSx upper(FilePath("Memory-is-a-file"), u"M");
  EXPECT_NE(upper.fs, nullptr);
}

TEST(FsxCreate, InitialFields) {
  TFSx fsx("memory", u"");
  EXPECT_EQ(fsx.bound, u"x_bound_x");
  EXPECT_EQ(fsx.lf, u"\r\n");
  EXPECT_EQ(fsx.charset, u"");
  EXPECT_EQ(fsx.FirstPos, -1);
}

TEST(FsxCreate, CallersStreamKeepsItsPositionAndOwner) {
  MemoryStream stream("abc" + Block("A", "X"));
  stream.Seek(2);
  {
    TFSx fsx(stream);
    EXPECT_EQ(fsx.mode, u"x");
    EXPECT_EQ(stream.Position(), 2);
    EXPECT_EQ(fsx.ms, nullptr);
    EXPECT_EQ(fsx.rBlock(u"A"), "X");
  }
  EXPECT_EQ(stream.Size(), 3 + static_cast<std::int64_t>(Block("A", "X").size()));
}

TEST(FsxCreate, ErrorsNameTheFileAndTheReason) {
  const std::string missingDir = FilePath("no-such-dir") + "/file";
  try {
    TFSx fsx(missingDir, u"r");
    FAIL() << "no error";
  } catch (const StreamError& e) {
    EXPECT_NE(std::string(e.what()).find(missingDir), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("No such file"), std::string::npos) << e.what();
  }
  const std::string dir = FilePath("a-directory");
  std::filesystem::create_directories(dir);
  for (const char16_t* opt : {u"r", u"w"}) {
    EXPECT_THROW(TFSx(dir, opt), StreamError);
  }
}

// --- SaveToFile -----------------------------------------------------------------------------

TEST(FsxSave, CopiesFromThePosition) {
  struct Case {
    const char* what;
    std::int64_t start;
    std::int64_t len;
    bool append;
    std::string before;  // empty: the target does not exist
    std::string after;
    std::int64_t result;
    std::int64_t end;
  };
  const Case cases[] = {
      {"len 0 empties an existing file", 2, 0, false, "old", "", 0, 2},
      {"len 0 creates a missing file", 2, 0, false, "", "", 0, 2},
      {"len 0 appending keeps the file", 2, 0, true, "old", "old", 0, 2},
      {"part from the position", 1, 3, false, "old", "bcd", 3, 4},
      {"appending adds at the end", 4, 2, true, "old", "oldef", 2, 6},
      {"appending to a missing file creates it", 4, 2, true, "", "ef", 2, 6},
      {"len below 0 copies the whole stream", 3, -1, false, "old", "abcdef", 6, 6},
  };
  int n = 0;
  for (const auto& c : cases) {
    const std::string path = FilePath("save" + std::to_string(n++));
    std::filesystem::remove(path);
    if (!c.before.empty()) WriteFile(path, c.before);
    MemoryFsx m("abcdef");
    m.stream.Seek(c.start);
    EXPECT_EQ(m.fsx.SaveToFile(path, c.len, c.append), c.result) << c.what;
    EXPECT_TRUE(std::filesystem::exists(path)) << c.what;
    EXPECT_EQ(ReadFile(path), c.after) << c.what;
    EXPECT_EQ(m.stream.Position(), c.end) << c.what;
  }
}

TEST(FsxSave, ShortStreamWritesNothing) {
  const std::string dir = FilePath("short");
  std::filesystem::create_directories(dir);
  const std::string path = dir + "/target";
  WriteFile(path, "keep");
  MemoryFsx m("abc");
  m.stream.Seek(1);
  EXPECT_THROW(m.fsx.SaveToFile(path, 5, false), StreamError);
  EXPECT_THROW(m.fsx.SaveToFile(path, 5, true), StreamError);
  EXPECT_THROW(m.fsx.SaveToFile(dir + "/missing", 5, false), StreamError);
  EXPECT_EQ(ReadFile(path), "keep");
  // No temporary file is left behind, and no missing target is created.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir),
                          std::filesystem::directory_iterator()),
            1);
}

TEST(FsxSave, ReplacingKeepsPermissionsAndLinks) {
  const std::string target = FilePath("save-target");
  const std::string link = FilePath("save-link");
  WriteFile(target, "old");
  ::chmod(target.c_str(), 0640);
  std::filesystem::remove(link);
  std::filesystem::create_symlink(target, link);
  MemoryFsx m("new");
  m.fsx.SaveToFile(link, -1, false);
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(ReadFile(target), "new");
  struct stat info;
  ASSERT_EQ(::stat(target.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u);
}

TEST(FsxSave, RefusesAFileAnotherHolds) {
  // Saving takes the file unshared, which a reader with "r" excludes as much as a writer.
  for (const char16_t* opt : {u"w", u"r"}) {
    SCOPED_TRACE(ToUtf8(opt));
    const std::string path = FilePath("save-held");
    WriteFile(path, "held");
    TFSx holder(path, opt);
    MemoryFsx m("abc");
    EXPECT_THROW(m.fsx.SaveToFile(path, -1, false), StreamError);
    EXPECT_THROW(m.fsx.SaveToFile(path, -1, true), StreamError);
    EXPECT_EQ(ReadFile(path), "held");
  }
}

}  // namespace
}  // namespace wb
