// The skin archive in the native build: a table of the resources compiled into the program,
// looked up by id.
#include "skin/skin_resource.h"

#include "skin/embedded_archive.h"

namespace {
struct EmbeddedResource {
  int id;
  std::span<const unsigned char> bytes;
};
}  // namespace

std::span<const unsigned char> SkinResource(int id) {
  const EmbeddedResource table[] = {
      {kSkinResourceId, {SkinData::kArchive, SkinData::kArchiveSize}},
  };
  for (const EmbeddedResource& resource : table) {
    if (resource.id == id) return resource.bytes;
  }
  return {};
}
