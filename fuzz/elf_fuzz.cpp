// The ELF reader against arbitrary files: the file an executable is branded from and the one
// `wbctl show` reads can be anything. Properties: a file that opens has every header table,
// section and segment inside it and its image ends within it; the notes lie within their
// sections; the version note, the image end and the section ranges agree with what the reader
// opened; Read gives exactly the file's bytes or nothing; the version text is the note's four
// numbers. AddressSanitizer checks every read on the way.
#include <sys/mman.h>
#include <unistd.h>

#include <string>

#include "fuzz/fuzz_check.h"
#include "storage/elf_file.h"
#include "storage/version_info.h"

namespace {

bool Inside(std::uint64_t offset, std::uint64_t size, std::uint64_t total) {
  return offset <= total && size <= total - offset;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // One memory file for the whole run, rewritten for every input and opened by its path as a
  // user's file would be.
  static const int fd = memfd_create("elf_fuzz", MFD_CLOEXEC);
  static const std::string path = "/proc/self/fd/" + std::to_string(fd);
  WB_FUZZ_CHECK(fd >= 0);
  WB_FUZZ_CHECK(ftruncate(fd, 0) == 0);
  WB_FUZZ_CHECK(pwrite(fd, data, size, 0) == static_cast<ssize_t>(size));

  const auto file = wb::ElfFile::Open(path);
  WB_FUZZ_CHECK(wb::ElfImageEnd(path).has_value() == file.has_value());
  if (!file) {
    WB_FUZZ_CHECK(wb::FileVersionText(wb::FromUtf8(path)).empty());
    WB_FUZZ_CHECK(wb::BuildDate(wb::FromUtf8(path)) == 0.0);
    return 0;
  }
  WB_FUZZ_CHECK(file->fileSize() == size);
  const std::uint64_t end = file->ImageEnd();
  WB_FUZZ_CHECK(end <= size && end >= (file->is64Bit() ? 64u : 52u));
  WB_FUZZ_CHECK(*wb::ElfImageEnd(path) == end);
  for (const auto& section : file->sections()) {
    WB_FUZZ_CHECK(section.type == 8 || section.type == 0 ||
                  Inside(section.offset, section.size, size));
    if (section.type != 0 && section.size != 0) {
      WB_FUZZ_CHECK(section.offset + section.size <= end);
    }
  }
  for (const auto& segment : file->segments()) {
    WB_FUZZ_CHECK(Inside(segment.offset, segment.fileSize, end));
  }
  std::uint64_t noteBytes = 0;
  for (const auto& note : file->Notes()) noteBytes += note.name.size() + note.desc.size();
  WB_FUZZ_CHECK(noteBytes <= size);
  if (!file->sections().empty()) {
    const auto& last = file->sections().back();
    const auto range = wb::ElfSectionRange(path, last.name);
    WB_FUZZ_CHECK(range.has_value() == (last.type != 0 || file->FindSection(last.name)));
  }
  // Read: exactly the file's bytes inside the file, nothing outside it or over the limit.
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::uint64_t offsets[] = {0, size / 3, size, size + 1, UINT64_MAX - 3};
  const std::uint64_t lengths[] = {0, 1, size / 2 + 1, size, UINT64_MAX};
  for (std::uint64_t off : offsets) {
    for (std::uint64_t len : lengths) {
      const auto got = file->Read(off, len, 1 << 20);
      if (Inside(off, len, size) && len <= (1 << 20)) {
        WB_FUZZ_CHECK(got.has_value() && *got == bytes.substr(off, len));
      } else {
        WB_FUZZ_CHECK(!got.has_value());
      }
    }
  }
  const auto note = wb::ReadVersionNote(path);
  const wb::Text version = wb::FileVersionText(wb::FromUtf8(path));
  WB_FUZZ_CHECK(version.empty() != note.has_value());
  if (note) {
    WB_FUZZ_CHECK(note->major <= 65535 && note->minor <= 65535 && note->release <= 65535 &&
                  note->build <= 65535);
    const std::string expected = std::to_string(note->major) + "." + std::to_string(note->minor) +
                                 "." + std::to_string(note->release) + "." +
                                 std::to_string(note->build);
    WB_FUZZ_CHECK(wb::ToUtf8(version) == expected);
  }
  return 0;
}
