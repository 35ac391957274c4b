// The skin archive on Windows: a resource of type "SKINRES" in the executable's own module.
#include "skin/skin_resource.h"

#include <windows.h>

std::span<const unsigned char> SkinResource(int id) {
  // Resource ids are 16-bit and not zero; MAKEINTRESOURCEW would fold a larger id onto another.
  if (id <= 0 || id > 0xFFFF) return {};
  // The executable's module handle is not a reference: nothing to release.
  const HMODULE module = GetModuleHandleW(nullptr);
  const HRSRC info = FindResourceW(module, MAKEINTRESOURCEW(id), L"SKINRES");
  if (!info) return {};
  // A loaded resource is part of the mapped module and lives as long as the process: there
  // is nothing to free or unlock, and the bytes may be kept.
  const HGLOBAL loaded = LoadResource(module, info);
  const void* data = loaded ? LockResource(loaded) : nullptr;
  const DWORD size = SizeofResource(module, info);
  if (!data || size == 0) return {};
  return {static_cast<const unsigned char*>(data), static_cast<std::size_t>(size)};
}
