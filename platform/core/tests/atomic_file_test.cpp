#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <set>

#include "platform/core/atomic_file.h"
#include "platform/core/files.h"
#include "platform/testing/temp_folder.h"

namespace rice {
namespace {

namespace fs = std::filesystem;

class AtomicWriter : public testing::TempFolderTest {
protected:
    std::string P(const std::string& name) const { return Path(name); }
    std::set<std::string> Names() const {
        std::set<std::string> out;
        for (const auto& e : fs::directory_iterator(folder())) out.insert(e.path().filename().string());
        return out;
    }
    static mode_t ModeOf(const std::string& path) {
        struct stat st {};
        ::stat(path.c_str(), &st);
        return st.st_mode & 07777;
    }
};

// Fails `step` for every file, and the unnamed temporary too when `named` (the fallback).
ScopedWriteFaults::Rule Failing(WriteStep step, bool named) {
    return [step, named](WriteStep s, const std::string&) {
        return s == step || (named && s == WriteStep::kUnnamedTemp);
    };
}

TEST_F(AtomicWriter, AFailingStepLeavesTheTargetAndNoTemporary) {
    const std::string big(200000, 'n');  // more than the writer holds back
    for (bool named : {false, true})
        for (WriteStep step : {WriteStep::kWrite, WriteStep::kFlush, WriteStep::kClose,
                               WriteStep::kPlace}) {
            const std::string what = std::string(named ? "named " : "unnamed ") +
                                     std::to_string(static_cast<int>(step));
            ASSERT_TRUE(WriteFileAtomic(P("out.txt"), "old"));
            std::string error;
            {
                ScopedWriteFaults faults(Failing(step, named));
                EXPECT_FALSE(WriteFileAtomic(P("out.txt"), big, &error)) << what;
            }
            EXPECT_EQ(error, CannotWriteFileMessage(P("out.txt"))) << what;
            EXPECT_EQ(ReadWholeFile(P("out.txt")), "old") << what;
            EXPECT_EQ(Names(), std::set<std::string>{"out.txt"}) << what;
        }
}

TEST_F(AtomicWriter, BothTemporariesGiveTheSameFileAndMode) {
    const mode_t mask = ::umask(027);
    for (bool named : {false, true}) {
        ScopedWriteFaults fallback([named](WriteStep s, const std::string&) {
            return named && s == WriteStep::kUnnamedTemp;
        });
        fs::remove_all(P("new.txt"));
        ASSERT_TRUE(WriteFileAtomic(P("new.txt"), "abc"));
        EXPECT_EQ(ModeOf(P("new.txt")), 0640u) << named;  // as an ordinary create
        ::chmod(P("new.txt").c_str(), 0604);
        ASSERT_TRUE(WriteFileAtomic(P("new.txt"), "defg"));
        EXPECT_EQ(ModeOf(P("new.txt")), 0604u) << named;  // a replaced file keeps its mode
        EXPECT_EQ(ReadWholeFile(P("new.txt")), "defg");
        EXPECT_EQ(Names(), std::set<std::string>{"new.txt"});
    }
    ::umask(mask);
}

TEST_F(AtomicWriter, AKilledWriteLeavesNothing) {
    ASSERT_TRUE(WriteFileAtomic(P("out.txt"), "old"));
    pid_t pid = ::fork();
    if (pid == 0) {
        // Killed with its content written and made durable, before it is placed.
        AtomicFile file;
        if (file.Open(P("out.txt")) && file.Write(std::string(300000, 'x'))) file.Finish();
        ::raise(SIGKILL);
    }
    ASSERT_GT(pid, 0);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(Names(), std::set<std::string>{"out.txt"});
    EXPECT_EQ(ReadWholeFile(P("out.txt")), "old");
}

TEST_F(AtomicWriter, ReadOnlyTargetsAreRefusedAndLinksWrittenThrough) {
    ASSERT_TRUE(WriteFileAtomic(P("grid.txt"), "kept"));
    ::chmod(P("grid.txt").c_str(), 0444);
    std::string error;
    EXPECT_FALSE(WriteFileAtomic(P("grid.txt"), "new", &error));
    EXPECT_EQ(error, CannotOpenFileMessage(P("grid.txt")));
    EXPECT_FALSE(AppendToFile(P("grid.txt"), "line\n", &error));
    EXPECT_EQ(error, CannotOpenFileMessage(P("grid.txt")));
    EXPECT_EQ(ReadWholeFile(P("grid.txt")), "kept");
    EXPECT_FALSE(WriteFileAtomic(folder(), "x", &error));  // a folder is no file to replace
    EXPECT_EQ(error, CannotOpenFileMessage(folder()));

    // out.txt -> sub/hop.txt -> real.txt (each link relative to its own folder).
    fs::create_directories(P("sub"));
    ASSERT_TRUE(WriteFileAtomic(P("sub/real.txt"), "old"));
    ::chmod(P("sub/real.txt").c_str(), 0640);
    fs::create_symlink("real.txt", P("sub/hop.txt"));
    fs::create_symlink("sub/hop.txt", P("out.txt"));
    ASSERT_TRUE(WriteFileAtomic(P("out.txt"), "through"));
    ASSERT_TRUE(AppendToFile(P("out.txt"), "+line\n"));
    EXPECT_TRUE(fs::is_symlink(P("out.txt")));
    EXPECT_TRUE(fs::is_symlink(P("sub/hop.txt")));
    EXPECT_EQ(ReadWholeFile(P("sub/real.txt")), "through+line\n");
    EXPECT_EQ(ModeOf(P("sub/real.txt")), 0640u);
    // A dangling link gets its file created where it points.
    fs::create_symlink("sub/later.txt", P("dangling.txt"));
    ASSERT_TRUE(WriteFileAtomic(P("dangling.txt"), "made"));
    EXPECT_EQ(ReadWholeFile(P("sub/later.txt")), "made");
    EXPECT_TRUE(fs::is_symlink(P("dangling.txt")));
}

TEST_F(AtomicWriter, AFailedAppendIsCutBackToWholeLines) {
    struct Case {
        const char* name;
        bool existed;
        WriteStep step;
    };
    const Case cases[] = {
        {"disk full", true, WriteStep::kWrite},
        {"not flushed", true, WriteStep::kFlush},
        {"close fails", true, WriteStep::kClose},
        {"disk full on a new file", false, WriteStep::kWrite},
    };
    for (const auto& c : cases) {
        fs::remove_all(P("Report.csv"));
        if (c.existed) {
            ASSERT_TRUE(AppendToFile(P("Report.csv"), "header\nrow 1\n"));
        }
        std::string error;
        {
            ScopedWriteFaults faults(Failing(c.step, false));
            EXPECT_FALSE(AppendToFile(P("Report.csv"), "row 2\n", &error)) << c.name;
        }
        EXPECT_EQ(error, CannotWriteFileMessage(P("Report.csv"))) << c.name;
        if (c.existed)
            EXPECT_EQ(ReadWholeFile(P("Report.csv")), "header\nrow 1\n") << c.name;
        else
            EXPECT_FALSE(FileExists(P("Report.csv"))) << c.name;
    }
    ASSERT_TRUE(AppendToFile(P("Report.csv"), "row 3\n"));
    EXPECT_EQ(ReadWholeFile(P("Report.csv")), "row 3\n");
}

}  // namespace
}  // namespace rice
