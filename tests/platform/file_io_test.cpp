#include "platform/file_io.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <optional>
#ifndef _WIN32
#include <sys/resource.h>

#include <csignal>
#endif

#include "common/path.h"
#include "platform/replacing_file.h"
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

TEST_F(FileIoTest, AFolderIsNotAFile) { EXPECT_FALSE(FileExists(Utf8FromPath(folder_.path()))); }

TEST_F(FileIoTest, ReadsOnlyRegularFilesWithinTheLimitAndSaysWhy) {
    const std::string ten = PathOf("ten.bin");
    ASSERT_TRUE(WriteWholeFile(ten, ByteBuffer(10, 1)));
    struct Case {
        std::string path;
        std::uint64_t limit;
        std::string reason;  // empty: the system's words, with its error number
    };
    const Case cases[] = {
        {Utf8FromPath(folder_.path()), kWholeFileReadLimit, kNotRegularFileText},
        {PathOf("absent"), kWholeFileReadLimit, ""},
        {ten, 9, "too large (10 bytes, at most 9)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        const auto read = ReadWholeFile(c.path, c.limit);
        ASSERT_FALSE(read);
        EXPECT_EQ(read.error().what, "read");
        EXPECT_EQ(read.error().path, c.path);
        if (c.reason.empty()) {
            EXPECT_FALSE(read.error().reason.empty());
            EXPECT_NE(read.error().system_error, 0);
        } else {
            EXPECT_EQ(read.error().reason, c.reason);
        }
        // Readability asks the same questions, the size apart.
        if (c.path != ten) {
            EXPECT_EQ(CheckReadable(c.path), Result<>(Fail(read.error())));
        }
    }
    EXPECT_TRUE(CheckReadable(ten));
    EXPECT_EQ(ReadWholeFile(ten, 10), ByteBuffer(10, 1));
}

TEST_F(FileIoTest, FailedWriteKeepsTheOldFileLeavesNoTemporaryAndSaysWhy) {
    const std::string kept = PathOf("kept.bin");
    ASSERT_TRUE(WriteWholeFile(kept, ByteBuffer{1, 2, 3}));
    std::filesystem::create_directory(folder_.path() / "folder");
    // A folder cannot be replaced by a file; the old file beside it is untouched.
    const auto over_folder = WriteWholeFile(PathOf("folder"), ByteBuffer{9});
    ASSERT_FALSE(over_folder);
    EXPECT_EQ(over_folder.error(), (Failure{"write", PathOf("folder"), kIsFolderText, 0}));
    const auto no_folder = WriteWholeFile(PathOf("no/such/folder/x"), ByteBuffer{1});
    ASSERT_FALSE(no_folder);
    EXPECT_EQ(no_folder.error().what, "write");
    EXPECT_EQ(no_folder.error().path, PathOf("no/such/folder/x"));
    EXPECT_NE(no_folder.error().system_error, 0);
    EXPECT_EQ(ReadWholeFile(kept), (ByteBuffer{1, 2, 3}));
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder_.path())) ++entries;
    EXPECT_EQ(entries, 2u);
}

// A program ended before it names its file (Ctrl+C, a crash, the task manager) leaves no
// temporary behind: on Linux the temporary never had a name, on Windows it is marked for
// deletion from the start. A death test's child runs the test again from its start, so the
// parent hands its folder down in the environment.
TEST(ReplacingFileEnded, AProgramEndedBeforeCommitLeavesNothing) {
    constexpr const char* kHandedDown = "ICOFORGE_TEST_ENDED_FOLDER";
    const auto hand_down = [&](const char* value) {
#ifdef _WIN32
        _putenv_s(kHandedDown, value);
#else
        value[0] != '\0' ? setenv(kHandedDown, value, 1) : unsetenv(kHandedDown);
#endif
    };
    std::optional<testing::TempFolder> own;
    std::filesystem::path folder;
    if (const char* given = std::getenv(kHandedDown); given != nullptr && given[0] != '\0') {
        folder = PathFromUtf8(given);
    } else {
        folder = own.emplace().path();
        hand_down(Utf8FromPath(folder).c_str());
    }
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            auto file = ReplacingFile::Create(Utf8FromPath(folder / "cut.ico"));
            if (!file || !file->Write(ByteBuffer(100000, 7)) || std::fflush(file->stream()) != 0) std::_Exit(1);
            std::_Exit(3);
        },
        ::testing::ExitedWithCode(3), "");
    hand_down("");
    EXPECT_TRUE(std::filesystem::is_empty(folder));
}

// Forty pieces, empty ones among them: more than one gathered write takes, so the writer
// must carry on where each one stopped, and a write cut short must still fail whole.
TEST_F(FileIoTest, PiecesArriveInOrderOrTheOldFileStays) {
    std::vector<ByteBuffer> storage;
    ByteBuffer joined;
    for (std::size_t i = 0; i < 40; ++i) {
        storage.emplace_back(i % 7 == 3 ? 0 : 100 + i, static_cast<std::uint8_t>(i));
        joined.insert(joined.end(), storage.back().begin(), storage.back().end());
    }
    const std::vector<ByteView> pieces(storage.begin(), storage.end());
    const std::string path = PathOf("pieces.bin");
    ASSERT_TRUE(WriteWholeFile(path, pieces));
    EXPECT_EQ(ReadWholeFile(path), joined);
#ifdef _WIN32
    GTEST_SKIP() << "no file-size limit on Windows";
#else
    // The limit falls inside the third piece of the first gathered write.
    const ByteBuffer old{7, 7, 7};
    ASSERT_TRUE(WriteWholeFile(path, old));
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = saved;
    limited.rlim_cur = 250;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    const auto cut = WriteWholeFile(path, pieces);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    ASSERT_FALSE(cut);
    EXPECT_EQ(cut.error().system_error, EFBIG);
    EXPECT_EQ(ReadWholeFile(path), old);
#endif
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

// On Linux a file being written has no name until it is whole, so a file manager or a
// crash never meets a temporary; a file that replaces another keeps who may read it.
TEST_F(FileIoTest, AFileIsSeenOnlyWholeAndAReplacementKeepsItsPermissions) {
    namespace fs = std::filesystem;
    const auto names = [&] {
        std::vector<std::string> found;
        for (const auto& entry : fs::directory_iterator(folder_.path())) found.push_back(entry.path().filename().string());
        return found;
    };
    const std::string path = PathOf("whole.bin");
    for (const std::uint8_t fill : {1, 2}) {
        auto file = ReplacingFile::Create(path);
        ASSERT_TRUE(file);
        ASSERT_TRUE(file->Write(ByteBuffer(5000, fill)));
#ifdef __linux__
        EXPECT_EQ(names(), fill == 1 ? std::vector<std::string>{} : std::vector<std::string>{"whole.bin"});
#endif
        ASSERT_TRUE(file->Commit());
        EXPECT_EQ(names(), std::vector<std::string>{"whole.bin"});
        EXPECT_EQ(ReadWholeFile(path), ByteBuffer(5000, fill));
        if (fill == 1) fs::permissions(PathFromUtf8(path), fs::perms::owner_read | fs::perms::owner_write);
    }
#ifndef _WIN32
    EXPECT_EQ(fs::status(PathFromUtf8(path)).permissions(), fs::perms::owner_read | fs::perms::owner_write);
#endif
}

}  // namespace
}  // namespace icoforge
