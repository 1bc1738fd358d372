#include "platform/qt/qt_ui.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSlider>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <filesystem>
#include <fstream>

#include "platform/core/exit.h"
#include "platform/core/paths.h"
#include "platform/qt/tests/test_support.h"
#include "platform/qt/window_view.h"
#include "platform/ui/dc.h"

namespace rice::qtui {
namespace {

using testing::QtTestUi;

// A dialog with one control of every kind, in dialog units.
class AllKinds : public ui::Window {
public:
    AllKinds() : ui::Window("所有控制項", 300, 200) {
        font = {"MS Shell Dlg", 8};
        Add(ui::Kind::GroupBox, 0, "開啟原始影像", {4, 4, 150, 40});
        Add(ui::Kind::Edit, 1008, "", {10, 16, 100, 14});
        Add(ui::Kind::Button, 1011, "瀏覽…", {114, 16, 36, 14});
        Add(ui::Kind::Static, 1022, "0.37", {10, 50, 40, 10});
        auto& list = Add(ui::Kind::ListBox, 1077, "", {10, 64, 80, 40});
        list.AddItem("s12.shp");
        list.AddItem("s13.shp");
        auto& combo = Add(ui::Kind::ComboBox, 1071, "", {100, 64, 40, 100});
        for (const char* v : {"0.1", "0.2", "0.3"}) combo.AddItem(v);
        combo.SetSel(0);
        auto& check = Add(ui::Kind::CheckBox, 0, "Contrast", {150, 64, 60, 10});
        check.name = "CheckBox_Contrast";
        check.checked = true;
        auto& cl = Add(ui::Kind::CheckListBox, 0, "", {150, 80, 60, 40});
        cl.name = "CheckListBox1";
        for (const char* v : {"1", "2", "3", "4"}) cl.AddItem(v);
        cl.SetItemChecked(1, true);
        auto& tb = Add(ui::Kind::Trackbar, 1005, "", {10, 110, 100, 14});
        tb.noTicks = true;
        tb.SetPos(37);
        auto& drive = Add(ui::Kind::DriveList, 0, "", {10, 130, 80, 12});
        drive.name = "Drive1";
        drive.folder = "/";
        auto& dir = Add(ui::Kind::FolderList, 0, "", {100, 130, 80, 50});
        dir.name = "Dir1";
        dir.folder = "/";
        auto& label = Add(ui::Kind::Label, 0, "水稻向量資料處理程式", {190, 130, 100, 12});
        label.name = "Label1";
        label.textColour = ui::Rgb(0, 0, 255);
        Add(ui::Kind::DefaultButton, ui::kOK, "執行", {190, 180, 40, 14});
        Add(ui::Kind::Button, ui::kCancel, "離開", {240, 180, 40, 14});
    }
};

TEST(QtWindow, BuildsEveryKindWithItsCaptionAndState) {
    QtTestUi t;
    AllKinds w;
    int result = 0;
    t.ui.SetShownHook([&](ui::Window& shown) {
        WindowView* v = t.ui.ViewOf(shown);
        ASSERT_NE(v, nullptr);
        EXPECT_EQ(v->Top()->windowTitle(), QString::fromUtf8("所有控制項"));
        // 300 x 200 dialog units at 6 x 13 base units
        EXPECT_EQ(v->Top()->size(), QSize(450, 325));
        auto widget = [&](const char* key) { return v->WidgetOf(*shown.FindByKey(key)); };
        auto* group = qobject_cast<QGroupBox*>(v->WidgetOf(*shown.Controls()[0]));
        ASSERT_TRUE(group);
        EXPECT_EQ(group->title(), QString::fromUtf8("開啟原始影像"));
        auto* browse = qobject_cast<QPushButton*>(widget("1011"));
        ASSERT_TRUE(browse);
        EXPECT_EQ(browse->text(), QString::fromUtf8("瀏覽…"));
        EXPECT_EQ(browse->geometry(), QRect(171, 26, 54, 23));
        EXPECT_TRUE(qobject_cast<QLineEdit*>(widget("1008")));
        EXPECT_EQ(qobject_cast<QLabel*>(widget("1022"))->text(), "0.37");
        auto* list = qobject_cast<QListWidget*>(widget("1077"));
        ASSERT_TRUE(list);
        EXPECT_EQ(list->count(), 2);
        EXPECT_EQ(list->item(1)->text(), "s13.shp");
        auto* combo = qobject_cast<QComboBox*>(widget("1071"));
        ASSERT_TRUE(combo);
        EXPECT_EQ(combo->count(), 3);
        EXPECT_EQ(combo->currentText(), "0.1");
        EXPECT_LT(combo->height(), 100);  // the closed box, not the dropped-down height
        auto* check = qobject_cast<QCheckBox*>(widget("CheckBox_Contrast"));
        ASSERT_TRUE(check);
        EXPECT_EQ(check->text(), "Contrast");
        EXPECT_TRUE(check->isChecked());
        auto* cl = qobject_cast<QListWidget*>(widget("CheckListBox1"));
        ASSERT_TRUE(cl);
        EXPECT_EQ(cl->item(1)->checkState(), Qt::Checked);
        EXPECT_EQ(cl->item(2)->checkState(), Qt::Unchecked);
        auto* slider = qobject_cast<QSlider*>(widget("1005"));
        ASSERT_TRUE(slider);
        EXPECT_EQ(slider->value(), 37);
        EXPECT_EQ(slider->tickPosition(), QSlider::NoTicks);
        EXPECT_TRUE(qobject_cast<QComboBox*>(widget("Drive1")));
        auto* dir = qobject_cast<QListWidget*>(widget("Dir1"));
        ASSERT_TRUE(dir);
        EXPECT_EQ(dir->item(0)->text(), "/");
        auto* label = qobject_cast<QLabel*>(widget("Label1"));
        EXPECT_EQ(label->text(), QString::fromUtf8("水稻向量資料處理程式"));
        EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(0, 0, 255));
        auto* ok = qobject_cast<QPushButton*>(widget("1"));
        EXPECT_TRUE(ok->isDefault());

        // Operator input reaches the model, and model changes reach the widgets.
        slider->setValue(60);
        EXPECT_EQ(shown.Item(1005).pos, 60);
        list->setCurrentRow(1);
        EXPECT_EQ(shown.Item(1077).selected, 1);
        check->click();
        EXPECT_FALSE(shown.Item("CheckBox_Contrast").checked);
        cl->item(3)->setCheckState(Qt::Checked);
        EXPECT_TRUE(shown.Item("CheckListBox1").ItemChecked(3));
        emit combo->activated(2);
        EXPECT_EQ(shown.Item(1071).selected, 2);
        // a double click on a folder row opens that folder in the list
        int sub = -1;
        for (int i = 0; i < dir->count(); ++i)
            if (dir->item(i)->data(Qt::UserRole).toString() == "/tmp") sub = i;
        ASSERT_GE(sub, 0);
        emit dir->itemActivated(dir->item(sub));
        EXPECT_EQ(shown.Item("Dir1").folder, "/tmp");
        EXPECT_EQ(dir->item(0)->text(), "/");
        EXPECT_EQ(dir->item(1)->text(), "  tmp");

        qobject_cast<QPushButton*>(widget("2"))->click();
    });
    result = t.ui.RunModal(w);
    EXPECT_EQ(result, ui::kCancel);
    EXPECT_EQ(t.ui.ViewOf(w), nullptr);
}

// The texture tool's flow: a handler asks a question; the operator's answer decides.
class AskOnCancel : public ui::Window {
public:
    AskOnCancel() : ui::Window("影像分類", 200, 100) {
        Add(ui::Kind::Button, ui::kCancel, "離開", {140, 80, 40, 14});
    }
    void OnCancel() override {
        ++asked;
        if (ui::AppMessageBox("確定離開程式?", ui::Buttons::YesNo) == ui::kYes) EndModal(ui::kCancel);
    }
    int asked = 0;
};

TEST(QtWindow, ModalRunWithAMessageBoxAnsweredByTheOperator) {
    QtTestUi t;
    ui::SetAppTitle("Korvane");
    AskOnCancel w;
    std::vector<testing::SeenBox> seen;
    t.ui.SetShownHook([&](ui::Window& shown) {
        auto* cancel = qobject_cast<QPushButton*>(t.ui.ViewOf(shown)->WidgetOf(shown.Item(ui::kCancel)));
        testing::AnswerNextBox("否(&N)", &seen);
        cancel->click();  // No: the dialog stays
        EXPECT_FALSE(shown.Ended());
        EXPECT_TRUE(t.ui.ViewOf(shown)->Top()->isVisible());
        testing::AnswerNextBox("是(&Y)", &seen);
        cancel->click();
    });
    EXPECT_EQ(t.ui.RunModal(w), ui::kCancel);
    EXPECT_EQ(w.asked, 2);
    ASSERT_EQ(seen.size(), 2u);
    for (const auto& box : seen) {
        EXPECT_EQ(box.caption, "Korvane");
        EXPECT_EQ(box.text, "確定離開程式?");
        EXPECT_EQ(box.icon, QMessageBox::Question);
        EXPECT_EQ(box.buttons, (std::vector<std::string>{"是(&Y)", "否(&N)"}));
    }
}

// Nested modal windows: an exit in the inner one unwinds both loops to the program's entry.
class Inner : public ui::Window {
public:
    Inner() : ui::Window("內層", 100, 50) {
        Add(ui::Kind::Button, 0, "結束", {10, 10, 40, 14}).onClick = [] { rice::EndProcess(3); };
    }
};
class Outer : public ui::Window {
public:
    Outer() : ui::Window("外層", 100, 50, ui::Units::Pixels) {
        Add(ui::Kind::Button, 0, "開啟", {10, 10, 40, 14}).onClick = [this] { ui::DoModal(inner); };
    }
    Inner inner;
};

TEST(QtWindow, AnExitInANestedModalRunReachesTheEntry) {
    QtTestUi t;
    Outer w;
    t.ui.SetShownHook([&](ui::Window& shown) {
        qobject_cast<QPushButton*>(t.ui.ViewOf(shown)->WidgetOf(*shown.Controls()[0]))->click();
    });
    const int status = rice::RunUntilExit([&] { return t.ui.RunMain(w); });
    EXPECT_EQ(status, 3);
}

TEST(QtFilePicker, FilterStringsBecomeTheDialogsFilters) {
    EXPECT_EQ(QtNameFilters("原始影像檔(*.lan)|*.lan||"), std::vector<std::string>{"原始影像檔(*.lan)"});
    EXPECT_EQ(QtNameFilters("影像(*.lan)|*.lan|文字|*.txt;*.doc||"),
              (std::vector<std::string>{"影像(*.lan)", "文字 (*.txt *.doc)"}));
    EXPECT_EQ(QtNameFilters(""), std::vector<std::string>{"All files (*)"});
}

TEST(QtFilePicker, PicksAFileAndLeavesTheCurrentFolderThere) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::path(RICE_BINARY_DIR) / "qt_picker_test";
    fs::remove_all(dir);
    fs::create_directories(dir / "maps");
    std::ofstream(dir / "maps" / "s12.shp") << "x";
    std::ofstream(dir / "maps" / "s13.shp") << "x";
    const std::string before = rice::CurrentFolder();

    QtTestUi t;
    QStringList filters;
    QTimer::singleShot(0, [&] {
        auto* dlg = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_TRUE(dlg);
        filters = dlg->nameFilters();
        EXPECT_EQ(dlg->fileMode(), QFileDialog::ExistingFiles);
        dlg->setDirectory(QString::fromStdString((dir / "maps").string()));
        dlg->selectFile("\"s12.shp\" \"s13.shp\"");
        QMetaObject::invokeMethod(dlg, "accept");
    });
    ui::FileRequest r;
    r.filter = "坵塊資料檔(*.shp)|*.shp||";
    r.defaultExt = "shp";
    r.multiple = true;
    r.mustExist = true;
    const auto paths = t.ui.OpenFile(r);
    const std::string here = rice::CurrentFolder();
    rice::SetCurrentFolder(before);

    EXPECT_EQ(filters, QStringList{QString::fromUtf8("坵塊資料檔(*.shp)")});
    ASSERT_EQ(paths.size(), 2u);
    EXPECT_EQ(rice::FileNameOf(paths[0]), "s12.shp");
    EXPECT_EQ(rice::FileNameOf(paths[1]), "s13.shp");
    EXPECT_EQ(fs::path(here), fs::canonical(dir / "maps"));
}

TEST(QtFilePicker, ACancelledPickerGivesNothing) {
    QtTestUi t;
    QTimer::singleShot(0, [] {
        if (auto* dlg = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) dlg->reject();
    });
    ui::FileRequest r;
    r.filter = "暫存檔(*.dat)|*.dat||";
    r.defaultExt = "dat";
    r.initialName = "Temp.dat";
    r.overwritePrompt = true;
    EXPECT_TRUE(t.ui.SaveFile(r).empty());
}

// A window that paints into a static's surface, as the histogram panes do.
class Painted : public ui::Window {
public:
    Painted() : ui::Window("繪圖", 100, 100, ui::Units::Pixels) {
        Add(ui::Kind::Static, 1015, "", {10, 10, 60, 60});
        Add(ui::Kind::Button, 0, "重畫", {75, 10, 20, 20}).onClick = [this] {
            colour = ui::Rgb(0, 200, 0);
            ui::Current().Repaint(*this);
        };
    }
    void OnPaint() override {
        ui::Raster& r = Item(1015).EnsureSurface(60, 60);
        ui::DeviceContext dc(r);
        dc.FillSolidRect(0, 0, 30, 30, colour);
        dc.SetPenColour(ui::kBlack);
        dc.MoveTo(0, 59);
        dc.LineTo(59, 59);
        ++paints;
    }
    ui::Colour colour = ui::Rgb(200, 0, 0);
    int paints = 0;
};

TEST(QtWindow, ShowsWhatAWindowPaintsAndRepaintsOnRequest) {
    QtTestUi t;
    Painted w;
    QImage first, second;
    t.ui.SetShownHook([&](ui::Window& shown) {
        WindowView* v = t.ui.ViewOf(shown);
        QWidget* pane = v->WidgetOf(shown.Item(1015));
        first = pane->grab().toImage();
        qobject_cast<QPushButton*>(v->WidgetOf(*shown.Controls()[1]))->click();
        second = pane->grab().toImage();
        shown.EndModal(ui::kOK);
    });
    t.ui.RunModal(w);
    EXPECT_EQ(w.paints, 2);
    ASSERT_FALSE(first.isNull());
    EXPECT_EQ(first.pixelColor(5, 5), QColor(200, 0, 0));
    EXPECT_EQ(first.pixelColor(40, 40), QColor(255, 255, 255));
    EXPECT_EQ(first.pixelColor(20, 59), QColor(0, 0, 0));
    EXPECT_EQ(second.pixelColor(5, 5), QColor(0, 200, 0));
}

// A frame: its menu, toolbar and status bar follow the model, also when a command swaps them.
class Frame : public ui::Window {
public:
    Frame() : ui::Window("Korvane", 640, 480, ui::Units::Pixels) {
        isFrame = true;
        menu = ui::Menu{128, {{"Main(&M)", 0, {{"選擇", 0, {{"最大相似法", 32774, {}}}}, {}, {"結束(&X)", 57665, {}}}}}};
        statusBar = ui::StatusBar{59393, {"", "CAP", "NUM", "SCRL"}, "就緒", "", true};
    }
    bool OnCommand(int id) override {
        if (id == 32774) {
            menu = ui::Menu{130, {{"最大相似法", 0, {{"Exit", 57665, {}}}}, {"工具", 0, {{"影像分類", 32777, {}}}}}};
            toolBar = ui::ToolBar{131, 59392, {32777}};
            return true;
        }
        if (id == 57665) {
            EndModal(0);
            return true;
        }
        return false;
    }
    bool CommandEnabled(int id) const override { return id != 32777; }
    std::string CommandPrompt(int id) const override { return id == 32777 ? "影像分類" : ""; }
};

TEST(QtWindow, FrameMenusToolbarAndStatusBarFollowTheModel) {
    QtTestUi t;
    Frame w;
    QStringList before, after;
    QString idle, toolText;
    bool toolEnabled = true;
    t.ui.SetShownHook([&](ui::Window& shown) {
        auto* mw = qobject_cast<QMainWindow*>(t.ui.ViewOf(shown)->Top());
        ASSERT_TRUE(mw);
        for (QAction* a : mw->menuBar()->actions()) before << a->text();
        auto* status = mw->statusBar();
        for (QLabel* l : status->findChildren<QLabel*>()) idle += l->text() + "|";
        // choose the method through the menu as the operator would
        QMenu* main = mw->menuBar()->actions()[0]->menu();
        main->actions()[0]->menu()->actions()[0]->trigger();
        for (QAction* a : mw->menuBar()->actions()) after << a->text();
        auto* bar = mw->findChild<QToolBar*>();
        ASSERT_TRUE(bar);
        toolText = bar->actions()[0]->text();
        toolEnabled = bar->actions()[0]->isEnabled();
        mw->menuBar()->actions()[0]->menu()->actions()[0]->trigger();  // Exit
    });
    t.ui.RunMain(w);
    EXPECT_EQ(before, QStringList{"Main(&M)"});
    EXPECT_EQ(after, (QStringList{QString::fromUtf8("最大相似法"), QString::fromUtf8("工具")}));
    EXPECT_TRUE(idle.contains(QString::fromUtf8("就緒|")));
    EXPECT_TRUE(idle.contains("CAP|"));
    EXPECT_EQ(toolText, QString::fromUtf8("影像分類"));
    EXPECT_FALSE(toolEnabled);
}

TEST(QtWindow, ConvertsTheThreeTemplateUnits) {
    EXPECT_EQ(ToPixels({10, 16, 100, 14}, ui::Units::DialogUnits), QRect(15, 26, 150, 23));
    EXPECT_EQ(ToPixels({88, 48, 105, 25}, ui::Units::Pixels), QRect(88, 48, 105, 25));
    EXPECT_EQ(ToPixels({600, 5280, 2775, 495}, ui::Units::Twips), QRect(40, 352, 185, 33));
    // neighbours in dialog units stay neighbours in pixels
    const QRect a = ToPixels({3, 3, 5, 5}, ui::Units::DialogUnits);
    const QRect b = ToPixels({8, 8, 5, 5}, ui::Units::DialogUnits);
    EXPECT_EQ(a.x() + a.width(), b.x());
    EXPECT_EQ(a.y() + a.height(), b.y());
    EXPECT_EQ(PlainCaption("結束(&X)"), QString::fromUtf8("結束(X)"));
    EXPECT_EQ(PlainCaption("A&&B"), "A&B");
}

}  // namespace
}  // namespace rice::qtui
