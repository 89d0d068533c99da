#include "storage/elf_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace wb {
namespace {

constexpr std::string_view kMagic = "\177ELF";
constexpr std::uint32_t kShtNull = 0;
constexpr std::uint32_t kShtNote = 7;
constexpr std::uint32_t kShtNobits = 8;
constexpr std::uint32_t kPtNull = 0;
constexpr std::uint32_t kPtNote = 4;
constexpr std::uint16_t kExtendedNumbering = 0xFFFF;  // PN_XNUM and SHN_XINDEX

// Header tables larger than this are refused; real executables stay far below it, and the
// limit keeps a hostile file from making us allocate its whole size.
constexpr std::uint64_t kTableLimit = 64u << 20;
constexpr std::uint64_t kNameTableLimit = 16u << 20;
// Note sections are small; a larger one is skipped rather than read.
constexpr std::uint64_t kNoteSectionLimit = 1u << 20;

bool InRange(std::uint64_t offset, std::uint64_t size, std::uint64_t total) {
  return offset <= total && size <= total - offset;
}

// An unsigned number of `width` bytes at `at`; 0 when the bytes do not hold it.
std::uint64_t Decode(std::string_view bytes, std::size_t at, std::size_t width, bool bigEndian) {
  if (at > bytes.size() || width > bytes.size() - at) return 0;
  std::uint64_t value = 0;
  for (std::size_t i = 0; i < width; ++i) {
    const auto byte = static_cast<unsigned char>(bytes[at + (bigEndian ? i : width - 1 - i)]);
    value = (value << 8) | byte;
  }
  return value;
}

std::uint64_t AlignUp(std::uint64_t value, std::uint64_t alignment) {
  return (value + alignment - 1) / alignment * alignment;
}

}  // namespace

std::optional<ElfFile> ElfFile::Open(const std::string& path) {
  ElfFile file;
  // O_NONBLOCK keeps a FIFO from blocking the open; only regular files are read.
  file.fd_.reset(::open(path.empty() ? "/proc/self/exe" : path.c_str(),
                        O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
  if (!file.fd_) return std::nullopt;
  struct stat info {};
  if (::fstat(file.fd_.get(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 0) {
    return std::nullopt;
  }
  file.fileSize_ = static_cast<std::uint64_t>(info.st_size);
  if (!file.ReadHeaders()) return std::nullopt;
  return file;
}

std::optional<std::string> ElfFile::Read(std::uint64_t offset, std::uint64_t size,
                                         std::uint64_t limit) const {
  if (!fd_ || size > limit || !InRange(offset, size, fileSize_)) return std::nullopt;
  std::string bytes(static_cast<std::size_t>(size), '\0');
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::pread(fd_.get(), bytes.data() + done, bytes.size() - done,
                              static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    // The file may have shrunk since it was measured.
    if (n <= 0) return std::nullopt;
    done += static_cast<std::size_t>(n);
  }
  return bytes;
}

std::uint32_t ElfFile::U32(std::string_view bytes, std::size_t at) const {
  return static_cast<std::uint32_t>(Decode(bytes, at, 4, bigEndian_));
}

std::uint64_t ElfFile::U64(std::string_view bytes, std::size_t at) const {
  return Decode(bytes, at, 8, bigEndian_);
}

bool ElfFile::ReadHeaders() {
  const auto ident = Read(0, 16, 16);
  if (!ident || !ident->starts_with(kMagic)) return false;
  const auto elfClass = static_cast<unsigned char>((*ident)[4]);
  const auto data = static_cast<unsigned char>((*ident)[5]);
  const auto version = static_cast<unsigned char>((*ident)[6]);
  if ((elfClass != 1 && elfClass != 2) || (data != 1 && data != 2) || version != 1) return false;
  is64Bit_ = elfClass == 2;
  bigEndian_ = data == 2;

  headerSize_ = is64Bit_ ? 64 : 52;
  const auto header = Read(0, headerSize_, headerSize_);
  if (!header) return false;
  const std::string_view h = *header;
  auto u16 = [this](std::string_view bytes, std::size_t at) {
    return static_cast<std::uint16_t>(Decode(bytes, at, 2, bigEndian_));
  };
  // A field that is 32 bits wide in ELF32 and 64 bits in ELF64, at its offset in either.
  auto word = [this](std::string_view bytes, std::size_t at32, std::size_t at64) {
    return is64Bit_ ? U64(bytes, at64) : std::uint64_t{U32(bytes, at32)};
  };
  const std::uint64_t phOffset = word(h, 28, 32);
  const std::uint64_t shOffset = word(h, 32, 40);
  const std::size_t base = is64Bit_ ? 54 : 42;
  const std::uint16_t phEntSize = u16(h, base);
  std::uint64_t phCount = u16(h, base + 2);
  const std::uint16_t shEntSize = u16(h, base + 4);
  std::uint64_t shCount = u16(h, base + 6);
  std::uint64_t nameIndex = u16(h, base + 8);

  const std::uint64_t shMinSize = is64Bit_ ? 64 : 40;
  const std::uint64_t phMinSize = is64Bit_ ? 56 : 32;

  // Section headers. Section 0 carries the real counts when they do not fit the ELF header.
  std::string shTable;
  if (shOffset != 0) {
    if (shEntSize < shMinSize) return false;
    const auto first = Read(shOffset, shEntSize, shEntSize);
    if (!first) return false;
    if (shCount == 0) shCount = word(*first, 20, 32);
    if (nameIndex == kExtendedNumbering) nameIndex = U32(*first, is64Bit_ ? 40 : 24);
    if (phCount == kExtendedNumbering) phCount = U32(*first, is64Bit_ ? 44 : 28);
    if (shCount == 0 || shCount > kTableLimit / shEntSize) return false;
    const auto table = Read(shOffset, shCount * shEntSize, kTableLimit);
    if (!table) return false;
    shTable = std::move(*table);
    shTableEnd_ = shOffset + shTable.size();
  } else {
    // Without a section header table the counts in the ELF header mean nothing.
    shCount = 0;
  }

  if (phCount != 0) {
    if (phEntSize < phMinSize || phCount > kTableLimit / phEntSize) return false;
    const auto table = Read(phOffset, phCount * phEntSize, kTableLimit);
    if (!table) return false;
    phTableEnd_ = phOffset + table->size();
    for (std::uint64_t i = 0; i < phCount; ++i) {
      const std::string_view e = std::string_view(*table).substr(i * phEntSize, phEntSize);
      ElfSegment segment;
      segment.type = U32(e, 0);
      segment.offset = word(e, 4, 8);
      segment.fileSize = word(e, 16, 32);
      segment.alignment = word(e, 28, 48);
      if (segment.type == kPtNull) continue;
      if (!InRange(segment.offset, segment.fileSize, fileSize_)) return false;
      segments_.push_back(segment);
    }
  }

  std::vector<std::uint32_t> nameOffsets;
  for (std::uint64_t i = 0; i < shCount; ++i) {
    const std::string_view e = std::string_view(shTable).substr(i * shEntSize, shEntSize);
    ElfSection section;
    section.type = U32(e, 4);
    section.flags = word(e, 8, 8);
    section.offset = word(e, 16, 24);
    section.size = word(e, 20, 32);
    section.alignment = word(e, 32, 48);
    // A section without file data may name any offset; only its size is dropped.
    if (section.type == kShtNobits) section.size = 0;
    const bool hasData = section.type != kShtNull && section.type != kShtNobits;
    if (hasData && !InRange(section.offset, section.size, fileSize_)) return false;
    nameOffsets.push_back(U32(e, 0));
    sections_.push_back(section);
  }

  // Names. A missing or oversized name table leaves every name empty; a name that runs off the
  // end of its table is left empty too.
  if (nameIndex < sections_.size() && nameIndex != 0) {
    const ElfSection& table = sections_[nameIndex];
    const auto names =
        table.type == kShtNull ? std::nullopt : Read(table.offset, table.size, kNameTableLimit);
    if (names) {
      for (std::size_t i = 0; i < sections_.size(); ++i) {
        const std::uint32_t at = nameOffsets[i];
        if (at >= names->size()) continue;
        const auto end = names->find('\0', at);
        if (end != std::string::npos) sections_[i].name = names->substr(at, end - at);
      }
    }
  }
  return true;
}

const ElfSection* ElfFile::FindSection(std::string_view name) const {
  for (const ElfSection& section : sections_) {
    if (section.type != kShtNull && section.name == name) return &section;
  }
  return nullptr;
}

std::uint64_t ElfFile::ImageEnd() const {
  std::uint64_t end = std::max({headerSize_, phTableEnd_, shTableEnd_});
  for (const ElfSegment& segment : segments_)
    end = std::max(end, segment.offset + segment.fileSize);
  for (const ElfSection& section : sections_) {
    if (section.type != kShtNull && section.size != 0) {
      end = std::max(end, section.offset + section.size);
    }
  }
  return end;
}

std::vector<ElfNote> ElfFile::Notes() const {
  std::vector<ElfNote> notes;
  auto parse = [this, &notes](std::uint64_t offset, std::uint64_t size, std::uint64_t align) {
    const auto bytes = Read(offset, size, kNoteSectionLimit);
    if (!bytes) return;
    const std::uint64_t a = align == 8 ? 8 : 4;
    const std::uint64_t total = bytes->size();
    std::uint64_t at = 0;
    while (at + 12 <= total) {
      const std::uint64_t nameSize = U32(*bytes, at);
      const std::uint64_t descSize = U32(*bytes, at + 4);
      const std::uint32_t type = U32(*bytes, at + 8);
      const std::uint64_t descAt = at + AlignUp(12 + nameSize, a);
      if (descAt > total || descSize > total - descAt) return;
      ElfNote note;
      note.type = type;
      note.name = bytes->substr(at + 12, nameSize);
      if (!note.name.empty() && note.name.back() == '\0') note.name.pop_back();
      note.desc = bytes->substr(descAt, descSize);
      notes.push_back(std::move(note));
      at = AlignUp(descAt + descSize, a);
    }
  };
  if (!sections_.empty()) {
    for (const ElfSection& section : sections_) {
      if (section.type == kShtNote) parse(section.offset, section.size, section.alignment);
    }
  } else {
    for (const ElfSegment& segment : segments_) {
      if (segment.type == kPtNote) parse(segment.offset, segment.fileSize, segment.alignment);
    }
  }
  return notes;
}

std::optional<std::uint64_t> ElfImageEnd(const std::string& path) {
  const auto file = ElfFile::Open(path);
  if (!file) return std::nullopt;
  return file->ImageEnd();
}

std::optional<std::pair<std::uint64_t, std::uint64_t>> ElfSectionRange(
    const std::string& path, std::string_view sectionName) {
  const auto file = ElfFile::Open(path);
  if (!file) return std::nullopt;
  const ElfSection* section = file->FindSection(sectionName);
  if (section == nullptr) return std::nullopt;
  return std::make_pair(section->offset, section->size);
}

}  // namespace wb
