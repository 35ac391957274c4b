// Reads a 7z skin archive into memory with libarchive (only its 7z reader) and finds its
// files by name.
#include "toolkit/skin_archive.h"

#include <archive.h>
#include <archive_entry.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <utility>

#include "toolkit/archive_names.h"
#include "toolkit/seven_zip_header.h"

namespace SkinUI {
namespace {

struct ArchiveFree {
  void operator()(archive* reader) const { archive_read_free(reader); }
};
using UniqueArchive = std::unique_ptr<archive, ArchiveFree>;

struct ReadFile {
  std::wstring name;
  std::vector<unsigned char> bytes;
};

bool IsSeparator(wchar_t c) { return c == L'/' || c == L'\\'; }

// Lower case for the one-to-one letter pairs of the scripts file names mostly use (ASCII,
// Latin-1, basic Greek and Cyrillic); every other character, Chinese included, is kept
// and so compares exactly.
wchar_t FoldCase(wchar_t c) {
  if (c >= L'A' && c <= L'Z') return static_cast<wchar_t>(c + 0x20);
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<wchar_t>(c + 0x20);    // À..Þ, not ×
  if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) return static_cast<wchar_t>(c + 0x20);  // Α..Ω
  if (c >= 0x410 && c <= 0x42F) return static_cast<wchar_t>(c + 0x20);                 // А..Я
  if (c >= 0x400 && c <= 0x40F) return static_cast<wchar_t>(c + 0x50);                 // Ѐ..Џ
  return c;
}

// The name under which a file is looked up: leading separators dropped, "/" for either
// separator, letters folded to lower case.
std::wstring LookupName(std::wstring_view name) {
  std::wstring key;
  key.reserve(name.size());
  std::size_t at = 0;
  while (at < name.size() && IsSeparator(name[at])) ++at;
  for (; at < name.size(); ++at) key.push_back(IsSeparator(name[at]) ? L'/' : FoldCase(name[at]));
  return key;
}

UniqueArchive OpenReader(std::span<const unsigned char> bytes) {
  UniqueArchive reader(archive_read_new());
  if (!reader) return nullptr;
  if (archive_read_support_format_7zip(reader.get()) != ARCHIVE_OK) return nullptr;
  if (archive_read_open_memory(reader.get(), bytes.data(), bytes.size()) != ARCHIVE_OK) return nullptr;
  return reader;
}

// The current entry's bytes, at most room of them; nullopt when its data cannot be read
// (damaged, truncated, encrypted, a wrong checksum) or would not fit.
std::optional<std::vector<unsigned char>> ReadEntryBytes(archive* reader, archive_entry* entry, std::size_t room) {
  std::vector<unsigned char> bytes;
  if (archive_entry_size_is_set(entry)) {
    const la_int64_t size = archive_entry_size(entry);
    if (size < 0 || static_cast<std::uint64_t>(size) > room) return std::nullopt;
    bytes.reserve(static_cast<std::size_t>(size));
  }
  for (;;) {
    const void* block = nullptr;
    std::size_t length = 0;
    la_int64_t offset = 0;
    const int status = archive_read_data_block(reader, &block, &length, &offset);
    if (status == ARCHIVE_EOF) return bytes;
    // Anything but OK is a failure, ARCHIVE_WARN included: for data it means the checksum
    // did not match, so the bytes are not the file's.
    if (status != ARCHIVE_OK) return std::nullopt;
    // The 7z reader hands a file out as consecutive blocks; a gap would be damage.
    if (offset != static_cast<la_int64_t>(bytes.size()) || length > room - bytes.size()) return std::nullopt;
    const auto* data = static_cast<const unsigned char*>(block);
    bytes.insert(bytes.end(), data, data + length);
  }
}

// Every file of the archive in archive order; nullopt at the first failure, beyond a
// limit, or when the archive holds no file.
std::optional<std::vector<ReadFile>> ReadFiles(std::span<const unsigned char> bytes) {
  const UniqueArchive reader = OpenReader(bytes);
  if (!reader) return std::nullopt;
  std::vector<ReadFile> files;
  std::size_t total = 0;
  for (;;) {
    archive_entry* entry = nullptr;
    const int status = archive_read_next_header(reader.get(), &entry);
    if (status == ARCHIVE_EOF) break;
    // ARCHIVE_WARN from the header is a name that did not convert; the entry is sound.
    if (status != ARCHIVE_OK && status != ARCHIVE_WARN) return std::nullopt;
    if (archive_entry_filetype(entry) != AE_IFREG) continue;  // folders and links hold no file
    const wchar_t* name = archive_entry_pathname_w(entry);
    // A file without a readable name can never be found; its data is skipped with it.
    if (name == nullptr || *name == L'\0') continue;
    if (files.size() == SkinArchive::kMaxFiles) return std::nullopt;
    const std::size_t room = std::min(SkinArchive::kMaxFileBytes, SkinArchive::kMaxTotalBytes - total);
    std::optional<std::vector<unsigned char>> data = ReadEntryBytes(reader.get(), entry, room);
    if (!data) return std::nullopt;
    total += data->size();
    files.push_back({name, std::move(*data)});
  }
  if (files.empty()) return std::nullopt;
  return files;
}

}  // namespace

std::optional<SkinArchive> SkinArchive::Open(std::span<const unsigned char> bytes) {
  if (!HasSoundStartHeader(bytes)) return std::nullopt;
  std::optional<std::vector<ReadFile>> files;
  ReadWithWideNames([&] { files = ReadFiles(bytes); });
  if (!files) return std::nullopt;
  SkinArchive skin;
  for (ReadFile& file : *files) skin.Add(std::move(file.name), std::move(file.bytes));
  return skin;
}

void SkinArchive::Add(std::wstring name, std::vector<unsigned char> bytes) {
  std::replace(name.begin(), name.end(), L'\\', L'/');
  index_.emplace(LookupName(name), files_.size());  // an equal name already there stays
  files_.push_back({std::move(name), std::move(bytes)});
}

const std::vector<unsigned char>* SkinArchive::Find(std::wstring_view name) const {
  const auto found = index_.find(LookupName(name));
  return found == index_.end() ? nullptr : &files_[found->second].bytes;
}

std::vector<std::wstring> SkinArchive::Names() const {
  std::vector<std::wstring> names;
  names.reserve(files_.size());
  for (const File& file : files_) names.push_back(file.name);
  return names;
}

}  // namespace SkinUI
