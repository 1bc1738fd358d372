#include <gtest/gtest.h>

#include <filesystem>

#include "platform/core/paths.h"
#include "platform/ui/dc.h"
#include "platform/ui/ui.h"
#include "platform/ui/window.h"
#include "platform/testing/temp_folder.h"

namespace ui {
namespace {

TEST(Control, ListStateFollowsInsertsAndDeletes) {
    Control list;
    list.kind = Kind::ListBox;
    list.AddItem("a");
    list.AddItem("b");
    list.AddItem("c");
    ASSERT_TRUE(list.SetSel(2));
    list.DeleteItem(0);  // rows above the selection move it up
    EXPECT_EQ(list.selected, 1);
    EXPECT_EQ(list.SelectedText(), "c");
    list.DeleteItem(1);  // the selected row itself: nothing selected
    EXPECT_EQ(list.selected, -1);
    EXPECT_FALSE(list.DeleteItem(5));
    EXPECT_FALSE(list.SetSel(3));

    Control sorted;
    sorted.kind = Kind::ComboBox;
    sorted.sorted = true;
    for (const char* s : {"b", "A", "c", "a"}) sorted.AddItem(s);
    EXPECT_EQ(sorted.items, (std::vector<std::string>{"A", "a", "b", "c"}));
    EXPECT_EQ(sorted.FindPrefix("B"), 2);

    Control checks;
    checks.kind = Kind::CheckListBox;
    checks.AddItem("1");
    checks.AddItem("2");
    checks.SetItemChecked(1, true);
    checks.InsertItem(0, "0");
    EXPECT_FALSE(checks.ItemChecked(0));
    EXPECT_TRUE(checks.ItemChecked(2));

    Control bar;
    bar.kind = Kind::Trackbar;
    bar.SetPos(150);
    EXPECT_EQ(bar.pos, 100);
    bar.SetPos(-3);
    EXPECT_EQ(bar.pos, 0);
}

TEST(Control, OperatorActionsRefuseWhatTheOperatorCannotReach) {
    Window w("w", 100, 100);
    int clicks = 0;
    auto& b = w.Add(Kind::Button, 10, "b", {});
    b.onClick = [&] { ++clicks; };
    EXPECT_EQ(b.OperatorClick(), "");
    b.enabled = false;
    EXPECT_NE(b.OperatorClick(), "");
    b.enabled = true;
    b.visible = false;
    EXPECT_NE(b.OperatorClick(), "");
    EXPECT_EQ(clicks, 1);

    auto& e = w.Add(Kind::Edit, 11, "", {});
    e.readOnly = true;
    EXPECT_NE(e.OperatorSet("x"), "");
    auto& combo = w.Add(Kind::ComboBox, 12, "", {});
    combo.items = {"3", "5"};
    EXPECT_NE(combo.OperatorSet("4"), "");  // a drop-down list takes only its items
    EXPECT_EQ(combo.OperatorSet("5"), "");
    EXPECT_EQ(combo.selected, 1);
    EXPECT_EQ(combo.text, "5");
    auto& bar = w.Add(Kind::Trackbar, 13, "", {});
    EXPECT_NE(bar.OperatorSet("x"), "");
    EXPECT_EQ(bar.OperatorSet("37"), "");
    EXPECT_EQ(bar.pos, 37);
    EXPECT_NE(w.Add(Kind::Static, 14, "", {}).OperatorSet("x"), "");
}

struct Form : Window {
    Form() : Window("form", 100, 100) {
        Add(Kind::Edit, 1000, "", {});
        Add(Kind::Trackbar, 1001, "", {});
        auto& c = Add(Kind::ComboBox, 1002, "", {});
        c.items = {"0.1", "0.15", "0.2"};
        Add(Kind::CheckBox, 1003, "", {});
    }
    void DoDataExchange(DataExchange& dx) override {
        dx.Text(1000, text);
        dx.Slider(1001, pos);
        dx.CBString(1002, combo);
        dx.Check(1003, check);
    }
    std::string text = "abc";
    int pos = 42;
    std::string combo = "0.15";
    int check = 1;
};

TEST(Window, DataExchangeBothWays) {
    Form f;
    f.UpdateData(false);
    EXPECT_EQ(f.Item(1000).text, "abc");
    EXPECT_EQ(f.Item(1001).pos, 42);
    EXPECT_EQ(f.Item(1002).selected, 1);  // the row that begins with the bound text
    EXPECT_TRUE(f.Item(1003).checked);
    f.Item(1000).text = "typed";
    f.Item(1001).pos = 7;
    f.Item(1002).SetSel(2);
    f.Item(1003).checked = false;
    f.UpdateData(true);
    EXPECT_EQ(f.text, "typed");
    EXPECT_EQ(f.pos, 7);
    EXPECT_EQ(f.combo, "0.2");
    EXPECT_EQ(f.check, 0);
    EXPECT_EQ(f.FindByKey("1000"), &f.Item(1000));
    EXPECT_EQ(f.FindByKey("nothing"), nullptr);
    EXPECT_THROW(f.Item(4242), std::logic_error);
}

TEST(Window, CommandsMustBeOfferedAndEnabled) {
    struct Frame : Window {
        Frame() : Window("frame", 0, 0) {
            menu = Menu{128, {MenuItem::Popup("File", {MenuItem::Command("A", 1), MenuItem::Separator(),
                                                      MenuItem::Command("B", 2)})}};
            toolBar = ToolBar{131, 59392, {3, 0, 4}};
        }
        bool OnCommand(int id) override {
            ran.push_back(id);
            return id != 4;
        }
        bool CommandEnabled(int id) const override { return id != 2; }
        std::vector<int> ran;
    } f;
    EXPECT_EQ(f.RunCommand(1), "");
    EXPECT_EQ(f.RunCommand(3), "");
    EXPECT_NE(f.RunCommand(2), "");   // disabled
    EXPECT_NE(f.RunCommand(9), "");   // not offered
    EXPECT_NE(f.RunCommand(4), "");   // no handler
    f.toolBar->visible = false;
    EXPECT_NE(f.RunCommand(3), "");   // hidden toolbar
    EXPECT_EQ(f.ran, (std::vector<int>{1, 3, 4}));
}

TEST(DeviceContext, AnisotropicMapping) {
    Raster r(50, 50);
    DeviceContext dc(r, 96, 96);
    dc.SetWindowOrg(10, 20);
    EXPECT_EQ(dc.LPtoDP({10, 20}), (Point{0, 0}));  // MM_TEXT: origins only
    dc.SetMapMode(MapMode::Anisotropic);
    dc.SetWindowExt(480, 480);
    dc.SetViewportExt(96, 48);
    EXPECT_EQ(dc.LPtoDP({10 + 480, 20 + 480}), (Point{96, 48}));
    EXPECT_EQ(dc.LPtoDP({10 + 5, 20}), (Point{1, 0}));
    dc.SetViewportOrg(3, 4);
    EXPECT_EQ(dc.LPtoDP({10, 20}), (Point{3, 4}));
    dc.SetWindowExt(0, 5);  // refused
    EXPECT_EQ(dc.LPtoDP({10 + 480, 20}), (Point{99, 4}));
}

TEST(DeviceContext, PolygonFillOwnsPixelCentresAndReadsBack) {
    Raster r(10, 10);
    DeviceContext dc(r, 480, 480);
    dc.SetMapMode(MapMode::Anisotropic);
    dc.SetWindowExt(480, 480);
    dc.SetViewportExt(480, 480);
    dc.SetWindowOrg(100, 200);
    // Two squares sharing the edge x = 104: no pixel is owned by both, none is lost.
    dc.FillPolygon({{100, 200}, {104, 200}, {104, 204}, {100, 204}}, 1);
    dc.FillPolygon({{104, 200}, {108, 200}, {108, 204}, {104, 204}}, 2);
    for (int x = 0; x < 8; ++x) EXPECT_EQ(dc.GetPixel(100 + x, 201), x < 4 ? 1u : 2u) << x;
    EXPECT_EQ(dc.GetPixel(108, 201), kWhite);
    EXPECT_EQ(dc.GetPixel(100, 204), kWhite);  // lower edge excluded
    EXPECT_EQ(dc.GetPixel(99, 200), kInvalidColour);  // outside the device
    EXPECT_EQ(dc.GetPixel(110, 210), kInvalidColour);
    // A ring inside a ring is a hole (even-odd).
    r.Clear();
    dc.FillPolyPolygon({{{100, 200}, {110, 200}, {110, 210}, {100, 210}},
                        {{102, 202}, {108, 202}, {108, 208}, {102, 208}}},
                       Rgb(1, 2, 3));
    EXPECT_EQ(r.Pixel(0, 0), Rgb(1, 2, 3));
    EXPECT_EQ(r.Pixel(5, 5), kWhite);
    dc.FillSolidRect(100, 200, 10, 10, kWhite);
    EXPECT_EQ(r.Pixel(0, 0), kWhite);
}

TEST(DeviceContext, LinesLeaveOutTheirLastPixelAndTextIsPlaced) {
    Raster r(10, 10);
    DeviceContext dc(r);
    dc.MoveTo(0, 0);
    dc.LineTo(0, 3);
    dc.LineTo(3, 3);
    for (int y = 0; y < 3; ++y) EXPECT_EQ(r.Pixel(0, y), kBlack);
    EXPECT_EQ(r.Pixel(0, 3), kBlack);  // start of the second line
    EXPECT_EQ(r.Pixel(3, 3), kWhite);
    dc.Polyline({{5, 0}, {7, 2}});
    EXPECT_EQ(r.Pixel(5, 0), kBlack);
    EXPECT_EQ(r.Pixel(6, 1), kBlack);
    EXPECT_EQ(r.Pixel(7, 2), kWhite);
    dc.SetBkMode(BkMode::Transparent);
    dc.TextOut(2, 8, "0.5");
    ASSERT_EQ(r.texts.size(), 1u);
    EXPECT_EQ(r.texts[0].text, "0.5");
    EXPECT_EQ(r.texts[0].y, 8);
    EXPECT_TRUE(r.texts[0].transparent);
}

TEST(Ui, FilterStringsParse) {
    auto f = ParseFilter("原始影像檔(*.lan)|*.lan||");
    ASSERT_EQ(f.size(), 1u);
    EXPECT_EQ(f[0].description, "原始影像檔(*.lan)");
    EXPECT_EQ(f[0].patterns, (std::vector<std::string>{"*.lan"}));
    f = ParseFilter("A|*.a;*.b|B|*.*||");
    ASSERT_EQ(f.size(), 2u);
    EXPECT_EQ(f[0].patterns, (std::vector<std::string>{"*.a", "*.b"}));
    EXPECT_TRUE(ParseFilter("").empty());
}

// A Ui that records what it was asked.
struct FakeUi : Ui {
    int RunModal(Window&) override { return kOK; }
    int RunMain(Window&) override { return 0; }
    int MessageBox(const std::string& text, const std::string& caption, Buttons, Icon icon) override {
        boxes.push_back({text, caption, icon});
        return kOK;
    }
    void Repaint(Window&) override {}
    std::vector<std::string> PickFiles(const FileRequest&, bool) override { return pick; }
    std::optional<std::string> PickFolder(const FolderRequest&) override { return std::nullopt; }
    struct Box {
        std::string text, caption;
        Icon icon;
    };
    std::vector<Box> boxes;
    std::vector<std::string> pick;
};

TEST(Ui, AppMessageBoxCaptionAndIconRules) {
    FakeUi fake;
    ScopedUi scope(fake);
    SetAppTitle("Korvane");
    AppMessageBox("a");
    AppMessageBox("b", Buttons::YesNo);
    AppMessageBox("c", Buttons::Ok, Icon::Information);
    AppMessageSink sink;
    sink.ShowMessage("d");
    ASSERT_EQ(fake.boxes.size(), 4u);
    EXPECT_EQ(fake.boxes[0].caption, "Korvane");
    EXPECT_EQ(fake.boxes[0].icon, Icon::Exclamation);
    EXPECT_EQ(fake.boxes[1].icon, Icon::Question);
    EXPECT_EQ(fake.boxes[2].icon, Icon::Information);
    EXPECT_EQ(fake.boxes[3].icon, Icon::Exclamation);
}

TEST(Ui, FilePickerLeavesTheCurrentFolderInTheChosenFilesFolder) {
    namespace fs = std::filesystem;
    rice::testing::InTempFolder folder("pick");  // the picker moves the current folder
    const fs::path dir = folder.path();
    fs::create_directories(dir / "sub");
    FakeUi fake;
    fake.pick = {(dir / "sub" / "img").string()};
    FileRequest r;
    r.defaultExt = "lan";
    auto got = fake.OpenFile(r);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0], (dir / "sub" / "img.lan").string());
    EXPECT_EQ(rice::CurrentFolder(), (dir / "sub").string());
    fake.pick = {"x.txt"};  // relative: against the current folder
    got = fake.OpenFile(r);
    EXPECT_EQ(got[0], (dir / "sub" / "x.txt").string());
    fake.pick.clear();
    EXPECT_TRUE(fake.OpenFile(r).empty());
    EXPECT_EQ(rice::CurrentFolder(), (dir / "sub").string());
}

TEST(Format, NumbersUseAPointWhateverTheLocale) {
    EXPECT_EQ(Format("%1.2f", 0.37), "0.37");
    EXPECT_EQ(Format("_%1.2f_%1.2f", 0.5, 0.3), "_0.50_0.30");
    EXPECT_EQ(Format("%d", 12), "12");
}

}  // namespace
}  // namespace ui
