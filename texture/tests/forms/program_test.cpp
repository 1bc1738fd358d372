// The built program, started as the workbench starts it.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cctype>
#include <cstdio>

#include "platform/core/command.h"
#include "texture/tests/forms/fixture.h"

#ifdef TEXTURE_PROGRAM

namespace tex::test {
namespace {

class Program : public ToolFolder {
protected:
    std::pair<std::string, int> RunProgram(const std::string& script) {
        Write(Path("run.script"), script);
        std::string cmd = "cd '" + folder() + "' && '" TEXTURE_PROGRAM "' --script run.script 2>&1";
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
    Write(Path("in.txt"), Grid(7, 7, [](int x, int y) { return (x + y) % 3; }));
    auto [out, st] = RunProgram("click btnCROSS_DIAGONAL\nset EditFilename in.txt\nset EditOutputPath .\n"
                                "click Btn_EXE\nexpect 執行完畢\nclick Btn_EXIT\nclick BtnClassify\nclick BtnExit\n");
    EXPECT_EQ(st, 0) << out;
    EXPECT_EQ(out, "[main] 執行完畢\n");
    EXPECT_TRUE(rice::FileExists(Path("CROSS_DIAGONAL_l3_correlation.txt")));
    EXPECT_TRUE(rice::FileExists(Path("variogram.cfg")));
}

// The negative gap's message, plus signs in an input grid, and the fractal's flat windows
// decided on the grey values, run from the program's own script.
TEST_F(Program, GapSignsAndFlatWindowsThroughTheScript) {
    const std::string image7 = Grid(7, 7, [](int x, int y) { return (x * 3 + y * 5) % 4; });
    std::string signed7;  // every value (one digit each) with a plus sign
    for (char ch : image7) {
        if (std::isdigit(static_cast<unsigned char>(ch))) signed7 += '+';
        signed7 += ch;
    }
    const std::string glcm = "click BtnGLCM\nset EditFilename in.txt\nset EditOutputPath .\n";
    const std::string fractal = "click BtnFractal\nset EditInputFilename in.txt\nset EditROutFilename r.txt\n"
                                "set EditDFOutFilename df.txt\nset EditMainRowSize 129\nset EditMainColumnSize 129\n"
                                "set ComboBoxMVRow 129\nset ComboBoxMVColumn 129\nset ComboBox1 8\nclick BtnExe\n"
                                "click BtnExit\n";
    auto flat129 = [](int x, int y, int raised) {
        return Grid(129, 129, [=](int cx, int cy) { return 100 + (cx == x && cy == y ? raised : 0); });
    };
    // The reference grid of the unsigned image, run the same way.
    Write(Path("in.txt"), image7);
    auto [refOut, refStatus] = RunProgram(glcm + "click Btn_EXE\nclick Btn_EXIT\n");
    ASSERT_EQ(refStatus, 0) << refOut;
    const std::string contrast = Bytes(Path("GLCM_contrast_n_s.txt"));

    enum Outcome { kNoGrid, kSameGrid, kFlat, kFitted };
    struct Case {
        const char* what;
        std::string input;
        std::string script;
        std::string shown;
        Outcome outcome;
    };
    const Case cases[] = {
        {"negative gap", image7, glcm + "set ComboBox_Gap -1\nclick Btn_EXE\nclick Btn_EXIT\n",
         "[main] Gap 值大於等於 MASK 大小\n", kNoGrid},
        {"plus signs", signed7, glcm + "click Btn_EXE\nclick Btn_EXIT\n", "[main] 執行完畢\n", kSameGrid},
        {"flat 129", flat129(0, 0, 0), fractal, "", kFlat},
        {"flat 129, one cell +3", flat129(40, 70, 3), fractal, "", kFitted},
        {"flat 129, one cell +6", flat129(64, 64, 6), fractal, "", kFitted},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (const char* f : {"GLCM_contrast_n_s.txt", "r.txt", "df.txt"}) fs::remove(Path(f));
        Write(Path("in.txt"), c.input);
        auto [out, st] = RunProgram(c.script);
        EXPECT_EQ(st, 0) << out;
        EXPECT_EQ(out, c.shown);
        if (c.outcome == kNoGrid) {
            EXPECT_FALSE(rice::FileExists(Path("GLCM_contrast_n_s.txt")));
            continue;
        }
        if (c.outcome == kSameGrid) {
            EXPECT_EQ(Bytes(Path("GLCM_contrast_n_s.txt")), contrast);
            continue;
        }
        // Zero outside the one window position; its centre holds the flat values or the fit.
        const std::string r = Bytes(Path("r.txt")), d = Bytes(Path("df.txt"));
        const size_t centre = (64 * 129 + 64) * 11 + 64 * 2;  // "0.00000000 " per cell, CR LF per row
        ASSERT_GT(r.size(), centre + 10);
        ASSERT_GT(d.size(), centre + 10);
        const std::string rc = r.substr(centre, 10), dc = d.substr(centre, 10);
        EXPECT_EQ(r, Framed(129, 129, 64, rc, "0.00000000"));
        EXPECT_EQ(d, Framed(129, 129, 64, dc, "0.00000000"));
        const bool flat = rc == "0.00000000" && dc == "2.00000000";
        EXPECT_EQ(flat, c.outcome == kFlat) << rc << " " << dc;
    }
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
