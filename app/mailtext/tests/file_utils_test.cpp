// Whole-file helpers: sizes of regular files only, reads that refuse a file whose size
// changed, writes that replace the file.

#include "app/mailtext/file_utils.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/safe_write.h"

namespace compose {
namespace {

namespace fs = std::filesystem;

class FileUtils : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("compose_text_files_" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string Path(const char* name) const { return (dir_ / name).string(); }
  void Put(const char* name, const std::string& bytes) const {
    std::ofstream(dir_ / name, std::ios::binary) << bytes;
  }

  fs::path dir_;
};

TEST_F(FileUtils, SizeOfRegularFilesOnly) {
  Put("a.gif", std::string(15361, 'x'));
  uint64_t size = 7;
  EXPECT_EQ(GetFileSizeByName(Path("a.gif"), size), 1);
  EXPECT_EQ(size, 15361u);
  size = 7;
  EXPECT_EQ(GetFileSizeByName(Path("missing"), size), 0);
  EXPECT_EQ(GetFileSizeByName(dir_.string(), size), 0);
  EXPECT_EQ(size, 7u);
}

TEST_F(FileUtils, ReadsTheWholeFileAndRefusesAChangedSize) {
  const std::string bytes("GIF89a\0\x01\x02", 9);
  Put("img", bytes);
  std::string all;
  ASSERT_EQ(ReadWholeFile(Path("img"), all), 1);
  EXPECT_EQ(all, bytes);

  std::string buffer(9, '\0');
  EXPECT_EQ(ReadWholeFile(Path("img"), buffer.data(), buffer.size()), 1);
  EXPECT_EQ(buffer, bytes);

  // The size was taken earlier and the file has grown (or shrunk) since: refused, and
  // nothing is written past the buffer.
  Put("img", bytes + "more");
  std::string guarded(9 + 4, '#');
  EXPECT_EQ(ReadWholeFile(Path("img"), guarded.data(), 9), 0);
  EXPECT_EQ(guarded.substr(9), "####");
  Put("img", "GIF");
  EXPECT_EQ(ReadWholeFile(Path("img"), guarded.data(), 9), 0);

  EXPECT_EQ(ReadWholeFile(Path("missing"), all), 0);
  EXPECT_EQ(ReadWholeFile(dir_.string(), all), 0);
  EXPECT_TRUE(all.empty());
}

TEST_F(FileUtils, WritesReplaceAndDeletesRemove) {
  ASSERT_EQ(WriteStringToFile(Path("body"), std::string("a\0b", 3)), 1);
  uint64_t size = 0;
  ASSERT_EQ(GetFileSizeByName(Path("body"), size), 1);
  EXPECT_EQ(size, 3u);
  ASSERT_EQ(WriteBufferToFile(Path("body"), "xy", 2), 1);
  std::string all;
  ASSERT_EQ(ReadWholeFile(Path("body"), all), 1);
  EXPECT_EQ(all, "xy");
  EXPECT_EQ(WriteBufferToFile(Path("body"), nullptr, 0), 1);
  EXPECT_EQ(WriteBufferToFile(Path("body"), nullptr, 5), 0);

  // A write that cannot happen leaves the old file as it was.
  EXPECT_EQ(WriteStringToFile(Path("no-such-folder/x"), "data"), 0);
  ASSERT_EQ(WriteStringToFile(Path("keep"), "old"), 1);
  platform::AtomicFile::FailNextCommitForTesting();
  EXPECT_EQ(WriteStringToFile(Path("keep"), "new"), 0);
  ASSERT_EQ(ReadWholeFile(Path("keep"), all), 1);
  EXPECT_EQ(all, "old");
  EXPECT_EQ(WriteStringToFile(dir_.string(), "x"), 0);  // a folder is no file

  EXPECT_EQ(RemoveFileNoThrow(Path("body")), 1);
  EXPECT_FALSE(fs::exists(dir_ / "body"));
  EXPECT_EQ(RemoveFileNoThrow(Path("body")), 0);
  fs::create_directory(dir_ / "sub");
  EXPECT_EQ(RemoveFileNoThrow(Path("sub")), 0);
  EXPECT_TRUE(fs::exists(dir_ / "sub"));
}

}  // namespace
}  // namespace compose
