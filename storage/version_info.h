#pragma once
// The values that describe the program itself: its version text, its build date and the
// operating-system version. The version and the build time are read from the "WebBrowser"
// version note that the build writes into an executable (cmake/version_note.c.in), so they work
// for any executable built with it and read as empty / 0 for every other file.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "support/text.h"
#include "support/values.h"

namespace wb {

// The contents of a version note.
struct VersionNote {
  std::uint32_t major = 0;
  std::uint32_t minor = 0;
  std::uint32_t release = 0;
  std::uint32_t build = 0;
  std::uint64_t buildStamp = 0;  // seconds since 1970-01-01 00:00 UTC
};

// The version note of the ELF file at `path` ("" = the running executable). Nothing when the
// file cannot be read, is not ELF, is truncated, carries no note, or its note is malformed
// (wrong size, a version number above 65535).
std::optional<VersionNote> ReadVersionNote(const std::string& path);

// "major.minor.release.build" in decimal without leading zeros, from the version note of the
// file; an empty file name means the running executable. Empty when there is no usable note.
Text FileVersionText(const Text& fileName);

// The build time of the running executable as a date value in UTC (stamp / 86400 + 25569);
// 0 when it carries no usable note or its stamp lies after the year 9999.
DateValue BuildDate();

// The build time of the given executable ("" = the running one), as BuildDate().
DateValue BuildDate(const Text& fileName);

// The operating system's version as "major.minor", from the kernel release that uname()
// reports ("6.1.0-18-amd64" gives "6.1"). A missing part reads as 0.
Text SystemVersionText();

// "major.minor" of a kernel release text: the leading decimal digits, and the digits after the
// "." that follows them. A missing part reads as 0; a part beyond 999999999 reads as 999999999.
Text ReleaseMajorMinor(std::string_view release);

}  // namespace wb
