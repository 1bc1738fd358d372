#include "covertool/form/form1.h"

#include "platform/core/exit.h"
#include "platform/core/files.h"
#include "platform/core/paths.h"
#include "platform/ui/ui.h"

namespace cover {
namespace {

constexpr ui::Colour kLightCyan = ui::Rgb(192, 255, 255);
constexpr ui::Colour kYellow = ui::Rgb(255, 255, 0);
constexpr ui::Colour kGreen = ui::Rgb(0, 255, 0);
constexpr ui::Colour kPink = ui::Rgb(255, 192, 192);
constexpr ui::Colour kBlue = ui::Rgb(0, 0, 255);
constexpr ui::Colour kRed = ui::Rgb(255, 0, 0);

// A message box of the program: its title, one OK button, no icon.
class ProgramMessages : public rice::MessageSink {
public:
    explicit ProgramMessages(ui::Icon icon) : icon_(icon) {}
    void ShowMessage(const std::string& text) override {
        ui::Current().MessageBox(text, ui::AppTitle(), ui::Buttons::Ok, icon_);
    }

private:
    ui::Icon icon_;
};

ui::Control Make(ui::Kind kind, const char* name, const char* caption, ui::Rect rect,
                 ui::Font font) {
    ui::Control c;
    c.kind = kind;
    c.name = name;
    c.text = caption;
    c.rect = rect;
    c.font = std::move(font);
    return c;
}

ui::Control Button(const char* name, const char* caption, ui::Rect rect,
                   std::optional<ui::Colour> colour, double points, bool bold = false) {
    // The form runtime keeps 14.25 pt; the window model holds whole points.
    ui::Control c = Make(ui::Kind::Button, name, caption, rect,
                         ui::Font{"標楷體", static_cast<int>(points), bold, false});
    c.backColour = colour;
    return c;
}

struct Instruction {
    const char* text;
    ui::Rect rect;
    bool red;
};

}  // namespace

Form1::Form1() : ui::Window("資料處理", 10905, 8880, ui::Units::Twips) {
    backColour = kLightCyan;

    // In tab order.
    ui::Control& title = Add(Make(ui::Kind::Label, "Label1", "水稻向量資料處理程式",
                                  {2760, 240, 5175, 495}, ui::Font{"標楷體", 24, true, false}));
    title.textColour = kBlue;
    Add(Button("Command1", "產生極大極小圖檔座標", {600, 5280, 2775, 495}, kYellow, 12))
        .onClick = [this] { Command1_Click(); };
    Add(Button("Command2", "結束", {8760, 6960, 1575, 495}, kYellow, 14.25, true)).onClick =
        [this] { Command2_Click(); };
    Add(Button("Command3", "編修圖檔culture欄", {600, 6480, 2775, 495}, kGreen, 12)).onClick =
        [this] { Command3_Click(); };
    ui::Control& drive = Add(Make(ui::Kind::DriveList, "Drive1", "", {600, 2040, 2055, 300}, {}));
    drive.onChange = [this] { Drive1_Change(); };
    drive.folder.assign(1, '/');  // the root stands for the drive
    Add(Make(ui::Kind::FolderList, "Dir1", "", {600, 2400, 2775, 1350}, {})).folder =
        rice::CurrentFolder();
    Add(Button("Command4", "更改Shp.dbf.er-mt1數值", {4920, 5280, 2775, 495}, kPink, 12))
        .onClick = [this] { Command4_Click(); };
    Add(Button("Command5", "合成座標檔", {4920, 4080, 2775, 495}, std::nullopt, 12)).onClick =
        [this] { Command5_Click(); };
    Add(Button("Command6", "編修culture系統值(0->3)", {4920, 2880, 3015, 495}, kGreen, 12))
        .onClick = [this] { Command6_Click(); };
    Add(Button("Command7", "產生圖檔TIC座標", {600, 4080, 2775, 495}, kYellow, 12)).onClick =
        [this] { Command7_Click(); };

    const Instruction label2[] = {
        {"#.產製圖檔座標前,請先將圖檔清單建立在<covlist.txt>檔中", {2160, 1080, 6495, 375}, false},
        {"#.將系統值 0 改成 3", {4920, 3480, 2415, 375}, false},
        {"後續工作紀要", {600, 7800, 1695, 375}, true},
        {"#.rule is:系統及空白->3, 2->4, 0->2", {600, 7080, 3975, 375}, false},
        {"#.執行 lumbek.exe,產生<#xxxxxxx.sml>,8bit,16bit 分別執行", {2400, 7800, 6975, 375}, true},
        {"#.建立sml清單成自動執行檔[arc/info sml 格式]", {2400, 8280, 6975, 375}, true},
        {"#.程式執行完會產生<coord.txt>", {600, 5880, 3735, 375}, false},
        {"#.使用 *.Doc更新Shp.Dbf欄位內容", {4920, 5880, 3975, 375}, false},
        {"#.清列 目錄下 *.sml 檔座標資料", {4920, 4680, 3975, 375}, false},
    };
    for (size_t i = 0; i < std::size(label2); ++i) {
        const Instruction& l = label2[i];
        std::string name = "Label2(";
        name += std::to_string(i) + ")";
        ui::Control& c = Add(Make(ui::Kind::Label, name.c_str(), l.text, l.rect,
                                  ui::Font{l.red ? "MS Sans Serif" : "新細明體", 12, true, false}));
        c.backColour = kLightCyan;
        c.textColour = l.red ? kRed : kBlue;
    }
}

void Form1::OnInitDialog() { Form_Load(); }

void Form1::Form_Load() { wrap = std::string{char(13), char(10)}; }

void Form1::Drive1_Change() {
    std::string drive = Item("Drive1").folder;
    if (!rice::IsFolder(drive)) {
        ProgramMessages errors(ui::Icon::Error);
        errors.ShowMessage(RunTimeErrorMessage(RunTimeError(68, "裝置無法使用", drive)));
        rice::EndProcess(1);
    }
    Item("Dir1").folder = drive;
}

void Form1::Job(void (CoverJobs::*job)(const std::string&)) {
    ProgramMessages done(ui::Icon::None);
    ProgramMessages errors(ui::Icon::Error);
    RunJob(done, errors, [&] { (jobs_.*job)(Folder()); });
}

void Form1::Command1_Click() { Job(&CoverJobs::Extents); }
void Form1::Command2_Click() { rice::EndProcess(0); }
void Form1::Command3_Click() { Job(&CoverJobs::RecodeCulture); }
void Form1::Command4_Click() { Job(&CoverJobs::DocCopy); }
void Form1::Command5_Click() { Job(&CoverJobs::SmlList); }
void Form1::Command6_Click() { Job(&CoverJobs::SystemValue); }
void Form1::Command7_Click() { Job(&CoverJobs::TicPoints); }

}  // namespace cover
