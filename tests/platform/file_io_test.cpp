#include "platform/file_io.h"

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

TEST_F(FileIoTest, ReadsOnlyRegularFilesWithinTheLimitAndSaysWhy) {
    const std::string ten = PathOf("ten.bin");
    ASSERT_TRUE(WriteWholeFile(ten, ByteBuffer(10, 1)));
    struct Case {
        std::string path;
        std::uint64_t limit;
        std::string reason;  // empty: any reason the system gives
    };
    const Case cases[] = {
        {Utf8FromPath(folder_.path()), kWholeFileReadLimit, "not a regular file"},
        {PathOf("absent"), kWholeFileReadLimit, ""},
        {ten, 9, "too large (10 bytes, at most 9)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        FileError error;
        EXPECT_FALSE(ReadWholeFile(c.path, &error, c.limit));
        if (c.reason.empty()) {
            EXPECT_FALSE(error.reason.empty());
        } else {
            EXPECT_EQ(error.reason, c.reason);
        }
    }
    EXPECT_EQ(ReadWholeFile(ten, nullptr, 10), ByteBuffer(10, 1));
}

TEST_F(FileIoTest, FailedWriteKeepsTheOldFileAndLeavesNoTemporary) {
    const std::string kept = PathOf("kept.bin");
    ASSERT_TRUE(WriteWholeFile(kept, ByteBuffer{1, 2, 3}));
    std::filesystem::create_directory(folder_.path() / "folder");
    FileError error;
    // A folder cannot be replaced by a file; the old file beside it is untouched.
    EXPECT_FALSE(WriteWholeFile(PathOf("folder"), ByteBuffer{9}, &error));
    EXPECT_EQ(error.reason, "is a folder");
    EXPECT_EQ(ReadWholeFile(kept), (ByteBuffer{1, 2, 3}));
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder_.path())) ++entries;
    EXPECT_EQ(entries, 2u);
}

TEST_F(FileIoTest, SameFileByIdentityNotByName) {
    const std::string file = PathOf("a.bin");
    ASSERT_TRUE(WriteWholeFile(file, ByteBuffer{1}));
    ASSERT_TRUE(WriteWholeFile(PathOf("b.bin"), ByteBuffer{1}));
    std::filesystem::create_hard_link(PathFromUtf8(file), folder_.path() / "link.bin");
    EXPECT_TRUE(IsSameFile(file, Utf8FromPath(folder_.path()) + "/./a.bin"));
    EXPECT_TRUE(IsSameFile(file, PathOf("link.bin")));
    EXPECT_FALSE(IsSameFile(file, PathOf("b.bin")));  // same bytes, another file
    EXPECT_FALSE(IsSameFile(file, PathOf("absent")));
}

}  // namespace
}  // namespace icoforge
