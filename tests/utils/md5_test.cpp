// MD5 against the RFC 1321 test suite and file digests.
#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"
#include "utils/md5.h"
#include "utils/file_ops.h"
#include "utils/folders.h"
#include "utils/text.h"

TEST(Md5, Rfc1321TestSuite) {
  const std::pair<std::string, std::string> cases[] = {
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"a", "0cc175b9c0f1b6a831c399e269772661"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
      {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
      {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "57edf4a22be3c955ac49da2e2107b67a"},
  };
  for (const auto& [text, digest] : cases) EXPECT_EQ(Utils::Md5Hex(text.data(), text.size()), digest) << text;
}

TEST(Md5, PiecewiseUpdatesMatchOneUpdate) {
  std::string data;
  for (int i = 0; i < 10000; ++i) data.push_back(static_cast<char>(i * 31 + 7));
  const std::string whole = Utils::Md5Hex(data.data(), data.size());
  for (std::size_t piece : {1u, 3u, 55u, 56u, 63u, 64u, 65u, 1000u}) {
    Utils::Md5 md5;
    for (std::size_t at = 0; at < data.size(); at += piece) md5.Update(data.data() + at, std::min(piece, data.size() - at));
    EXPECT_EQ(Utils::DigestHex(md5.Final()), whole) << piece;
  }
}

TEST(FileMd5Hex, DigestsFilesAndRefusesWhatCannotBeRead) {
  testsupport::TempDir dir;
  const auto empty = dir.Write("empty.bin", "");
  EXPECT_EQ(Utils::FileMd5Hex(empty.string()), "d41d8cd98f00b204e9800998ecf8427e");
  const auto abc = dir.Write("abc.bin", "abc");
  EXPECT_EQ(Utils::FileMd5Hex(abc.string()), "900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(Utils::FileMd5Hex((dir.Path() / "missing.bin").string()), "");
  EXPECT_EQ(Utils::FileMd5Hex(""), "");
  EXPECT_EQ(Utils::FileMd5Hex(dir.Path().string()), "") << "a folder is not a readable file";
}

TEST(FileMd5Hex, ReadsAFileInAFolderTheAnsiCodePageCannotName) {
  testsupport::TempDir dir;
  const std::wstring folder = Utils::JoinPath(dir.WPath(), testsupport::kNameOutsideAnsiCodePage);
  ASSERT_TRUE(Utils::CreateDirectoryTree(folder));
  const std::wstring file = Utils::JoinPath(folder, L"abc.bin");
  {
    Utils::UniqueFile out = Utils::OpenFile(file, "wb");
    ASSERT_TRUE(out);
    ASSERT_EQ(std::fwrite("abc", 1, 3, out.get()), 3u);
    ASSERT_TRUE(Utils::CloseFile(out));
  }
  EXPECT_EQ(Utils::FileSizeAt(file), 3);
  EXPECT_EQ(Utils::FileMd5Hex(file), "900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(Utils::FileMd5Hex(Utils::JoinPath(folder, L"missing.bin")), "");
}
