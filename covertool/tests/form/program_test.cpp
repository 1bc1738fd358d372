// The built program, started as the workbench starts it.
#include <gtest/gtest.h>

#include <cstdio>
#include <sys/wait.h>

#include "covertool/tests/fixture.h"
#include "platform/core/command.h"
#include "platform/core/paths.h"

#ifdef TESSMAR_PROGRAM

namespace cover::test {
namespace {

class Program : public CoverFolder {
protected:
    // Runs the program in the cover folder; its output and exit status.
    std::pair<std::string, int> Run(const std::string& script) {
        Write(At("run.script"), script);
        std::string cmd = "cd '" + root + "' && '" TESSMAR_PROGRAM "' --script run.script 2>&1";
        FILE* p = ::popen(cmd.c_str(), "r");
        std::string out;
        char buf[4096];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
        int status = ::pclose(p);
        return {out, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
    }
};

TEST_F(Program, RunsHeadlesslyInTheFolderItStartsIn) {
    TwoCovers();
    auto [out, status] = Run("click Command1\nexpect 作業完成....\nclick Command3\n");
    EXPECT_EQ(status, 0) << out;
    EXPECT_EQ(out, "[Tessmar] 作業完成....\n[Tessmar] 作業完成....\n");
    EXPECT_EQ(Bytes(At("coord.txt")).substr(0, 4), "c01 ");
    EXPECT_EQ(ReadColumn(At("c01/pat.dbf"), "culture"), (std::vector<Cell>{3, 4, 2}));

    fs::remove(At("covlist.txt"));
    std::tie(out, status) = Run("click Command5\n");
    EXPECT_EQ(status, 1);
    EXPECT_NE(out.find("[Tessmar] 執行階段錯誤 '53'"), std::string::npos) << out;
}

TEST(ProgramPlace, TheWorkbenchFindsItBesideItself) {
#ifdef KORVANE_FOLDER
    rice::SystemInterpreter interpreter;
    interpreter.ownFolder = KORVANE_FOLDER;
    EXPECT_EQ(interpreter.FindProgram("Tessmar"), std::optional<std::string>(TESSMAR_PROGRAM));
#else
    GTEST_SKIP() << "no workbench program in this build";
#endif
}

}  // namespace
}  // namespace cover::test

#endif
