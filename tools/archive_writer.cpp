#include "tools/archive_writer.h"

#include <archive.h>
#include <archive_entry.h>

#include <algorithm>
#include <exception>
#include <memory>
#include <stdexcept>

namespace wbctl {
namespace {

struct ArchiveDeleter {
  void operator()(archive* a) const { archive_write_free(a); }
};
struct EntryDeleter {
  void operator()(archive_entry* e) const { archive_entry_free(e); }
};
using ArchivePtr = std::unique_ptr<archive, ArchiveDeleter>;
using EntryPtr = std::unique_ptr<archive_entry, EntryDeleter>;

// Where libarchive's output goes. An exception of the sink cannot pass through libarchive's C
// code, so it is kept here and raised again once libarchive has returned.
struct Output {
  std::function<void(std::string_view)> sink;
  std::exception_ptr error;
};

la_ssize_t WriteCallback(archive*, void* data, const void* buffer, size_t length) {
  auto* output = static_cast<Output*>(data);
  try {
    output->sink(std::string_view(static_cast<const char*>(buffer), length));
    return static_cast<la_ssize_t>(length);
  } catch (...) {
    output->error = std::current_exception();
    return -1;
  }
}

[[noreturn]] void Refuse(archive* a, const std::string& what, Output* output = nullptr) {
  if (output && output->error) std::rethrow_exception(output->error);
  const char* reason = archive_error_string(a);
  throw std::runtime_error(what + ": " + (reason ? reason : "the archive library failed"));
}

void Check(archive* a, int status, const std::string& what, Output* output = nullptr) {
  if (status != ARCHIVE_OK) Refuse(a, what, output);
}

// A writer in the given format, gzip-compressed when `gzip`, that writes through `output`,
// unblocked: nothing is added after the archive's own end.
// `level` is gzip's compression level, 0 for none at all.
ArchivePtr OpenWriter(int (*setFormat)(archive*), int level, Output& output) {
  ArchivePtr a(archive_write_new());
  if (!a) throw std::runtime_error("the archive library has no memory");
  Check(a.get(), setFormat(a.get()), "archive format");
  if (level > 0) {
    Check(a.get(), archive_write_add_filter_gzip(a.get()), "gzip");
    // No time in the gzip header: the output depends on the input alone.
    const std::string options = "gzip:!timestamp,gzip:compression-level=" + std::to_string(level);
    Check(a.get(), archive_write_set_options(a.get(), options.c_str()), "gzip options");
  }
  Check(a.get(), archive_write_set_bytes_per_block(a.get(), 0), "block size");
  Check(a.get(), archive_write_open2(a.get(), &output, nullptr, &WriteCallback, nullptr, nullptr),
        "opening the archive", &output);
  return a;
}

void WriteEntry(archive* a, Output& output, const std::string& path, std::string_view bytes,
                unsigned type, unsigned mode, std::int64_t time) {
  EntryPtr entry(archive_entry_new());
  if (!entry) throw std::runtime_error("the archive library has no memory");
  archive_entry_set_pathname(entry.get(), path.c_str());
  archive_entry_set_filetype(entry.get(), type);
  archive_entry_set_perm(entry.get(), mode);
  archive_entry_set_size(entry.get(), static_cast<la_int64_t>(bytes.size()));
  archive_entry_set_mtime(entry.get(), static_cast<time_t>(time), 0);
  archive_entry_set_uid(entry.get(), 0);
  archive_entry_set_gid(entry.get(), 0);
  archive_entry_set_uname(entry.get(), "root");
  archive_entry_set_gname(entry.get(), "root");
  Check(a, archive_write_header(a, entry.get()), path, &output);
  std::size_t done = 0;
  while (done < bytes.size()) {
    const la_ssize_t wrote = archive_write_data(a, bytes.data() + done, bytes.size() - done);
    if (wrote <= 0) Refuse(a, path, &output);
    done += static_cast<std::size_t>(wrote);
  }
}

void Close(archive* a, Output& output) {
  Check(a, archive_write_close(a), "closing the archive", &output);
}

}  // namespace

std::string TarGz(std::vector<ArchiveEntry> entries, std::int64_t time) {
  std::sort(entries.begin(), entries.end(),
            [](const ArchiveEntry& a, const ArchiveEntry& b) { return a.path < b.path; });
  std::string result;
  Output output{[&result](std::string_view bytes) { result.append(bytes); }, nullptr};
  // gzip's default level: -9 takes three times as long for a program for 0.4 % less.
  ArchivePtr a = OpenWriter(&archive_write_set_format_ustar, 6, output);
  for (const auto& e : entries) {
    const bool directory = !e.path.empty() && e.path.back() == '/';
    WriteEntry(a.get(), output, e.path, directory ? std::string_view() : e.bytes,
               directory ? AE_IFDIR : AE_IFREG, e.mode, time);
  }
  Close(a.get(), output);
  return result;
}

std::string Gzip(std::string_view bytes) {
  std::string result;
  Output output{[&result](std::string_view b) { result.append(b); }, nullptr};
  ArchivePtr a = OpenWriter(&archive_write_set_format_raw, 9, output);
  WriteEntry(a.get(), output, "data", bytes, AE_IFREG, 0644, 0);
  Close(a.get(), output);
  return result;
}

void WriteAr(const std::vector<ArMember>& members, std::int64_t time,
             const std::function<void(std::string_view)>& sink) {
  Output output{sink, nullptr};
  // The BSD form writes a short name as it is, without the "/" the System V form adds, as
  // dpkg-deb writes its members.
  ArchivePtr a = OpenWriter(&archive_write_set_format_ar_bsd, 0, output);
  for (const auto& m : members) {
    if (m.name.empty() || m.name.size() > 15) throw std::runtime_error("ar member " + m.name);
    WriteEntry(a.get(), output, m.name, m.bytes, AE_IFREG, 0644, time);
  }
  Close(a.get(), output);
}

}  // namespace wbctl
