// Start-up, the shared folder picker, the control event rules the forms rely on, and the
// variogram form's settings file.
#include "texture/tests/forms/fixture.h"

#include "platform/core/encoding.h"
#include "texture/forms/Cross_diagonal.h"
#include "texture/forms/Fractal.h"
#include "texture/forms/Glcm.h"
#include "texture/forms/Openpath.h"
#include "texture/forms/Variogram.h"

namespace tex::test {
namespace {

using Startup = ToolFolder;

TEST_F(Startup, SavesTheFolderBeforeTheFormsAndMakesThemAllOnce) {
    // The variogram form reads its settings while it is made: from the start-up folder.
    Write(Path("variogram.cfg"), "EditOutputPath /from/startup\r\n");
    auto app = Start();
    EXPECT_EQ(work_directory(), folder());
    ASSERT_NE(FORM_VARIOGRAM, nullptr);
    EXPECT_EQ(FORM_VARIOGRAM->Item("EditOutputPath").text, "/from/startup");
    for (ui::Window* w : std::initializer_list<ui::Window*>{Form1, FORM_VARIOGRAM, FORM_FRACTAL, FORM_Openpath,
                                                            FORM_GLCM, FORM_CROSS_DIAGONAL})
        ASSERT_NE(w, nullptr);
    // The main form's buttons show the tool forms; each keeps its state between showings.
    EXPECT_EQ(Run(*app, "click BtnGLCM\nset Edit_Image_Width 9\nclick Btn_EXIT\nclick BtnGLCM\nclose\n"
                        "click BtnFractal\nclick BtnExit\nclick btnCROSS_DIAGONAL\nclick Btn_EXIT\n"
                        "click BtnClassify\nclick BtnExit\n"),
              "");
    EXPECT_EQ(status, 0) << errors;
    EXPECT_EQ(FORM_GLCM->Item("Edit_Image_Width").text, "9");
}

TEST_F(Startup, LongStartupFolderIsKeptWhole) {
    std::string deep = folder();
    while (deep.size() < 300) deep += "/folder-of-a-long-name";
    fs::create_directories(deep);
    ASSERT_TRUE(rice::SetCurrentFolder(deep));
    std::ostringstream out, err;
    script::Operator op("", "start", out, err);
    ui::ScopedUi scope(op);
    TextureApplication app;
    EXPECT_EQ(work_directory(), deep);
    EXPECT_EQ(out.str(), "");  // no "Can't get current work directory"
}

using Picker = ToolFolder;

TEST_F(Picker, ConfirmedClosedAndShared) {
    fs::create_directories(Path("out"));
    struct Case {
        const char* what;
        std::string script;
        std::string glcm, cross;
    } cases[] = {
        {"closed by its close box at first use", "click BtnGLCM\nclick BtnPathOpen\nclose\nclick Btn_EXIT\n", "", ""},
        {"confirmed", "click BtnGLCM\nclick BtnPathOpen\nset DirectoryListBox1 " + Path("out") +
                          "\nclick BtnOK\nclick Btn_EXIT\n",
         Path("out"), ""},
        {"stale folder of another form",
         "click BtnClassify\nclick BtnPathOpen\nset DirectoryListBox1 " + Path("out") +
             "\nclick BtnOK\nclick BtnExit\nclick btnCROSS_DIAGONAL\nclick BtnPathOpen\nclose\nclick Btn_EXIT\n",
         "", Path("out")},
        {"the drive list moves the folder list", "click BtnGLCM\nclick BtnPathOpen\nset DriveComboBox1 /\nclick "
                                                 "BtnOK\nclick Btn_EXIT\n",
         "/", ""},
    };
    for (const Case& c : cases) {
        auto app = Start();
        EXPECT_EQ(Run(*app, c.script), "") << c.what;
        EXPECT_EQ(status, 0) << c.what << errors;
        EXPECT_EQ(FORM_GLCM->Item("EditOutputPath").text, c.glcm) << c.what;
        EXPECT_EQ(FORM_CROSS_DIAGONAL->Item("EditOutputPath").text, c.cross) << c.what;
    }
    // The picker opens where it was left, whichever form opens it.
    auto app = Start();
    EXPECT_EQ(FORM_Openpath->Item("DirectoryListBox1").folder, folder());
    Run(*app, "click BtnGLCM\nclick BtnPathOpen\nset DirectoryListBox1 " + Path("out") +
                  "\nclose\nclick Btn_EXIT\nclick BtnClassify\nclick BtnPathOpen\nclose\nclick BtnExit\n");
    EXPECT_EQ(FORM_Openpath->Item("DirectoryListBox1").folder, Path("out"));
    EXPECT_EQ(FORM_VARIOGRAM->Item("EditOutputPath").text, "");
}

using Events = ToolFolder;

TEST_F(Events, ChangeAndClickEventsAsTheFormLibraryFiresThem) {
    auto app = Start();
    // Editable combo: the operator's edit fires, the copy into the other combo does not echo.
    Run(*app, "click BtnFractal\nset ComboBoxMVRow 9\nclick BtnExit\nclick BtnClassify\nset ComboBoxMVColumn 13\n"
              "set EditMainRowSize 21\nclick BtnExit\n");
    EXPECT_EQ(FORM_FRACTAL->Item("ComboBoxMVColumn").text, "9");
    EXPECT_EQ(FORM_VARIOGRAM->Item("ComboBoxMVRow").text, "13");
    EXPECT_EQ(FORM_VARIOGRAM->Item("EditCutRowSize_end").text, "21");

    // A check box changed by the program fires its click: "All" checks every direction, and a
    // direction cannot be unchecked while "All" is on; no change, no click.
    Run(*app, "click BtnGLCM\nset CheckBox_All on\nset CheckBox_0_degree off\nclick CheckBox_45_degree\n"
              "click Btn_EXIT\n");
    for (const char* box : {"CheckBox_0_degree", "CheckBox_45_degree", "CheckBox_90_degree", "CheckBox_135_degree"})
        EXPECT_TRUE(FORM_GLCM->Item(box).checked) << box;
    Run(*app, "click BtnGLCM\nset CheckBox_All off\nset CheckBox_0_degree off\nclick Btn_EXIT\n");
    EXPECT_FALSE(FORM_GLCM->Item("CheckBox_0_degree").checked);
    EXPECT_TRUE(FORM_GLCM->Item("CheckBox_45_degree").checked);

    // A method box of the variogram form enables its list, by the operator or by the settings.
    Run(*app, "click BtnClassify\nclick CheckBox_Madogram\nclick BtnExit\n");
    EXPECT_FALSE(FORM_VARIOGRAM->Item("CheckListBox2").enabled);
    FORM_VARIOGRAM->LoadSettings("CheckBox_Madogram true\ntrue\nfalse\nfalse\nfalse\n");
    EXPECT_TRUE(FORM_VARIOGRAM->Item("CheckListBox2").enabled);
    EXPECT_TRUE(FORM_VARIOGRAM->Item("CheckListBox2").ItemChecked(0));
}

TEST_F(Events, OpenDialogsKeepTheirFileName) {
    auto app = Start();
    std::string out = Run(*app, "file cancel\nclick BtnFractal\nclick BtnFilename1\nclick BtnExit\n");
    EXPECT_EQ(FORM_FRACTAL->Item("EditInputFilename").text, "");
    EXPECT_EQ(FORM_FRACTAL->Item("EditROutFilename").text, "_r");
    EXPECT_EQ(FORM_FRACTAL->Item("EditDFOutFilename").text, "_df");
    Run(*app, "file " + Path("b1.txt") + "\nfile cancel\nclick BtnGLCM\nclick BtnOpenFile\nset EditFilename x\n"
              "click BtnOpenFile\nclick Btn_EXIT\n");
    EXPECT_EQ(FORM_GLCM->Item("EditFilename").text, Path("b1.txt"));
    Run(*app, "file " + Path("band.txt") + "\nclick BtnFractal\nclick BtnFilename1\nclick BtnExit\n");
    EXPECT_EQ(FORM_FRACTAL->Item("EditROutFilename").text, Path("band_r.txt"));
    EXPECT_EQ(FORM_FRACTAL->Item("EditDFOutFilename").text, Path("band_df.txt"));
}

TEST(ProposedNames, FromTheInputName) {
    struct Case {
        std::string input, r, df;
    } cases[] = {
        {"/data/band.txt", "/data/band_r.txt", "/data/band_df.txt"},
        {"/img.old/b1", "/img.old/b1_r", "/img.old/b1_df"},
        {"band", "_r", "_df"},
        {"", "_r", "_df"},
        {"a.", "_r", "_df"},  // the last character is not looked at
        {"x.tar.gz", "x.tar_r.gz", "x.tar_df.gz"},
    };
    for (const Case& c : cases) EXPECT_EQ(ProposedOutputNames(c.input), std::make_pair(c.r, c.df)) << c.input;
}

using Settings = ToolFolder;

TEST_F(Settings, WrittenInFiftyFourLinesAtEveryClose) {
    auto app = Start();
    std::string longPath = "/" + std::string(180, 'p') + "/輸出 目錄";
    Run(*app, "click BtnClassify\nset EditBand2Filename /資料/b 2.txt\nset EditOutputPath " + longPath +
                  "\ncheck CheckListBox3 3 on\nset CheckBox_average on\nclick CheckBox_Pesudo_cross\nclose\n");
    ASSERT_EQ(status, 0) << errors;
    std::string expected =
        "EditBand1Filename \r\nEditBand2Filename /資料/b 2.txt\r\nEditBand3Filename \r\nEditBand4Filename \r\n"
        "EditMainRowSize 17\r\nEditMainColumnSize 17\r\nEditCutRowSize_bin 1\r\nEditCutRowSize_end 17\r\n"
        "EditCutColumnSize_bin 1\r\nEditCutColumnSize_end 17\r\nComboBoxMVRow 7\r\nComboBoxMVColumn 7\r\n"
        "CheckBox_N_S true\r\nCheckBox_E_W true\r\nCheckBox_NE_SW true\r\nCheckBox_NW_SE true\r\n"
        "CheckBox_average true\r\nCheckBox_Direct_variogram true\r\n";
    for (int i = 0; i < 4; ++i) expected += "false\r\n";
    expected += "CheckBox_Madogram true\r\n";
    for (int i = 0; i < 4; ++i) expected += "false\r\n";
    expected += "CheckBox_Cross_Mdgram true\r\n";
    for (int i = 0; i < 12; ++i) expected += i == 3 ? "true\r\n" : "false\r\n";
    expected += "CheckBox_Pesudo_cross false\r\n";
    for (int i = 0; i < 12; ++i) expected += "false\r\n";
    expected += "EditOutputPath " + longPath + "\r\n";
    EXPECT_EQ(Bytes(Path("variogram.cfg")), rice::Utf8ToCp950(expected));

    // Read back whole by the next start, written again unchanged at its first close.
    auto next = Start();
    EXPECT_EQ(FORM_VARIOGRAM->Item("EditOutputPath").text, longPath);
    EXPECT_FALSE(FORM_VARIOGRAM->Item("CheckListBox4").enabled);
    Run(*next, "click BtnClassify\nclick BtnExit\n");
    EXPECT_EQ(Bytes(Path("variogram.cfg")), rice::Utf8ToCp950(expected));
}

TEST_F(Settings, WrittenInTheStartupFolderWhereverThePickersLeftTheCurrentOne) {
    fs::create_directories(Path("data"));
    Write(Path("data/b1.txt"), "1");
    auto app = Start();
    Run(*app, "click BtnClassify\nfile " + Path("data/b1.txt") + "\nclick BtnFilename1\nclick BtnExit\n");
    EXPECT_TRUE(rice::FileExists(Path("variogram.cfg")));
    EXPECT_FALSE(rice::FileExists(Path("data/variogram.cfg")));
}

TEST_F(Settings, ReadingToleratesWhatAnOperatorMayLeave) {
    struct Case {
        const char* what;
        std::string text;
        const char* control;
        std::string value;
    } cases[] = {
        {"CR LF lines", "EditMainRowSize 33\r\nEditCutRowSize_end 9\r\n", "EditCutRowSize_end", "9"},
        {"the size refreshes the cut field", "EditMainRowSize 33\n", "EditCutRowSize_end", "33"},
        {"an unknown key is skipped with its line", "ComboBox2 4\nComboBoxMVColumn 9\n", "ComboBoxMVColumn", "9"},
        {"a missing file leaves the defaults", "", "ComboBox1", "3"},
        {"a key without value empties the field", "EditOutputPath\n", "EditOutputPath", ""},
        {"blanks inside a value are kept", "EditBand1Filename  two  blanks \n", "EditBand1Filename",
         " two  blanks "},
        {"a long line keeps the later fields", "EditBand1Filename /" + std::string(400, 'x') + "\nEditOutputPath /o\n",
         "EditOutputPath", "/o"},
        {"unequal windows stay unequal", "ComboBoxMVRow 5\nComboBoxMVColumn 9\n", "ComboBoxMVRow", "5"},
        {"garbled bytes end the reading", "ComboBoxMVRow 9\n\xff\xff\nComboBoxMVColumn 9\n", "ComboBoxMVColumn", "7"},
    };
    for (const Case& c : cases) {
        fs::remove(Path("variogram.cfg"));
        if (!c.text.empty()) Write(Path("variogram.cfg"), c.text);
        auto app = Start();
        EXPECT_EQ(FORM_VARIOGRAM->Item(c.control).text, c.value) << c.what;
    }
    // A short file: the method key without its list lines leaves the rest of its list.
    Write(Path("variogram.cfg"), "CheckBox_Cross_Mdgram false\ntrue\ntrue\r\n");
    auto app = Start();
    const ui::Control& list = FORM_VARIOGRAM->Item("CheckListBox3");
    EXPECT_FALSE(list.enabled);
    EXPECT_TRUE(list.ItemChecked(0) && list.ItemChecked(1));
    EXPECT_FALSE(list.ItemChecked(2));
    EXPECT_TRUE(FORM_VARIOGRAM->Item("CheckBox_Direct_variogram").checked);
}

}  // namespace
}  // namespace tex::test
