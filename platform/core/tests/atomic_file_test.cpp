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

// A run killed between two steps of the writer leaves hidden files, named after its process;
// the next write into that folder (by a later run) removes them, and never those of a writer
// that still runs. The kills happen in a child process, at the fault seam.
TEST_F(AtomicWriter, HiddenFilesOfAKilledRunGoWithTheNextWriteInTheFolder) {
    using Rule = ScopedWriteFaults::Rule;
    auto killedAt = [](WriteStep step, const char* name, bool named) -> Rule {
        return [=](WriteStep s, const std::string& path) {
            if (s == step && path.find(name) != std::string::npos) ::_exit(0);
            return named && s == WriteStep::kUnnamedTemp;
        };
    };
    struct Case {
        const char* what;
        Rule rule;
        bool group;  // a.txt and b.txt committed together, else a.txt alone
    };
    const Case cases[] = {
        {"between the link and the rename", killedAt(WriteStep::kPlace, "a.txt", false), false},
        {"writing a named temporary", killedAt(WriteStep::kWrite, "a.txt", true), false},
        // a.txt is in place, the old a.txt and b.txt kept by hidden links, the new b.txt linked.
        {"placing the second of a group", killedAt(WriteStep::kPlace, "b.txt", false), true},
    };
    int n = 0;
    for (const Case& c : cases) {
        // A folder this process has not written into yet, as for a later run.
        const std::string sheet = P("sheet" + std::to_string(n++));
        fs::create_directories(sheet);
        const std::string a = sheet + "/a.txt", b = sheet + "/b.txt";
        pid_t pid = ::fork();
        if (pid == 0) {
            WriteFileAtomic(a, "old a");
            WriteFileAtomic(b, "old b");
            ScopedWriteFaults kill(c.rule);
            AtomicFile fa, fb;
            const std::string big(300000, 'x');
            if (c.group) {
                if (fa.Open(a) && fa.Write(big) && fb.Open(b) && fb.Write(big)) CommitTogether({&fa, &fb});
            } else {
                WriteFileAtomic(a, big);
            }
            ::_exit(1);  // the kill did not come
        }
        ASSERT_GT(pid, 0);
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << c.what;
        std::set<std::string> left;
        for (const auto& e : fs::directory_iterator(sheet)) {
            const std::string name = e.path().filename().string();
            if (name == "a.txt" || name == "b.txt") continue;
            EXPECT_EQ(WriterOfHiddenFile(name), pid) << c.what << ": " << name;
            left.insert(name);
        }
        EXPECT_EQ(left.size(), c.group ? 3u : 1u) << c.what;
        ASSERT_TRUE(WriteFileAtomic(sheet + "/next.txt", "next")) << c.what;
        std::set<std::string> names;
        for (const auto& e : fs::directory_iterator(sheet)) names.insert(e.path().filename().string());
        EXPECT_EQ(names, (std::set<std::string>{"a.txt", "b.txt", "next.txt"})) << c.what;
        EXPECT_EQ(ReadWholeFile(b), "old b") << c.what;
    }

    // A writer that still runs, stopped between its link and its rename, keeps its file.
    const std::string live = P("live");
    fs::create_directories(live);
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    pid_t pid = ::fork();
    if (pid == 0) {
        ScopedWriteFaults stop([&](WriteStep s, const std::string&) {
            if (s == WriteStep::kPlace) {
                (void)!::write(ready[1], "x", 1);
                for (;;) ::pause();
            }
            return false;
        });
        WriteFileAtomic(live + "/a.txt", "new");
        ::_exit(1);
    }
    ASSERT_GT(pid, 0);
    char x = 0;
    ASSERT_EQ(::read(ready[0], &x, 1), 1);
    ASSERT_TRUE(WriteFileAtomic(live + "/next.txt", "next"));
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(live)) names.insert(e.path().filename().string());
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    ::close(ready[0]);
    ::close(ready[1]);
    ASSERT_EQ(names.size(), 2u) << ::testing::PrintToString(names);
    EXPECT_EQ(WriterOfHiddenFile(*names.begin()), pid);  // "." sorts before "n"
}

// The hidden name fits the folder's name limit however long the target's name: 250 and 255
// bytes, in ASCII and in three-byte characters, new and replaced, through both temporaries
// and the kept copy of a group.
TEST_F(AtomicWriter, TargetNamesUpToTheLimitAreWritable) {
    std::string chinese;
    while (chinese.size() + 3 <= 246) chinese += "稻";  // 246 bytes, then ".lan"
    const std::string names[] = {std::string(250, 'n'), std::string(255, 'm'), chinese + ".lan"};
    for (const std::string& name : names)
        for (bool named : {false, true}) {
            ScopedWriteFaults fallback([named](WriteStep s, const std::string&) {
                return named && s == WriteStep::kUnnamedTemp;
            });
            const std::string path = P(name);
            std::string error;
            ASSERT_TRUE(WriteFileAtomic(path, "new", &error)) << name.size() << " " << error;
            AtomicFile again;
            ASSERT_TRUE(again.Open(path) && again.Write(std::string("again")));
            ASSERT_TRUE(CommitTogether({&again}, &error)) << name.size() << " " << error;
            EXPECT_EQ(ReadWholeFile(path), "again");
            EXPECT_EQ(Names(), std::set<std::string>{name});
            fs::remove(path);
        }
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
