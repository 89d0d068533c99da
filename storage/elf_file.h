#pragma once
// A small, bounds-checked reader of ELF files (32 and 64 bit, either byte order). Every size and
// offset the file's headers state is checked against the file's real size before it is used, so
// a damaged or hostile file yields "not readable", never an out-of-range read. The reader finds
// the version note the build writes into our executables, the end of the ELF image (whatever
// lies after it was appended), and named sections.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "storage/unique_fd.h"

namespace wb {

struct ElfSection {
  std::string name;
  std::uint32_t type = 0;  // SHT_*
  std::uint64_t flags = 0;
  std::uint64_t offset = 0;
  std::uint64_t size = 0;  // bytes in the file, 0 for SHT_NOBITS
  std::uint64_t alignment = 0;
};

struct ElfSegment {
  std::uint32_t type = 0;  // PT_*
  std::uint64_t offset = 0;
  std::uint64_t fileSize = 0;
  std::uint64_t alignment = 0;
};

struct ElfNote {
  std::string name;  // without its terminating NUL
  std::uint32_t type = 0;
  std::string desc;  // raw bytes, in the file's byte order
};

class ElfFile {
 public:
  // Opens `path` ("" = the running executable, /proc/self/exe) and reads its headers. Nothing
  // when the file cannot be opened, is not ELF, has an unsupported form, or is truncated: its
  // headers describe a header table, section or segment that ends beyond the end of the file.
  static std::optional<ElfFile> Open(const std::string& path);

  ElfFile(ElfFile&& other) noexcept = default;
  ElfFile& operator=(ElfFile&& other) noexcept = default;

  bool is64Bit() const { return is64Bit_; }
  bool isBigEndian() const { return bigEndian_; }
  std::uint64_t fileSize() const { return fileSize_; }
  const std::vector<ElfSection>& sections() const { return sections_; }
  const std::vector<ElfSegment>& segments() const { return segments_; }

  // The first section named `name`, if any.
  const ElfSection* FindSection(std::string_view name) const;

  // The end of the ELF image as its headers say: the largest end of the ELF header, the
  // program and section header tables, every segment's file data and every section that has
  // file data. Never beyond fileSize().
  std::uint64_t ImageEnd() const;

  // `size` bytes from `offset`; nothing when that range is not inside the file or is larger
  // than `limit`.
  std::optional<std::string> Read(std::uint64_t offset, std::uint64_t size,
                                  std::uint64_t limit) const;

  // Every well-formed note of the note sections (or, in a file without section headers, of the
  // note segments). A malformed note ends the reading of its section.
  std::vector<ElfNote> Notes() const;

  // A 32-bit or 64-bit number stored at `at` in the file's byte order; 0 when `bytes` does not
  // hold it.
  std::uint32_t U32(std::string_view bytes, std::size_t at) const;
  std::uint64_t U64(std::string_view bytes, std::size_t at) const;

 private:
  ElfFile() = default;
  bool ReadHeaders();

  UniqueFd fd_;
  std::uint64_t fileSize_ = 0;
  bool is64Bit_ = false;
  bool bigEndian_ = false;
  std::uint64_t headerSize_ = 0;
  std::uint64_t phTableEnd_ = 0;
  std::uint64_t shTableEnd_ = 0;
  std::vector<ElfSection> sections_;
  std::vector<ElfSegment> segments_;
};

// The end of the ELF image of the file at `path` (see ElfFile::ImageEnd); nothing when the file
// is not a readable ELF file. Bytes after it were appended to the image.
std::optional<std::uint64_t> ElfImageEnd(const std::string& path);

// File offset and size of the first section named `sectionName`; nothing when the file is not a
// readable ELF file or has no such section. A section without file data (SHT_NOBITS) has size 0.
std::optional<std::pair<std::uint64_t, std::uint64_t>> ElfSectionRange(
    const std::string& path, std::string_view sectionName);

}  // namespace wb
