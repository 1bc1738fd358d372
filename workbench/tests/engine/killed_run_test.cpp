// A classification killed at the end of its writing leaves nothing behind: no half-written
// output, no hidden temporary.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <set>

#include "platform/core/atomic_file.h"
#include "platform/testing/temp_folder.h"
#include "workbench/engine/classifier.h"
#include "workbench/tests/engine/test_util.h"

namespace rice {
namespace {

class KilledRun : public testing::TempFolderTest {
protected:
    std::set<std::string> Names() const {
        std::set<std::string> out;
        for (const auto& e : std::filesystem::directory_iterator(folder()))
            out.insert(e.path().filename().string());
        return out;
    }
};

TEST_F(KilledRun, ClassificationLeavesNoTemporary) {
    LanHeader h = test::MakeHeader(1, 300, 400);
    ASSERT_TRUE(WriteLanImage(Path("in.lan"), test::MakeImage(h, [](int r, int, int c) {
                                  return (r + c) % 200;
                              })));
    ASSERT_TRUE(WriteFileAtomic(Path("stats.gsg"), "2\r\n1\r\n50 \r\n100 \r\n150 \r\n100 \r\n"));
    const auto before = Names();
    pid_t pid = ::fork();
    if (pid == 0) {
        // Killed once the whole output is written, just before it would be placed.
        ScopedWriteFaults kill([](WriteStep s, const std::string&) {
            if (s == WriteStep::kFlush) ::raise(SIGKILL);
            return false;
        });
        RecordingSink sink;
        ClassifyMaximumLikelihood(Path("in.lan"), Path("stats.gsg"), Path("out.lan"), 0.5, 0.5,
                                  sink, {1, 0});
        ::_exit(0);
    }
    ASSERT_GT(pid, 0);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(Names(), before);
}

}  // namespace
}  // namespace rice
