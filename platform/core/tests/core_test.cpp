#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

#include "platform/core/encoding.h"
#include "platform/core/exit.h"
#include "platform/core/files.h"
#include "platform/core/parallel.h"
#include "platform/core/paths.h"
#include "platform/testing/temp_folder.h"

namespace rice {
namespace {

TEST(Encoding, RoundTripsChineseAndRefusesWhatBig5CannotHold) {
    std::string big5 = Utf8ToCp950("執行完畢!");
    EXPECT_EQ(big5, "\xB0\xF5\xA6\xE6\xA7\xB9\xB2\xA6!");
    EXPECT_EQ(Cp950ToUtf8(big5), "執行完畢!");
    EXPECT_EQ(Utf8ToCp950("abc 1.5"), "abc 1.5");
    std::string out;
    EXPECT_FALSE(TryUtf8ToCp950("\xF0\x9F\x98\x80", out));  // emoji
    EXPECT_FALSE(TryUtf8ToCp950("\xC3", out));              // broken UTF-8
    EXPECT_THROW(Utf8ToCp950("한국어"), EncodingError);
    EXPECT_FALSE(TryCp950ToUtf8("\xB0", out));  // lead byte with no trail
}

TEST(Paths, Helpers) {
    struct Case { const char* path; const char* file; const char* base; };
    const Case cases[] = {
        {"/data/maps/s12.shp", "s12.shp", "s12"},
        {"s12.shp", "s12.shp", "s12"},
        {"/a.b/c", "c", ""},
        {"/a/b.c.d", "b.c.d", "b.c"},
        {"/a/noext", "noext", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FileNameOf(c.path), c.file) << c.path;
        EXPECT_EQ(BaseNameOf(c.path), c.base) << c.path;
    }
    EXPECT_EQ(JoinPath("/cls", "info"), "/cls/info");
    EXPECT_EQ(JoinPath("/cls/", "x"), "/cls/x");
    EXPECT_EQ(JoinPath("", "x"), "x");
    EXPECT_EQ(FolderOf("/a/b/c.txt"), "/a/b");
    EXPECT_EQ(ReplaceAll("/d/shp/9420.shp", "shp", "lan"), "/d/lan/9420.lan");
    EXPECT_EQ(ReplaceAll("/d/X.SHP", "shp", "lan"), "/d/X.SHP");
    EXPECT_EQ(ReplaceAll("aaa", "aa", "b"), "ba");
}

TEST(Exit, UnwindsToTheEntryWithItsStatus) {
    EXPECT_EQ(RunUntilExit([] { EndProcess(1); return 0; }), 1);
    EXPECT_EQ(RunUntilExit([] { return 7; }), 7);
}

TEST(Files, AtomicWriteReplacesWholeOrNothing) {
    testing::TempFolder folder("files");
    const std::filesystem::path dir = folder.path();
    std::string p = (dir / "out.txt").string();
    ASSERT_TRUE(WriteFileAtomic(p, "first"));
    ASSERT_TRUE(WriteFileAtomic(p, "second\r\n"));
    EXPECT_EQ(*ReadWholeFile(p), "second\r\n");
    EXPECT_FALSE(WriteFileAtomic((dir / "missing" / "x.txt").string(), "x"));
    ASSERT_TRUE(AppendToFile(p, "more"));
    EXPECT_EQ(*ReadWholeFile(p), "second\r\nmore");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1);
}

// Writers on several threads: each new file gets the permissions of an ordinary create, and the
// process's umask is what it was.
TEST(Files, AtomicWritesSideBySideKeepTheUmask) {
    testing::TempFolder folder("files-parallel");
    const std::filesystem::path dir = folder.path();
    const mode_t mask = ::umask(022);
    const std::size_t files = 3000;
    ParallelFor(files, 8, [&](std::size_t i) {
        ASSERT_TRUE(WriteFileAtomic((dir / std::to_string(i)).string(), "x"));
    });
    const mode_t after = ::umask(mask);
    EXPECT_EQ(after, 022);
    for (std::size_t i = 0; i < files; ++i) {
        struct stat st {};
        ASSERT_EQ(::stat((dir / std::to_string(i)).c_str(), &st), 0);
        ASSERT_EQ(st.st_mode & 0777, 0644u) << i;
    }
}

}  // namespace
}  // namespace rice
