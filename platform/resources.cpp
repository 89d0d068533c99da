#include "platform/resources.h"

#include <gio/gio.h>

#include <cstdint>
#include <memory>
#include <mutex>

#include "platform/glib_ptr.h"
#include "storage/elf_file.h"
#include "support/fields.h"

// The bundle placed in the ".wbres" section by resources/embed_bundle.c.in.
extern "C" const char wb_resource_bundle_start[];
extern "C" const char wb_resource_bundle_end[];

namespace wb {
namespace {

// The section of another executable is read into memory whole; no bundle of ours comes near
// this size, so anything larger is not one.
constexpr std::uint64_t kMaxBundleBytes = std::uint64_t{64} << 20;

GPtr<GResource> ResourceFromBytes(GBytes* bytes) {
  GPtr<GError> error;
  return GPtr<GResource>(g_resource_new_from_data(bytes, OutPtr(error)));
}

// The running program's bundle, made once; null when the section is empty or invalid.
GResource* ProgramResource() {
  static GResource* const resource = [] {
    const auto size = static_cast<gsize>(wb_resource_bundle_end - wb_resource_bundle_start);
    GPtr<GBytes> bytes(g_bytes_new_static(wb_resource_bundle_start, size));
    return ResourceFromBytes(bytes.get()).release();
  }();
  return resource;
}

std::string Lookup(GResource* resource, TextView fileName) {
  if (resource == nullptr) return {};
  GPtr<GError> error;
  GPtr<GBytes> data(g_resource_lookup_data(resource, ResourcePath(fileName).c_str(),
                                           G_RESOURCE_LOOKUP_FLAGS_NONE, OutPtr(error)));
  if (!data) return {};
  gsize size = 0;
  const auto* bytes = static_cast<const char*>(g_bytes_get_data(data.get(), &size));
  return size == 0 ? std::string() : std::string(bytes, size);
}

}  // namespace

std::string ResourceName(TextView fileName) {
  const std::string name = ToUtf8(ReplaceAll(fileName, u".", u"_"));
  return StringOf(GPtr<gchar>(g_utf8_strup(name.c_str(), static_cast<gssize>(name.size()))));
}

std::string ResourcePath(TextView fileName) {
  return "/wb/" + ResourceName(fileName);
}

std::string LoadResText(TextView fileName) {
  return Lookup(ProgramResource(), fileName);
}

std::string LoadResTextFromFile(const std::string& exePath, TextView fileName) {
  const auto elf = ElfFile::Open(exePath);
  if (!elf) return {};
  const ElfSection* section = elf->FindSection(".wbres");
  if (section == nullptr || section->size == 0) return {};
  const auto bundle = elf->Read(section->offset, section->size, kMaxBundleBytes);
  if (!bundle) return {};
  GPtr<GBytes> bytes(g_bytes_new(bundle->data(), bundle->size()));
  return Lookup(ResourceFromBytes(bytes.get()).get(), fileName);
}

void RegisterProgramResources() {
  static std::once_flag once;
  std::call_once(once, [] {
    if (GResource* resource = ProgramResource()) g_resources_register(resource);
  });
}

}  // namespace wb
