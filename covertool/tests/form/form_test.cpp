#include <gtest/gtest.h>

#include <sstream>

#include "covertool/form/form1.h"
#include "covertool/tests/fixture.h"
#include "platform/core/exit.h"
#include "platform/core/paths.h"
#include "platform/script/operator.h"
#include "platform/ui/ui.h"

namespace cover::test {
namespace {

class Form : public CoverFolder {
protected:
    // Runs Form1 under the scripted operator; the status the program would end with.
    int Run(const std::string& script) {
        std::ostringstream err;
        script::Operator op(script, "test.script", out, err);
        ui::ScopedUi scope(op);
        ui::SetAppTitle(kProgramTitle);
        int status = rice::RunUntilExit([&] {
            Form1 form;
            ui::Current().RunMain(form);
            return 0;
        });
        errors = err.str();
        return status;
    }
    std::ostringstream out;
    std::string errors;
};

TEST_F(Form, EveryJobFromItsButton) {
    TwoCovers();
    int status = Run("set Dir1 " + root +
                     "\nclick Command1\nexpect 作業完成....\nclick Command7\nclick Command5\n"
                     "click Command4\nclick Command6\nclick Command3\n");
    EXPECT_EQ(status, 0) << errors;
    std::string done = "[Tessmar] 作業完成....\n";
    EXPECT_EQ(out.str(), done + done + done + done + done + done);
    EXPECT_EQ(Bytes(At("coord.txt")).substr(0, 4), "c01 ");
    EXPECT_EQ(Bytes(At("tic.txt")).substr(0, 5), "c01\r\n");
    EXPECT_EQ(Bytes(At("arcsml.txt")).substr(0, 4), "c01 ");
    EXPECT_EQ(Bytes(At("tem.txt")).substr(0, 4), "\xA4\xA4\xA4\xE5");
    EXPECT_EQ(ReadColumn(At("c01/pat.dbf"), "culture"), (std::vector<Cell>{3, 4, 2}));
}

TEST_F(Form, FolderListStartsInTheCurrentFolderAndFollowsTheDrive) {
    TwoCovers();
    std::string cwd = rice::CurrentFolder();
    ASSERT_TRUE(rice::SetCurrentFolder(root));
    int status = Run("click Command1\n");
    ASSERT_TRUE(rice::SetCurrentFolder(cwd));
    EXPECT_EQ(status, 0) << errors;
    EXPECT_TRUE(rice::FileExists(At("coord.txt")));

    fs::remove(At("coord.txt"));
    EXPECT_EQ(Run("set Drive1 " + root + "\nclick Command1\n"), 0) << errors;
    EXPECT_TRUE(rice::FileExists(At("coord.txt")));
}

TEST_F(Form, RunTimeErrorEndsTheProgramAfterOneMessage) {
    TwoCovers();
    fs::remove(At("c02/tic.dbf"));
    int status = Run("set Dir1 " + root + "\nclick Command7\nclick Command1\n");
    EXPECT_EQ(status, 1);
    EXPECT_EQ(out.str(), "[Tessmar] 執行階段錯誤 '3078':\\n\\n找不到輸入資料表 'tic'\\n" +
                             At("c02/tic.dbf") + "\n");
    EXPECT_FALSE(rice::FileExists(At("tic.txt")));
    EXPECT_FALSE(rice::FileExists(At("coord.txt")));  // nothing ran after the error

    out.str("");
    EXPECT_EQ(Run("set Drive1 " + At("nowhere") + "\nclick Command1\n"), 1);
    EXPECT_NE(out.str().find("'68'"), std::string::npos) << out.str();
    EXPECT_FALSE(rice::FileExists(At("coord.txt")));
}

TEST_F(Form, EndButtonEndsAtOnce) {
    TwoCovers();
    EXPECT_EQ(Run("set Dir1 " + root + "\nclick Command2\nclick Command1\n"), 0);
    EXPECT_EQ(out.str(), "");
    EXPECT_FALSE(rice::FileExists(At("coord.txt")));
}

}  // namespace
}  // namespace cover::test
