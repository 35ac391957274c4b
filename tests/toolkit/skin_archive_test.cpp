// The skin-archive reader against archives made by the 7z tool at build time
// (make_archives.cmake): files found by name whatever the letter case and separator,
// Chinese names, the size limit of one file, and bad input (truncated, corrupted,
// encrypted, another format) that must read as nothing or as unchanged files.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <clocale>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"
#include "toolkit/skin_archive.h"
#include "utils/folders.h"
#include "utils/text.h"

namespace {

using SkinUI::SkinArchive;
using Bytes = std::vector<unsigned char>;
namespace fs = std::filesystem;

// The test archives' folder, found from this program's folder (so also under Wine).
fs::path ArchivesFolder() {
  const fs::path bin = testsupport::FsPath(Utils::DirectoryOf(Utils::GetExecutablePath()));
  return (bin / TAVELO_TEST_ARCHIVES).lexically_normal();
}

std::string Utf8(const std::wstring& text) { return Utils::ToNarrow(text, Utils::kCodePageUtf8); }

Bytes ReadBytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  EXPECT_TRUE(in.is_open()) << Utf8(file.wstring());
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Bytes ArchiveBytes(const char* name) { return ReadBytes(ArchivesFolder() / name); }

// The bytes of a packed file as they are on disk, by its stored name.
Bytes TreeFile(const std::wstring& storedName) {
  return ReadBytes(ArchivesFolder() / "tree" / testsupport::FsPath(storedName));
}

const Bytes& SkinBytes() {
  static const Bytes bytes = ArchiveBytes("skin.7z");
  return bytes;
}

// A 64-bit field of the 7z start header replaced, with the start header's checksum made to
// match again, as a crafted archive would have it.
Bytes WithStartHeaderField(Bytes bytes, std::size_t at, std::uint64_t value) {
  for (std::size_t i = 0; i < 8; ++i) bytes[at + i] = static_cast<unsigned char>(value >> (8 * i));
  const uLong crc = crc32(0L, bytes.data() + 12, 20);
  for (std::size_t i = 0; i < 4; ++i) bytes[8 + i] = static_cast<unsigned char>(crc >> (8 * i));
  return bytes;
}

// Every file of skin.7z; its folders are not files.
const std::vector<std::wstring> kStoredNames = {
    L"res/mainWnd/bg1.png", L"res/common/按钮.png",  L"res/MessageBoxWnd/okBtn.png", L"res/Ünïcode/Ωmega-Жук.txt",
    L"a/b/c/d/e/deep.txt",  L"empty.txt",            L"MainWnd.xml"};

// A read that went wrong without failing: a file whose bytes differ from the packed one,
// or a name that was never packed.
void ExpectOnlyUnchangedFiles(const SkinArchive& skin, const std::string& context) {
  for (const std::wstring& name : skin.Names()) {
    SCOPED_TRACE(context);
    ASSERT_NE(std::find(kStoredNames.begin(), kStoredNames.end(), name), kStoredNames.end());
    const Bytes* bytes = skin.Find(name);
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(*bytes, TreeFile(name));
  }
}

TEST(SkinArchiveTest, FindsFilesWhateverTheLetterCaseAndSeparator) {
  const std::optional<SkinArchive> skin = SkinArchive::Open(SkinBytes());
  ASSERT_TRUE(skin.has_value());
  struct Case {
    std::wstring lookup;
    std::wstring stored;
  };
  const std::vector<Case> cases = {
      {L"RES\\MainWnd\\BG1.png", L"res/mainWnd/bg1.png"},
      {L"res/mainwnd/bg1.PNG", L"res/mainWnd/bg1.png"},
      {L"res\\mainWnd/bg1.png", L"res/mainWnd/bg1.png"},
      {L"/res/mainWnd/bg1.png", L"res/mainWnd/bg1.png"},
      {L"\\\\res\\mainWnd\\bg1.png", L"res/mainWnd/bg1.png"},
      {L"Res\\Common\\按钮.PNG", L"res/common/按钮.png"},
      {L"RES/messageboxwnd/OKBTN.png", L"res/MessageBoxWnd/okBtn.png"},
      {L"res/üNÏCODE/ωMEGA-жУК.TXT", L"res/Ünïcode/Ωmega-Жук.txt"},
      {L"A\\B\\C\\D\\E\\Deep.txt", L"a/b/c/d/e/deep.txt"},
      {L"EMPTY.TXT", L"empty.txt"},
      {L"mainwnd.xml", L"MainWnd.xml"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf8(c.lookup));
    const Bytes* bytes = skin->Find(c.lookup);
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(*bytes, TreeFile(c.stored));
  }
  EXPECT_TRUE(skin->Find(L"empty.txt")->empty());
  EXPECT_GT(skin->Find(L"MainWnd.xml")->size(), std::size_t{50000});
}

TEST(SkinArchiveTest, NamesAreTheStoredFilesWithoutFolders) {
  const std::optional<SkinArchive> skin = SkinArchive::Open(SkinBytes());
  ASSERT_TRUE(skin.has_value());
  std::vector<std::wstring> names = skin->Names();
  std::vector<std::wstring> expected = kStoredNames;
  std::sort(names.begin(), names.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(names, expected);
}

TEST(SkinArchiveTest, AbsentNamesFindNothing) {
  const std::optional<SkinArchive> skin = SkinArchive::Open(SkinBytes());
  ASSERT_TRUE(skin.has_value());
  for (const wchar_t* name : {L"res/mainWnd/bg2.png", L"res/mainWnd", L"res", L"", L"/", L"bg1.png",
                              L"res/mainWnd/bg1.png/", L"res/mainWnd/bg1.png.bak", L"res/common/按鈕.png",
                              L"res/Ünïcode/Ωmega-Жук.txt.", L"a/b/c/d/deep.txt"}) {
    EXPECT_EQ(skin->Find(name), nullptr) << Utf8(name);
  }
}

// Reading Chinese names must not depend on, or change, the locale of the process.
TEST(SkinArchiveTest, LeavesTheProcessLocaleAsItWas) {
  const std::string before = std::setlocale(LC_CTYPE, nullptr);
  const std::optional<SkinArchive> skin = SkinArchive::Open(SkinBytes());
  ASSERT_TRUE(skin.has_value());
  EXPECT_NE(skin->Find(L"res/common/按钮.png"), nullptr);
  EXPECT_EQ(std::setlocale(LC_CTYPE, nullptr), before);
}

TEST(SkinArchiveTest, RefusesAFileOverTheLimit) {
  const std::optional<SkinArchive> atLimit = SkinArchive::Open(ArchiveBytes("file_at_limit.7z"));
  ASSERT_TRUE(atLimit.has_value());
  ASSERT_NE(atLimit->Find(L"zeros.bin"), nullptr);
  EXPECT_EQ(atLimit->Find(L"zeros.bin")->size(), SkinArchive::kMaxFileBytes);
  EXPECT_FALSE(SkinArchive::Open(ArchiveBytes("file_over_limit.7z")).has_value());
}

TEST(SkinArchiveTest, InputThatIsNoReadableArchiveOpensAsNothing) {
  std::mt19937 random(147);
  Bytes noise(4096);
  for (unsigned char& byte : noise) byte = static_cast<unsigned char>(random());
  Bytes signedNoise = {'7', 'z', 0xBC, 0xAF, 0x27, 0x1C};
  signedNoise.insert(signedNoise.end(), noise.begin(), noise.end());
  const Bytes signatureOnly(SkinBytes().begin(), SkinBytes().begin() + 6);
  Bytes damagedDirectory = SkinBytes();
  damagedDirectory[damagedDirectory.size() - 3] ^= 0x01;  // inside the next header, at the end
  struct Case {
    const char* name;
    Bytes bytes;
  };
  const std::vector<Case> cases = {
      {"no bytes", {}},
      {"random bytes", noise},
      {"the 7z signature and random bytes", signedNoise},
      {"the 7z signature alone", signatureOnly},
      {"a zip file of the same files", ArchiveBytes("skin.zip")},
      {"encrypted data", ArchiveBytes("encrypted.7z")},
      {"encrypted data and names", ArchiveBytes("encrypted_names.7z")},
      {"folders and no file", ArchiveBytes("folders_only.7z")},
      {"a damaged directory", damagedDirectory},
      // A directory placed outside the bytes, which libarchive does not check before reading.
      {"a directory said to be 1 TiB long", WithStartHeaderField(SkinBytes(), 20, std::uint64_t{1} << 40)},
      {"a directory said to lie 1 TiB further", WithStartHeaderField(SkinBytes(), 12, std::uint64_t{1} << 40)},
  };
  for (const Case& c : cases) {
    EXPECT_FALSE(SkinArchive::Open(c.bytes).has_value()) << c.name;
  }
}

// The header sits at the end of a 7z archive, so every cut loses it.
TEST(SkinArchiveTest, TruncatedArchiveOpensAsNothing) {
  const Bytes& whole = SkinBytes();
  std::vector<std::size_t> cuts = {1, 6, 12, 31, 32, 33, whole.size() / 2};
  for (std::size_t cut = 64; cut < whole.size(); cut += whole.size() / 23) cuts.push_back(cut);
  for (std::size_t back = 1; back <= 40; ++back) cuts.push_back(whole.size() - back);
  for (const std::size_t cut : cuts) {
    const Bytes part(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut));
    EXPECT_FALSE(SkinArchive::Open(part).has_value()) << "cut after " << cut << " of " << whole.size() << " bytes";
  }
}

// A damaged byte in the packed streams (between the 32-byte start header and the header
// at the end) must never give a file other bytes than it was packed with: LZMA2 mostly
// fails to decode, stored files differ only in their checksums.
TEST(SkinArchiveTest, DamagedPackedByteNeverYieldsChangedFiles) {
  for (const char* archive : {"skin.7z", "stored.7z"}) {
    SCOPED_TRACE(archive);
    const Bytes whole = ArchiveBytes(archive);
    ASSERT_GT(whole.size(), std::size_t{32});
    std::uint64_t packedSize = 0;  // the start header's next-header offset, little-endian
    for (int i = 7; i >= 0; --i) packedSize = (packedSize << 8) | whole[12 + static_cast<std::size_t>(i)];
    ASSERT_GT(packedSize, std::uint64_t{1000});
    ASSERT_LT(packedSize, whole.size() - 32);
    int refused = 0;
    for (std::uint64_t step = 0; step < 24; ++step) {
      const std::size_t at = 32 + static_cast<std::size_t>(packedSize * step / 24);
      Bytes damaged = whole;
      damaged[at] ^= 0x5A;
      const std::optional<SkinArchive> skin = SkinArchive::Open(damaged);
      if (!skin) {
        ++refused;
        continue;
      }
      ExpectOnlyUnchangedFiles(*skin, "byte " + std::to_string(at) + " damaged");
    }
    // Damage in the files' data cannot go unnoticed.
    EXPECT_GT(refused, 0);
  }
}

}  // namespace
