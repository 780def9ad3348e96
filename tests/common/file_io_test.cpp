#include "common/file_io.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "common/path.h"
#include "tests/support/temp_folder.h"

namespace icoforge {
namespace {

class FileIoTest : public ::testing::Test {
protected:
    std::string PathOf(const std::string& utf8_name) const { return folder_.File(utf8_name); }
    testing::TempFolder folder_;
};

TEST_F(FileIoTest, RoundTripWithNonAsciiName) {
    // A name outside every ANSI code page: works only if paths reach the OS as Unicode.
    const std::string path = PathOf("图标 ünïcødé.bin");
    const ByteBuffer bytes{0, 1, 2, 255};
    ASSERT_TRUE(WriteWholeFile(path, bytes));
    EXPECT_TRUE(FileExists(path));
    EXPECT_EQ(ReadWholeFile(path), bytes);
    EXPECT_TRUE(RemoveFile(path));
    EXPECT_FALSE(FileExists(path));
}

TEST_F(FileIoTest, ReplacesAndReadsEmpty) {
    const std::string path = PathOf("f.bin");
    ASSERT_TRUE(WriteWholeFile(path, ByteBuffer(100, 7)));
    ASSERT_TRUE(WriteWholeFile(path, ByteBuffer{}));
    auto read = ReadWholeFile(path);
    ASSERT_TRUE(read);
    EXPECT_TRUE(read->empty());
}

TEST_F(FileIoTest, MissingFileAndBadFolder) {
    EXPECT_FALSE(ReadWholeFile(PathOf("absent")));
    EXPECT_FALSE(WriteWholeFile(PathOf("no/such/folder/x"), ByteBuffer{1}));
    EXPECT_FALSE(FileExists(Utf8FromPath(folder_.path())));  // a folder is not a file
}

}  // namespace
}  // namespace icoforge
