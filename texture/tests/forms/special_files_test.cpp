// Band grids and the settings file that are devices or named pipes: refused at once, never
// read until memory runs out, never waited on.
#include "texture/tests/forms/fixture.h"

#include <sys/stat.h>

#include "texture/forms/Variogram.h"

namespace tex::test {
namespace {

using SpecialFiles = ToolFolder;

struct Special {
    const char* what;
    void (*make)(const std::string& path);
};
const Special kSpecials[] = {
    {"link to /dev/zero", [](const std::string& p) { fs::create_symlink("/dev/zero", p); }},
    {"named pipe", [](const std::string& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); }},
};

TEST_F(SpecialFiles, BandGridGivesTheCannotOpenMessage) {
    for (const Special& s : kSpecials) {
        fs::remove(Path("band.txt"));
        fs::remove(Path("variogram.cfg"));
        s.make(Path("band.txt"));
        EXPECT_EQ(Run("click BtnGLCM\nset EditFilename " + Path("band.txt") + "\nset EditOutputPath " + folder() +
                      "\nclick Btn_EXE\nclick Btn_EXIT\n"),
                  "[main] 檔案不能開啟 : " + Path("band.txt") + "\n")
            << s.what;
        EXPECT_EQ(status, 0) << s.what << errors;
    }
}

TEST_F(SpecialFiles, SettingsFileLeavesTheDefaults) {
    for (const Special& s : kSpecials) {
        fs::remove(Path("variogram.cfg"));
        s.make(Path("variogram.cfg"));
        auto app = Start();
        EXPECT_EQ(FORM_VARIOGRAM->Item("ComboBox1").text, "3") << s.what;
        EXPECT_EQ(FORM_VARIOGRAM->Item("EditMainRowSize").text, "17") << s.what;
    }
}

}  // namespace
}  // namespace tex::test
