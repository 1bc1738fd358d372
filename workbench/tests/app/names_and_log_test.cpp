// Names the workbench only copies keep their bytes, names it cannot count in characters are
// left alone, and the classification log exists after every run with a parcel file: each case
// drives the whole workbench from an operator script.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <unistd.h>

#include "platform/core/command.h"
#include "platform/core/encoding.h"
#include "platform/core/exit.h"
#include "platform/core/files.h"
#include "platform/core/paths.h"
#include "platform/script/operator.h"
#include "platform/testing/temp_folder.h"
#include "samples/lan_samples.h"
#include "workbench/app/KorvaneApp.h"
#include "workbench/engine/lan_image.h"
#include "workbench/tests/app/fake_programs.h"
#include "workbench/tests/app/workbench_run.h"
#include "workbench/tests/engine/test_util.h"

namespace rice {
namespace {

namespace fs = std::filesystem;

class WorkbenchScript : public testing::InTempFolderTest {
protected:
    std::string P(const std::string& rel) const { return dir_ + "/" + rel; }
    void Put(const std::string& rel, const std::string& bytes = "x") const {
        fs::create_directories(fs::path(P(rel)).parent_path());
        std::ofstream(P(rel), std::ios::binary) << bytes;
    }
    std::string Get(const std::string& rel) const { return ReadWholeFile(P(rel)).value_or("<none>"); }

    // Runs the workbench over the script ("@" stands for the case's folder); the message
    // boxes shown, one "[caption] text" line each.
    std::string RunWorkbench(const std::string& script, int& status, std::string& errors) {
        SetCurrentFolder(P("start"));
        const testing::WorkbenchRun run = testing::RunWorkbench(ReplaceAll(script, "@", dir_), P("config"));
        SetCurrentFolder(dir_);
        status = run.status;
        errors = run.errors;
        return run.shown;
    }

    const std::string dir_ = folder();
};

TEST_F(WorkbenchScript, NamesAndTheClassificationLog) {
    const std::string big5 = "\xA4\xF4\xA5\xD0";         // 水田 as another system writes it on disk
    const std::string codes = "\xA2\xCC\xF9\xF9\xA2\xCE";  // Big5 codes Unicode does not give back
    const std::string warning = "[請確認已選擇正確圖檔目錄!] 確認選擇正確的圖檔目錄了嗎?!\\n"
                                "否則，將引起因修改非圖檔目錄名稱不可預期之系統問題!\n";
    const std::string rename = "menu 32831\nmenu 32829\nfolder @/R\nclick 1010\nfile @/L/list.txt\nclick 1011\nclick 1\n";
    const std::string ruskel = "menu 32831\nmenu 32796\nfile @/A/sat.lan\nclick 1014\nfile @/A/corner.txt\nclick 1010\n"
                               "folder @/maps\nclick 1016\nselect 1062 1\nfile @/B/Temp.dat\nclick 1011\n"
                               "file @/B/erd08.dat\nclick 1012\nclick 1\n";
    const std::string classify = "answer no\nmenu 32774\nmenu 32777\nfile @/img/src.lan\nclick 1011\n"
                                 "folder @/cls\nclick 1010\nfolder @/out\nclick 1012\n"
                                 "file @/maps/UPPER.SHP\nclick 1055\nclick 1\n";
    auto sourceImage = [this] {
        auto classes = samples::MakeSpectralClasses(4, 1, 1, 7);
        samples::FieldImageSpec spec;
        spec.icols = 20;
        spec.irows = 20;
        fs::create_directories(P("img"));
        ASSERT_TRUE(WriteLanImage(P("img/src.lan"), samples::MakeFieldImage(spec, classes).image));
    };
    auto upperParcel = [this] {
        fs::create_directories(P("maps"));
        rice::test::WriteBoxShapefile(P("maps/UPPER.shp"), 250000, 2654900, 250100, 2655000);
        fs::rename(P("maps/UPPER.shp"), P("maps/UPPER.SHP"));
        fs::rename(P("maps/UPPER.shx"), P("maps/UPPER.SHX"));
        fs::create_directories(P("cls"));
        fs::create_directories(P("out"));
    };

    struct Case {
        const char* what;
        std::function<void()> make;
        std::string ruskelList;  // what the fake ruskel writes
        std::string script;
        std::string shown;
        std::function<void()> check;
    };
    const Case cases[] = {
        {"a sheet named in Big5 bytes is left whole and named readably",
         [&] {
             Put("R/" + big5 + "/" + big5 + ".shp");
             Put("R/水田12/水田12.shp");
             Put("L/list.txt", "old\r\n");
         },
         "", rename,
         warning + "[Korvane] 下列項目未能更名：\\n" + P("R") +
             "/\\xA4\\xF4\\xA5\\xD0/\\xA4\\xF4\\xA5\\xD0.shp（名稱無法以 Big5 表示，未更名）\\n" + P("R") +
             "/\\xA4\\xF4\\xA5\\xD0（名稱無法以 Big5 表示，未更名）\n",
         [&] {
             EXPECT_EQ(Get("L/list.txt"), "\xA4\xF4" "12\r\n");  // 水12
             EXPECT_TRUE(FileExists(P("R/" + big5 + "/" + big5 + ".shp")));
             EXPECT_TRUE(FileExists(P("R/水12/水12.shp")));
         }},
        {"a sheet named with a character Big5 lacks keeps its file's name too",
         [&] {
             Put("R/B12/B12.shp");
             Put("R/\xED\x95\x9C" "12/\xED\x95\x9C" "12.shp");  // 한12
             Put("L/list.txt");
         },
         "", rename,
         warning + "[Korvane] 下列項目未能更名：\\n" + P("R") + "/한12/한12.shp（名稱無法以 Big5 表示，未更名）\\n" +
             P("R") + "/한12（名稱無法以 Big5 表示，未更名）\n",
         [&] {
             EXPECT_EQ(Get("L/list.txt"), "B2\r\n");
             EXPECT_TRUE(FileExists(P("R/B2/B2.shp")));
             EXPECT_TRUE(FileExists(P("R/한12/한12.shp")));
         }},
        {"the output list's names keep their Big5 codes",
         [&] {
             Put("A/sat.lan", std::string(128, '\0'));
             Put("A/corner.txt");
             fs::create_directories(P("maps"));
             fs::create_directories(P("B"));
         },
         "K" + codes + " 1\r\n" + codes + "\r\n", ruskel, "",
         [&] {
             std::string folder = Utf8ToCp950(P("maps"));
             EXPECT_EQ(Get("B/erd08.dat"), folder + "/c" + codes + " 1\r\n" + folder + "/c" + codes + "\r\n");
             EXPECT_EQ(Get("B/ids.dat"), folder + "/a" + codes + " 1\r\n" + folder + "/a" + codes + "\r\n");
         }},
        {"the log exists when the only parcel file is skipped for its name",
         [&] {
             sourceImage();
             upperParcel();
         },
         "", classify, "[詢問] 是否先進行紋理影像處理？\n[Korvane] 錯誤類型0005" + P("maps/UPPER.SHP") + "\n",
         [&] {
             EXPECT_EQ(Get("maps/erlog.er"), "");  // in the folder the parcel picker left
             EXPECT_TRUE(fs::is_empty(P("out")));
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (const char* sub : {"R", "L", "A", "B", "maps", "img", "cls", "out"}) fs::remove_all(P(sub));
        fs::create_directories(P("start"));
        c.make();
        testing_fakes::FakePrograms fakes(c.ruskelList);
        // The maximum-likelihood method opens the map document, which is only recorded here.
        RecordingInterpreter starts;
        if (c.script == classify) SetInterpreter(&starts);
        int status = -1;
        std::string errors;
        EXPECT_EQ(RunWorkbench(c.script, status, errors), c.shown);
        SetInterpreter(nullptr);
        EXPECT_EQ(status, 0) << errors;
        c.check();
    }
}

}  // namespace
}  // namespace rice
