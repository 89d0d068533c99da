#include "storage/elf_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <regex>

#include "storage/fsx.h"
#include "storage/version_info.h"
#include "tests/common/test_env.h"
#include "tests/common/test_files.h"

namespace wb {
namespace {

// ---- A writer of small ELF files, to give the reader every form and every fault. ----------

struct SectionLayout {
  std::string name;
  std::uint32_t type = 1;  // SHT_PROGBITS
  std::string content;
  std::uint64_t alignment = 4;
  std::uint64_t nobitsSize = 0;  // the size an SHT_NOBITS section claims
};

struct ElfLayout {
  bool is64 = true;
  bool bigEndian = false;
  std::vector<SectionLayout> sections;
  bool sectionHeaders = true;      // false: e_shoff = 0, as after sstrip
  bool extendedNumbering = false;  // counts and name index kept in section 0
};

class Bytes {
 public:
  explicit Bytes(bool bigEndian) : big_(bigEndian) {}
  void Put(std::uint64_t value, int width) {
    for (int i = 0; i < width; ++i) {
      const int shift = 8 * (big_ ? width - 1 - i : i);
      data.push_back(static_cast<char>((value >> shift) & 0xFF));
    }
  }
  void Set(std::size_t at, std::uint64_t value, int width) {
    Bytes b(big_);
    b.Put(value, width);
    data.replace(at, static_cast<std::size_t>(width), b.data);
  }
  void Align(std::uint64_t a) {
    while (data.size() % a != 0) data.push_back('\0');
  }
  std::string data;

 private:
  bool big_;
};

std::string Note(const std::string& name, std::uint32_t type, const std::string& desc,
                 bool bigEndian = false) {
  Bytes b(bigEndian);
  b.Put(name.size() + 1, 4);
  b.Put(desc.size(), 4);
  b.Put(type, 4);
  b.data += name;
  b.data.push_back('\0');
  b.Align(4);
  b.data += desc;
  b.Align(4);
  return b.data;
}

std::string VersionDesc(std::uint32_t major, std::uint32_t minor, std::uint32_t release,
                        std::uint32_t build, std::uint64_t stamp, bool bigEndian = false) {
  Bytes b(bigEndian);
  for (std::uint64_t v : {std::uint64_t{major}, std::uint64_t{minor}, std::uint64_t{release},
                          std::uint64_t{build}, stamp & 0xFFFFFFFF, stamp >> 32}) {
    b.Put(v, 4);
  }
  return b.data;
}

SectionLayout NoteSection(std::string content, std::string name = ".note.webbrowser") {
  return SectionLayout{std::move(name), 7, std::move(content), 4, 0};
}

// ELF header, one PT_NOTE program header per note section, the section contents, the section
// name table, the section header table. Offsets of the header fields are those of the ELF
// layout for the chosen class.
std::string BuildElf(const ElfLayout& layout) {
  const bool w = layout.is64;
  const int word = w ? 8 : 4;
  const std::size_t ehSize = w ? 64 : 52, phSize = w ? 56 : 32, shSize = w ? 64 : 40;
  Bytes b(layout.bigEndian);
  b.data = "\177ELF";
  b.data += static_cast<char>(w ? 2 : 1);
  b.data += static_cast<char>(layout.bigEndian ? 2 : 1);
  b.data += '\x01';
  b.data.resize(ehSize, '\0');
  b.Set(16, 2, 2);  // ET_EXEC
  b.Set(20, 1, 4);  // EV_CURRENT

  std::vector<SectionLayout> all = layout.sections;
  std::string names(1, '\0');
  std::vector<std::size_t> nameOffsets;
  for (const auto& s : all) {
    nameOffsets.push_back(names.size());
    names += s.name + '\0';
  }
  nameOffsets.push_back(names.size());
  names += ".shstrtab";
  names.push_back('\0');
  all.push_back(SectionLayout{".shstrtab", 3, names, 1, 0});

  std::size_t noteCount = 0;
  for (const auto& s : layout.sections) noteCount += s.type == 7;
  const std::size_t phOffset = ehSize;
  b.data.resize(phOffset + noteCount * phSize, '\0');

  std::vector<std::uint64_t> offsets;
  for (const auto& s : all) {
    b.Align(s.alignment == 0 ? 1 : s.alignment);
    offsets.push_back(s.type == 8 ? 0x100000 : b.data.size());
    if (s.type != 8) b.data += s.content;
  }
  std::size_t ph = 0;
  for (std::size_t i = 0; i < layout.sections.size(); ++i) {
    if (layout.sections[i].type != 7) continue;
    const std::size_t at = phOffset + ph++ * phSize;
    b.Set(at, 4, 4);  // PT_NOTE
    b.Set(at + (w ? 8 : 4), offsets[i], word);
    b.Set(at + (w ? 32 : 16), layout.sections[i].content.size(), word);
    b.Set(at + (w ? 40 : 20), layout.sections[i].content.size(), word);
    b.Set(at + (w ? 48 : 28), layout.sections[i].alignment, word);
  }

  b.Align(8);
  const std::size_t shOffset = b.data.size();
  const std::size_t shCount = all.size() + 1;
  const std::size_t nameIndex = all.size();
  b.data.resize(shOffset + shCount * shSize, '\0');
  for (std::size_t i = 0; i < all.size(); ++i) {
    const std::size_t at = shOffset + (i + 1) * shSize;
    const auto& s = all[i];
    b.Set(at, nameOffsets[i], 4);
    b.Set(at + 4, s.type, 4);
    b.Set(at + (w ? 24 : 16), offsets[i], word);
    b.Set(at + (w ? 32 : 20), s.type == 8 ? s.nobitsSize : s.content.size(), word);
    b.Set(at + (w ? 48 : 32), s.alignment, word);
  }

  b.Set(w ? 32 : 28, noteCount ? phOffset : 0, word);
  const std::size_t base = w ? 52 : 40;
  b.Set(base, ehSize, 2);
  b.Set(base + 2, phSize, 2);
  b.Set(base + 4, noteCount, 2);
  b.Set(base + 6, shSize, 2);
  if (!layout.sectionHeaders) {
    b.data.resize(shOffset);  // the section name table stays as unreferenced data
    return b.data;
  }
  b.Set(w ? 40 : 32, shOffset, word);
  if (layout.extendedNumbering) {
    b.Set(base + 8, 0, 2);
    b.Set(base + 10, 0xFFFF, 2);
    b.Set(shOffset + (w ? 32 : 20), shCount, word);  // section 0's sh_size
    b.Set(shOffset + (w ? 40 : 24), nameIndex, 4);   // section 0's sh_link
  } else {
    b.Set(base + 8, shCount, 2);
    b.Set(base + 10, nameIndex, 2);
  }
  return b.data;
}

// Writes a test file named `name` and returns its path.
std::string TestFile(const std::string& name, const std::string& bytes) {
  const std::string path = wbtest::TestRoot() + "/elf/" + name;
  wbtest::WriteFile(path, bytes);
  return path;
}

Text AsText(const std::string& path) {
  return FromUtf8(path);
}

std::string OwnExecutable() {
  return wbtest::ReadFile("/proc/self/exe");
}

// ---- The test program's own note: it is built as version 1.2.3.4, stamped 1700000000. -----

TEST(VersionNote, OfTheRunningExecutable) {
  EXPECT_EQ(FileVersionText(u""), u"1.2.3.4");
  const auto note = ReadVersionNote("");
  ASSERT_TRUE(note.has_value());
  EXPECT_EQ(note->buildStamp, 1700000000u);
  EXPECT_DOUBLE_EQ(BuildDate(), 25569.0 + 1700000000.0 / 86400.0);
  EXPECT_EQ(FormatIsoDate(BuildDate()), u"2023-11-14");
  // The same file named by its path.
  char path[4096];
  const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
  ASSERT_GT(n, 0);
  EXPECT_EQ(FileVersionText(AsText(std::string(path, static_cast<std::size_t>(n)))), u"1.2.3.4");
}

TEST(VersionNote, EveryClassAndByteOrder) {
  for (bool is64 : {true, false}) {
    for (bool big : {false, true}) {
      ElfLayout layout;
      layout.is64 = is64;
      layout.bigEndian = big;
      layout.sections = {
          SectionLayout{".text", 1, std::string(100, 'x'), 16, 0},
          NoteSection(Note("GNU", 3, std::string(20, 'g'), big) +
                      Note("WebBrowser", 1, VersionDesc(7, 0, 65535, 12, 86400, big), big)),
      };
      const std::string path = TestFile("forms", BuildElf(layout));
      const std::string label = std::string(is64 ? "ELF64" : "ELF32") + (big ? " BE" : " LE");
      EXPECT_EQ(FileVersionText(AsText(path)), u"7.0.65535.12") << label;
      EXPECT_DOUBLE_EQ(BuildDate(AsText(path)), 25570.0) << label;
    }
  }
}

TEST(VersionNote, ReadWhereverTheHeadersPutIt) {
  const std::string note = Note("WebBrowser", 1, VersionDesc(3, 4, 5, 6, 5000000000));
  const struct {
    const char* label;
    ElfLayout layout;
  } cases[] = {
      {"in its own section", ElfLayout{true, false, {NoteSection(note)}, true, false}},
      {"after other notes", ElfLayout{true,
                                      false,
                                      {NoteSection(Note("GNU", 1, "abcd")),
                                       NoteSection(Note("Go", 4, "") + note, ".note.other")},
                                      true,
                                      false}},
      {"with extended numbering", ElfLayout{false, true, {}, true, true}},
      {"without section headers", ElfLayout{true, false, {NoteSection(note)}, false, false}},
  };
  for (auto c : cases) {
    if (c.layout.sections.empty()) {
      c.layout.sections = {
          NoteSection(Note("WebBrowser", 1, VersionDesc(3, 4, 5, 6, 5000000000, true), true))};
    }
    const std::string path = TestFile("where", BuildElf(c.layout));
    EXPECT_EQ(FileVersionText(AsText(path)), u"3.4.5.6") << c.label;
    // A stamp beyond 32 bits (the year 2128) keeps its high half.
    EXPECT_EQ(FormatIsoDate(BuildDate(AsText(path))), u"2128-06-11") << c.label;
  }
}

TEST(VersionNote, FilesWithoutAUsableNoteGiveEmptyAndZero) {
  const std::string own = OwnExecutable();
  ASSERT_GT(own.size(), 4096u);
  auto elfWith = [](const std::string& notes) {
    return BuildElf(ElfLayout{true, false, {NoteSection(notes)}, true, false});
  };
  const std::string good = VersionDesc(1, 2, 3, 4, 86400);
  const struct {
    const char* label;
    std::string bytes;
  } cases[] = {
      {"empty file", ""},
      {"text file", "WebBrowser 1.2.3.4\n"},
      {"magic only", "\177ELF"},
      {"own executable cut to 16 bytes", own.substr(0, 16)},
      {"own executable cut to 63 bytes", own.substr(0, 63)},
      {"own executable cut to 64 bytes", own.substr(0, 64)},
      {"own executable cut in half", own.substr(0, own.size() / 2)},
      {"own executable one byte short", own.substr(0, own.size() - 1)},
      {"no note at all",
       BuildElf(ElfLayout{true, false, {SectionLayout{".data", 1, "x", 1, 0}}, true, false})},
      {"other notes only", elfWith(Note("GNU", 1, good))},
      {"wrong note type", elfWith(Note("WebBrowser", 2, good))},
      {"longer name", elfWith(Note("WebBrowserX", 1, good))},
      {"short description", elfWith(Note("WebBrowser", 1, good.substr(0, 20)))},
      {"long description", elfWith(Note("WebBrowser", 1, good + "abcd"))},
      {"version number above 16 bits",
       elfWith(Note("WebBrowser", 1, VersionDesc(1, 65536, 3, 4, 86400)))},
      {"name size beyond the section",
       elfWith(Note("WebBrowser", 1, good).replace(0, 4, std::string("\xFF\xFF\xFF\xFF", 4)))},
      {"description size beyond the section",
       elfWith(Note("WebBrowser", 1, good).replace(4, 4, std::string("\xF0\xFF\xFF\x7F", 4)))},
      {"note cut short", elfWith(Note("WebBrowser", 1, good).substr(0, 30))},
  };
  for (const auto& c : cases) {
    const std::string path = TestFile("unusable", c.bytes);
    EXPECT_EQ(FileVersionText(AsText(path)), u"") << c.label;
    EXPECT_EQ(BuildDate(AsText(path)), 0.0) << c.label;
  }
  EXPECT_EQ(FileVersionText(AsText(wbtest::TestRoot() + "/no such file")), u"");
  EXPECT_EQ(FileVersionText(AsText(wbtest::TestRoot())), u"");  // a folder
  const std::string fifo = wbtest::TestRoot() + "/elf/fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(FileVersionText(AsText(fifo)), u"");  // answered at once, not blocked
}

// ---- Headers that lie. ----------------------------------------------------------------------

// The ELF64 little-endian test file with one header field overwritten.
std::string Patched(std::size_t at, std::uint64_t value, int width) {
  const std::string note = Note("WebBrowser", 1, VersionDesc(1, 2, 3, 4, 0));
  Bytes b(false);
  b.data = BuildElf(ElfLayout{true, false, {NoteSection(note)}, true, false});
  if (at != 0) b.Set(at, value, width);
  return b.data;
}

TEST(ElfFile, RefusesHeadersThatPointOutsideTheFile) {
  const std::string valid = Patched(0, 0, 0);
  // e_shoff of the little-endian ELF64 file.
  std::uint64_t shOffset = 0;
  for (int i = 7; i >= 0; --i)
    shOffset = (shOffset << 8) | static_cast<unsigned char>(valid[40 + i]);
  const struct {
    const char* label;
    std::string bytes;
    bool opens;
  } cases[] = {
      {"valid", valid, true},
      {"unknown class", Patched(4, 3, 1), false},
      {"unknown byte order", Patched(5, 0, 1), false},
      {"unknown version", Patched(6, 2, 1), false},
      {"section table beyond the end", Patched(40, valid.size(), 8), false},
      {"section table offset near 2^64", Patched(40, ~std::uint64_t{0} - 8, 8), false},
      {"program table beyond the end", Patched(32, valid.size() - 8, 8), false},
      {"section entries too small", Patched(58, 16, 2), false},
      {"program entries too small", Patched(54, 8, 2), false},
      {"too many sections", Patched(60, 0xFFFE, 2), false},
      {"section data beyond the end", Patched(shOffset + 64 + 32, valid.size(), 8), false},
      {"section offset near 2^64", Patched(shOffset + 64 + 24, ~std::uint64_t{0} - 2, 8), false},
      {"segment data beyond the end", Patched(64 + 32, 1u << 30, 8), false},
      {"name index out of range", Patched(62, 200, 2), true},
      {"section count without a section table", Patched(40, 0, 8), true},
      {"name offset beyond the name table", Patched(shOffset + 64, 1u << 20, 4), true},
  };
  for (const auto& c : cases) {
    const std::string path = TestFile("lying", c.bytes);
    EXPECT_EQ(ElfFile::Open(path).has_value(), c.opens) << c.label;
    EXPECT_EQ(ElfImageEnd(path).has_value(), c.opens) << c.label;
  }
}

TEST(ElfFile, NamesAndContentsOfSections) {
  const std::string payload = "bundle bytes";
  const std::string bytes = BuildElf(ElfLayout{
      false,
      true,
      {SectionLayout{".text", 1, std::string(33, 't'), 16, 0},
       SectionLayout{".wbres", 1, payload, 8, 0}, SectionLayout{".bss", 8, "", 32, 1u << 30}},
      true,
      false});
  const std::string path = TestFile("named", bytes);
  const auto range = ElfSectionRange(path, ".wbres");
  ASSERT_TRUE(range.has_value());
  EXPECT_EQ(bytes.substr(range->first, range->second), payload);
  EXPECT_EQ(range->first % 8, 0u);
  const auto bss = ElfSectionRange(path, ".bss");
  ASSERT_TRUE(bss.has_value());
  EXPECT_EQ(bss->second, 0u);  // no file data, whatever size it claims
  EXPECT_FALSE(ElfSectionRange(path, ".wbre").has_value());
  EXPECT_FALSE(ElfSectionRange(path, "").has_value());
  EXPECT_FALSE(ElfSectionRange(TestFile("plain", "no elf"), ".wbres").has_value());

  const auto file = ElfFile::Open(path);
  ASSERT_TRUE(file.has_value());
  EXPECT_FALSE(file->is64Bit());
  EXPECT_TRUE(file->isBigEndian());
  EXPECT_EQ(file->Read(range->first, range->second, 64), payload);
  EXPECT_FALSE(file->Read(range->first, range->second, 4).has_value());  // over the limit
  EXPECT_FALSE(file->Read(bytes.size() - 2, 3, 64).has_value());         // past the end
  EXPECT_FALSE(file->Read(~std::uint64_t{0}, 2, 64).has_value());
}

TEST(ElfFile, ImageEndExcludesAppendedData) {
  const std::string image =
      BuildElf(ElfLayout{true,
                         false,
                         {SectionLayout{".text", 1, std::string(40, 't'), 16, 0},
                          SectionLayout{".bss", 8, "", 32, 1u << 30}},
                         true,
                         false});
  // The section header table ends the image.
  EXPECT_EQ(ElfImageEnd(TestFile("image", image)), image.size());
  TFSx block("memory", u"m");
  block.wBlock(u"WebBrowser", u"title=x");
  EXPECT_EQ(ElfImageEnd(TestFile("appended", image + block.ms->Bytes())), image.size());
  // Without section headers the last segment ends the image; the section name table after it
  // is then not part of the image either.
  const std::string stripped =
      BuildElf(ElfLayout{true, false, {NoteSection(std::string(16, 'n'))}, false, false});
  const auto end = ElfImageEnd(TestFile("stripped", stripped));
  ASSERT_TRUE(end.has_value());
  EXPECT_EQ(*end, 64u + 56u + 16u);
  // A real executable: ours, as linked, and a copy with data appended.
  const std::string own = OwnExecutable();
  EXPECT_EQ(ElfImageEnd(""), own.size());
  EXPECT_EQ(ElfImageEnd(TestFile("own-appended", own + std::string(5000, 'z'))), own.size());
  EXPECT_EQ(FileVersionText(AsText(TestFile("own-copy", own + "tail"))), u"1.2.3.4");
}

// ---- Operating-system version. ------------------------------------------------------------

TEST(SystemVersion, MajorAndMinorOfTheKernelRelease) {
  const struct {
    std::string_view release;
    Text version;
  } cases[] = {
      {"6.1.0-18-amd64", u"6.1"},
      {"5.15.153.1-microsoft-standard-WSL2", u"5.15"},
      {"4.19", u"4.19"},
      {"3.10rc1", u"3.10"},
      {"6", u"6.0"},
      {"6.", u"6.0"},
      {"6-custom", u"6.0"},
      {"007.010", u"7.10"},
      {"", u"0.0"},
      {"v6.1", u"0.0"},
      {".5", u"0.0"},
      {"99999999999999999999.1", u"999999999.1"},
  };
  for (const auto& c : cases) EXPECT_EQ(ReleaseMajorMinor(c.release), c.version) << c.release;
  EXPECT_TRUE(std::regex_match(ToUtf8(SystemVersionText()), std::regex("[0-9]+\\.[0-9]+")));
}

}  // namespace
}  // namespace wb
