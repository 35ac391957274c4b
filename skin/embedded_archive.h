// The skin archive's bytes as the native build compiles them in; the definitions are
// generated from the built archive by embed_archive.py.
#pragma once

#include <cstddef>

namespace SkinData {
extern const unsigned char kArchive[];
extern const std::size_t kArchiveSize;
}  // namespace SkinData
