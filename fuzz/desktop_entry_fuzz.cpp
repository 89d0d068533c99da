// What a copy's installation reads back: the Base64 icon block (DecodeBase64,
// IconFromBlockContent) and the record in a desktop entry that may have been edited by anyone
// (ReadInstallRecord). Properties: a decoded text is the one canonical encoding of its bytes,
// blanks aside, and any bytes encode and decode back; the icon never exceeds its limit; the
// record has no empty items, writes back and reads back the same, and names nothing outside
// the prefix as a file to remove.
#include "fuzz/fuzz_check.h"
#include "storage/icon_block.h"
#include "support/base64.h"
#include "support/desktop_entry.h"

namespace {

std::string WithoutBlanks(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c != ' ' && c != '\t' && c != '\r' && c != '\n') out += c;
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);

  if (const auto bytes = wb::DecodeBase64(input)) {
    WB_FUZZ_CHECK(wb::EncodeBase64(*bytes) == WithoutBlanks(input));
  }
  WB_FUZZ_CHECK(wb::DecodeBase64(wb::EncodeBase64(input, 76)) == std::string(input));
  WB_FUZZ_CHECK(wb::IconFromBlockContent(input).size() <= wb::kMaxIconBytes);

  const wb::InstallRecord record = wb::ReadInstallRecord(input);
  for (const auto& list : {record.files, record.folders}) {
    for (const auto& item : list) WB_FUZZ_CHECK(!item.empty());
  }
  wb::DesktopEntry entry;
  entry.name = std::string(input.substr(0, 40));
  entry.executable = "/opt/x";
  entry.icon = "x";
  entry.windowClass = "X";
  entry.files = record.files;
  entry.folders = record.folders;
  const wb::InstallRecord again = wb::ReadInstallRecord(wb::DesktopEntryText(entry));
  WB_FUZZ_CHECK(again.ours);
  WB_FUZZ_CHECK(again.files == record.files);
  WB_FUZZ_CHECK(again.folders == record.folders);
  for (const auto& file : record.files) {
    if (wb::IsInstalledIconPath(file, "x")) {
      WB_FUZZ_CHECK(file.rfind("icons/hicolor/", 0) == 0 && file.find("..") == std::string::npos);
    }
  }
  return 0;
}
