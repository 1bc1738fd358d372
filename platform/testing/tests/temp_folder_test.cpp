// The tests' temporary folders: each its own, gone with its owner, and the current folder back
// where it was whatever the test did with it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/core/paths.h"
#include "platform/testing/temp_folder.h"

namespace rice::testing {
namespace {

namespace fs = std::filesystem;

TEST(TempFolder, EachUseHasItsOwnFolderUnderTheRootRemovedWithEverythingInIt) {
    std::string kept;
    {
        TempFolder a("same"), b("same");
        EXPECT_NE(a.path(), b.path());
        EXPECT_TRUE(fs::is_directory(a.path()));
        EXPECT_TRUE(fs::is_empty(a.path()));
        EXPECT_EQ(fs::path(a.path()).parent_path(), TestRoot());
        fs::create_directories(a / "sub/deeper");
        std::ofstream(a / "sub/deeper/f.txt") << "x";
        EXPECT_EQ(a.Contents(), (std::vector<std::string>{"sub", "sub/deeper", "sub/deeper/f.txt"}));
        kept = a.path();
    }
    EXPECT_FALSE(fs::exists(kept));
}

TEST(TempFolder, LabelsBecomeSafeFolderNames) {
    TempFolder f("Suite/Case.Name/0 with spaces*");
    EXPECT_EQ(fs::path(f.path()).filename().string().substr(0, 29), "Suite_Case.Name_0_with_spaces");
}

TEST(TempFolder, RootFollowsTmpdir) {
    TempFolder outer("root");
    const char* old = std::getenv("TMPDIR");
    const std::string saved = old ? old : "";
    ::setenv("TMPDIR", (outer / "nested").c_str(), 1);  // made on first use
    {
        TempFolder inner("inner");
        EXPECT_EQ(fs::path(inner.path()).parent_path(), fs::path(outer / "nested"));
    }
    if (old) ::setenv("TMPDIR", saved.c_str(), 1);
    else ::unsetenv("TMPDIR");
    EXPECT_EQ(outer.Contents(), std::vector<std::string>{"nested"});
}

TEST(InTempFolder, TheCurrentFolderComesBackWhereverTheTestLeftIt) {
    const std::string start = CurrentFolder();
    std::string inside;
    {
        InTempFolder f("cwd");
        inside = f.path();
        EXPECT_EQ(CurrentFolder(), f.path());
        EXPECT_EQ(f.previous(), start);
        fs::create_directories(f / "elsewhere");
        ASSERT_TRUE(SetCurrentFolder(f / "elsewhere"));
    }
    EXPECT_EQ(CurrentFolder(), start);
    EXPECT_FALSE(fs::exists(inside));
}

// A fixture's folder is named after its test and is the current folder during it.
class Fixture : public InTempFolderTest {};
TEST_F(Fixture, FolderOfItsOwn) {
    EXPECT_EQ(CurrentFolder(), folder());
    EXPECT_EQ(Path("a"), folder() + "/a");
    EXPECT_EQ(fs::path(folder()).parent_path(), TestRoot());
    EXPECT_NE(folder().find("Fixture.FolderOfItsOwn-"), std::string::npos) << folder();
}

}  // namespace
}  // namespace rice::testing
