// The built program, started as the workbench starts it.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <sys/wait.h>

#include "covertool/tests/fixture.h"
#include "platform/core/command.h"
#include "platform/core/encoding.h"
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

// Text the jobs only copy keeps its bytes, and a line ends at CR, LF or CR LF in every file
// the jobs read.
TEST_F(Program, CopiedTextKeepsItsBytesAndLinesEndAtCrOrLf) {
    // Big5 codes that a decode and re-encode turn into other codes.
    const std::string kTen = "\xA2\xCC\xA2\xCE\xF9\xE9\xF9\xEA\xF9\xEB\xF9\xF9\xF9\xFA\xF9\xFB\xF9\xFC\xF9\xFD";
    const std::string kName = "\xF9\xF9\xA2\xCC";  // a cover named with two of them
    struct Case {
        const char* what;
        std::function<void(Program&)> make;
        const char* button;
        const char* output;
        std::string bytes;
    };
    const Case cases[] = {
        {".doc lines", [&](Program& t) { Write(t.At("c02.doc"), kTen + "\r\n\xA4\xA4\xFF\r\n"); },
         "Command4", "tem.txt", kTen + "\r\n\xA4\xA4\xFF\r\n\r\n"},
        {"SML lines",
         [&](Program& t) {
             Write(t.At("covlist.txt"), "c01\r\n");
             Write(t.At("c01.SML"), kTen + "\r\n2\r\n\xF9\xFD\r\n4\r\n");
         },
         "Command5", "arcsml.txt", "c01 " + kTen + " 2 \xF9\xFD 4\r\n\r\n"},
        {"cover names in coord.txt",
         [&](Program& t) {
             WriteTable(t.Cover(rice::Cp950ToUtf8(kName)) + "/bnd.dbf", kBnd, {{1, 2, 3, 4}});
             Write(t.At("covlist.txt"), kName + "\r\n");
         },
         "Command1", "coord.txt", kName + " 1.000 2.000 3.000 4.000\r\n\r\n"},
        {"cover names in tic.txt",
         [&](Program& t) {
             WriteTable(t.Cover(rice::Cp950ToUtf8(kName)) + "/tic.dbf", kTic, {{1, 5, 6}});
             Write(t.At("covlist.txt"), kName + "\r\n");
         },
         "Command7", "tic.txt", kName + "\r\n 1 5.00 6.00\r\n\r\n"},
        {"cover list with CR ends", [](Program& t) { Write(t.At("covlist.txt"), "c01\rc02\r"); },
         "Command1", "coord.txt",
         "c01 100.000 200.500 300.000 400.000\r\nc02 250.000 12.500 12.2500-3.000\r\n\r\n"},
        {"cover list with mixed ends", [](Program& t) { Write(t.At("covlist.txt"), "c02\nc01\r"); },
         "Command7", "tic.txt",
         "c02\r\n-1 12.250-3.00\r\nc01\r\n 1 100.00 200.50\r\n 2 300.00 400.00\r\n\r\n"},
        {".doc with CR ends", [](Program& t) { Write(t.At("c02.doc"), "a\rb\r\rc"); }, "Command4",
         "tem.txt", "a\r\nb\r\n\r\nc\r\n\r\n"},
        {"SML with CR ends", [](Program& t) { Write(t.At("c02.SML"), "1\r2\r3\r4\r5\r"); },
         "Command5", "arcsml.txt", "c01 L1 L2 L3 L4\r\nc02 1 2 3 4\r\n\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        SetUp();
        TwoCovers();
        c.make(*this);
        auto [out, status] = Run(std::string("click ") + c.button + "\n");
        EXPECT_EQ(status, 0) << out;
        EXPECT_EQ(out, "[Tessmar] 作業完成....\n");
        EXPECT_EQ(Bytes(At(c.output)), c.bytes);
    }
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
