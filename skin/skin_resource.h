// The skin archive that the executable carries: the 7z archive of the window files and their
// images, built in by the tavelo_skin object library.
#pragma once

#include <span>

// The skin archive built into the executable: the bytes of the resource `id` of type
// "SKINRES" (on Windows from the module's resources; a table compiled in elsewhere).
// Empty when there is none.
std::span<const unsigned char> SkinResource(int id);
inline constexpr int kSkinResourceId = 147;
