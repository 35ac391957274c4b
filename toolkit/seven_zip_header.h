// The fixed start of a 7z archive, checked before libarchive reads the archive.
#pragma once

#include <span>

namespace SkinUI {

// True when bytes open with a sound 7z start header: the signature, the start header's
// own checksum, and a next header (the archive's directory) of at least one byte that lies
// wholly within bytes and matches its checksum. libarchive 3.6.2 does not check the first
// checksum and checks the second only after parsing, while it sizes buffers by the
// header's numbers; this check keeps a damaged or crafted header from reaching it. A
// self-extracting archive (a program before the signature) is refused.
bool HasSoundStartHeader(std::span<const unsigned char> bytes);

}  // namespace SkinUI
