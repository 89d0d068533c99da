#include "storage/version_info.h"

#include <sys/utsname.h>

#include <algorithm>
#include <string>

#include "storage/elf_file.h"

namespace wb {
namespace {

constexpr std::string_view kNoteName = "WebBrowser";
constexpr std::uint32_t kNoteType = 1;
constexpr std::size_t kNoteDescSize = 24;
// 9999-12-31 23:59:59 UTC: later stamps cannot be a build time and have no date value.
constexpr std::uint64_t kLastStamp = 253402300799;

}  // namespace

std::optional<VersionNote> ReadVersionNote(const std::string& path) {
  const auto file = ElfFile::Open(path);
  if (!file) return std::nullopt;
  for (const ElfNote& note : file->Notes()) {
    if (note.name != kNoteName || note.type != kNoteType || note.desc.size() != kNoteDescSize) {
      continue;
    }
    VersionNote v;
    v.major = file->U32(note.desc, 0);
    v.minor = file->U32(note.desc, 4);
    v.release = file->U32(note.desc, 8);
    v.build = file->U32(note.desc, 12);
    v.buildStamp = file->U32(note.desc, 16) | (std::uint64_t{file->U32(note.desc, 20)} << 32);
    if (v.major > 0xFFFF || v.minor > 0xFFFF || v.release > 0xFFFF || v.build > 0xFFFF) {
      return std::nullopt;
    }
    return v;
  }
  return std::nullopt;
}

Text FileVersionText(const Text& fileName) {
  const auto note = ReadVersionNote(ToUtf8(fileName));
  if (!note) return Text();
  return Ascii(std::to_string(note->major) + "." + std::to_string(note->minor) + "." +
               std::to_string(note->release) + "." + std::to_string(note->build));
}

DateValue BuildDate() {
  return BuildDate(Text());
}

DateValue BuildDate(const Text& fileName) {
  const auto note = ReadVersionNote(ToUtf8(fileName));
  if (!note || note->buildStamp > kLastStamp) return 0.0;
  return DateFromUnixTime(static_cast<std::int64_t>(note->buildStamp));
}

Text ReleaseMajorMinor(std::string_view release) {
  std::size_t at = 0;
  auto number = [&release, &at] {
    std::uint64_t value = 0;
    for (; at < release.size() && release[at] >= '0' && release[at] <= '9'; ++at) {
      value =
          std::min<std::uint64_t>(value * 10 + static_cast<unsigned>(release[at] - '0'), 999999999);
    }
    return value;
  };
  const std::uint64_t major = number();
  std::uint64_t minor = 0;
  if (at > 0 && at < release.size() && release[at] == '.') {
    ++at;
    minor = number();
  }
  return Ascii(std::to_string(major) + "." + std::to_string(minor));
}

Text SystemVersionText() {
  struct utsname names {};
  if (::uname(&names) != 0) return ReleaseMajorMinor("");
  return ReleaseMajorMinor(names.release);
}

}  // namespace wb
