// The built program, started as the workbench starts it.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>

#include "platform/core/command.h"
#include "texture/tests/forms/fixture.h"

#ifdef TEXTURE_PROGRAM

namespace tex::test {
namespace {

class Program : public ToolFolder {
protected:
    std::pair<std::string, int> RunProgram(const std::string& script) {
        Write(At("run.script"), script);
        std::string cmd = "cd '" + root + "' && '" TEXTURE_PROGRAM "' --script run.script 2>&1";
        FILE* p = ::popen(cmd.c_str(), "r");
        std::string out;
        char buf[4096];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
        int st = ::pclose(p);
        return {out, WIFEXITED(st) ? WEXITSTATUS(st) : -1};
    }
};

TEST_F(Program, RunsTheFormsHeadlessly) {
    Write(At("in.txt"), Grid(7, 7, [](int x, int y) { return (x + y) % 3; }));
    auto [out, st] = RunProgram("click btnCROSS_DIAGONAL\nset EditFilename in.txt\nset EditOutputPath .\n"
                                "click Btn_EXE\nexpect 執行完畢\nclick Btn_EXIT\nclick BtnClassify\nclick BtnExit\n");
    EXPECT_EQ(st, 0) << out;
    EXPECT_EQ(out, "[main] 執行完畢\n");
    EXPECT_TRUE(rice::FileExists(At("CROSS_DIAGONAL_l3_correlation.txt")));
    EXPECT_TRUE(rice::FileExists(At("variogram.cfg")));
}

TEST(MainProgramPlace, TheWorkbenchFindsMainBesideItself) {
#ifdef KORVANE_FOLDER
    rice::SystemInterpreter interpreter;
    interpreter.ownFolder = KORVANE_FOLDER;
    EXPECT_EQ(interpreter.FindProgram("main"), std::optional<std::string>(TEXTURE_PROGRAM));
#else
    GTEST_SKIP() << "no workbench program in this build";
#endif
}

}  // namespace
}  // namespace tex::test

#endif
