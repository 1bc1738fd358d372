#include "platform/qt/qt_ui.h"
#include "platform/testing/temp_folder.h"

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
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionGroupBox>
#include <QStyleOptionViewItem>
#include <QToolBar>
#include <QTreeView>
#include <QHeaderView>
#include <QRegularExpression>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <fstream>
#include <sstream>

#include "platform/core/command.h"
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
    EXPECT_EQ(QtNameFilters(""), std::vector<std::string>{"所有檔案 (*)"});
}

TEST(QtFilePicker, PicksAFileAndLeavesTheCurrentFolderThere) {
    namespace fs = std::filesystem;
    rice::testing::InTempFolder folder("picker");  // the picker moves the current folder
    const fs::path dir = folder.path();
    fs::create_directories(dir / "maps");
    std::ofstream(dir / "maps" / "s12.shp") << "x";
    std::ofstream(dir / "maps" / "s13.shp") << "x";

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

// The operator's own way of checking a check-list item: a click on its box, or Space on the
// current item. Items never set by the program need a box too.
void ClickItemBox(QListWidget* list, int row) {
    QStyleOptionViewItem opt;
    opt.initFrom(list);
    opt.rect = list->visualItemRect(list->item(row));
    opt.features = QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDisplay;
    opt.text = list->item(row)->text();
    const QPoint at = list->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &opt, list).center();
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent e(type, at, list->viewport()->mapToGlobal(at), Qt::LeftButton,
                      type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(list->viewport(), &e);
    }
}

void PressSpace(QListWidget* list, int row) {
    list->setCurrentRow(row);
    for (QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
        QKeyEvent e(type, Qt::Key_Space, Qt::NoModifier, " ");
        QApplication::sendEvent(list, &e);
    }
}

TEST(QtWindow, TheOperatorChecksCheckListItemsByClickAndSpace) {
    struct Case {
        const char* how;
        void (*act)(QListWidget*, int);
        int row;
        bool after;  // row 1 starts checked, the others unchecked
    };
    const Case cases[] = {
        {"click on an unchecked item", ClickItemBox, 2, true},
        {"click on a checked item", ClickItemBox, 1, false},
        {"Space on an unchecked item", PressSpace, 3, true},
        {"Space on a checked item", PressSpace, 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.how);
        QtTestUi t;
        AllKinds w;
        bool shownChecked = !c.after;
        t.ui.SetShownHook([&](ui::Window& shown) {
            auto* list = qobject_cast<QListWidget*>(t.ui.ViewOf(shown)->WidgetOf(shown.Item("CheckListBox1")));
            ASSERT_TRUE(list);
            for (int i = 0; i < list->count(); ++i)
                EXPECT_TRUE(list->item(i)->data(Qt::CheckStateRole).isValid()) << "row " << i << " shows no box";
            c.act(list, c.row);
            shownChecked = list->item(c.row)->checkState() == Qt::Checked;
            shown.EndModal(ui::kOK);
        });
        t.ui.RunModal(w);
        EXPECT_EQ(w.Item("CheckListBox1").ItemChecked(c.row), c.after);
        EXPECT_EQ(shownChecked, c.after);
    }
}

// Group boxes whose template centres the caption show it centred over the frame.
class Groups : public ui::Window {
public:
    Groups() : ui::Window("閾值計算", 269, 60) {
        font = {"MS Shell Dlg", 8};
        Add(ui::Kind::GroupBox, 0, "最高分類機率", {7, 7, 125, 36}).centred = true;
        Add(ui::Kind::GroupBox, 0, "開啟原始影像Lan檔", {137, 7, 125, 36});
    }
};

TEST(QtWindow, CentredGroupBoxCaptions) {
    QtTestUi t;
    Groups w;
    std::vector<QRect> labels;
    std::vector<int> widths;
    t.ui.SetShownHook([&](ui::Window& shown) {
        for (const auto& c : shown.Controls()) {
            auto* g = qobject_cast<QGroupBox*>(t.ui.ViewOf(shown)->WidgetOf(*c));
            ASSERT_TRUE(g);
            QStyleOptionGroupBox opt;
            opt.initFrom(g);
            opt.text = g->title();
            opt.textAlignment = g->alignment();
            opt.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
            opt.lineWidth = 1;
            labels.push_back(g->style()->subControlRect(QStyle::CC_GroupBox, &opt, QStyle::SC_GroupBoxLabel, g));
            widths.push_back(g->width());
        }
        shown.EndModal(ui::kOK);
    });
    t.ui.RunModal(w);
    ASSERT_EQ(labels.size(), 2u);
    EXPECT_LE(std::abs(labels[0].center().x() - widths[0] / 2), 1);
    EXPECT_LT(labels[1].left(), 20);
}

// The window manager cuts a title wider than its box to "...": a box leaves room for its
// caption beside the title bar's buttons, however short its text.
TEST(QtMessageBox, IsWideEnoughForItsTitle) {
    const std::pair<const char*, const char*> boxes[] = {
        {"執行完畢!", "Korvane"},
        {"作業完成....", "資料處理"},
        {"執行完畢", "VARIOGRAM"},
    };
    for (const auto& [text, caption] : boxes) {
        SCOPED_TRACE(caption);
        QtTestUi t;
        std::vector<testing::SeenBox> seen;
        testing::AnswerNextBox("確定", &seen);
        t.ui.MessageBox(text, caption, ui::Buttons::Ok, ui::Icon::Exclamation);
        ASSERT_EQ(seen.size(), 1u);
        QFont title = QApplication::font();
        title.setBold(true);
        // three title-bar buttons of about 24 pixels and the margins
        EXPECT_GE(seen[0].width, QFontMetrics(title).horizontalAdvance(QString::fromUtf8(caption)) + 100);
    }
}

// The operator must answer a Yes/No box: Esc and the close box leave it open (a lone No
// would otherwise take them, and "詢問" answered so loses the texture step). A box with
// Cancel ends as Cancel, an OK box as OK.
TEST(QtMessageBox, OnlyBoxesWithAnEscapeEndOnEscOrTheCloseBox) {
    enum class Act { Esc, CloseBox };
    struct Case {
        ui::Buttons buttons;
        Act act;
        int result;  // kStaysOpen: still shown, then answered 是
    };
    constexpr int kStaysOpen = -1;
    const Case cases[] = {
        {ui::Buttons::YesNo, Act::Esc, kStaysOpen},        {ui::Buttons::YesNo, Act::CloseBox, kStaysOpen},
        {ui::Buttons::Ok, Act::Esc, ui::kOK},              {ui::Buttons::Ok, Act::CloseBox, ui::kOK},
        {ui::Buttons::OkCancel, Act::Esc, ui::kCancel},    {ui::Buttons::OkCancel, Act::CloseBox, ui::kCancel},
        {ui::Buttons::YesNoCancel, Act::Esc, ui::kCancel}, {ui::Buttons::YesNoCancel, Act::CloseBox, ui::kCancel},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "buttons " << int(c.buttons) << (c.act == Act::Esc ? " Esc" : " close box"));
        QtTestUi t;
        bool openAfter = false;
        testing::OnNextBox([&](QMessageBox* box) {
            if (c.act == Act::Esc) {
                QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
                QApplication::sendEvent(box, &esc);
            } else {
                box->close();
            }
            openAfter = box->isVisible();
            if (openAfter) {
                QAbstractButton* yes = testing::ButtonOf(box, "是(&Y)");
                ASSERT_TRUE(yes);
                yes->click();
            }
        });
        const int result = t.ui.MessageBox("是否先進行紋理影像處理？", "詢問", c.buttons, ui::Icon::None);
        EXPECT_EQ(openAfter, c.result == kStaysOpen);
        EXPECT_EQ(result, c.result == kStaysOpen ? ui::kYes : c.result);
    }
}

// What a handler changed before it asks (a new menu and toolbar) is on screen behind the box.
class AskingFrame : public Frame {
public:
    bool OnCommand(int id) override {
        const bool handled = Frame::OnCommand(id);
        if (id == 32774) ui::Current().MessageBox("是否先進行紋理影像處理？", "詢問", ui::Buttons::YesNo, ui::Icon::None);
        return handled;
    }
};

TEST(QtWindow, MenusChangeBeforeTheHandlersQuestion) {
    QtTestUi t;
    AskingFrame w;
    QStringList menusAtQuestion;
    bool toolBarAtQuestion = false;
    t.ui.SetShownHook([&](ui::Window& shown) {
        auto* mw = qobject_cast<QMainWindow*>(t.ui.ViewOf(shown)->Top());
        ASSERT_TRUE(mw);
        auto* timer = new QTimer(mw);
        timer->setInterval(5);
        QObject::connect(timer, &QTimer::timeout, [&, timer, mw] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || !box->isVisible()) return;
            timer->stop();
            for (QAction* a : mw->menuBar()->actions()) menusAtQuestion << a->text();
            auto* bar = mw->findChild<QToolBar*>();
            toolBarAtQuestion = bar && bar->isVisibleTo(mw) && !bar->actions().isEmpty();
            box->reject();
        });
        timer->start();
        mw->menuBar()->actions()[0]->menu()->actions()[0]->menu()->actions()[0]->trigger();
        shown.EndModal(0);
    });
    t.ui.RunMain(w);
    EXPECT_EQ(menusAtQuestion, (QStringList{QString::fromUtf8("最大相似法"), QString::fromUtf8("工具")}));
    EXPECT_TRUE(toolBarAtQuestion);
}

// While the program waits for a child program, its windows keep running their event loop
// (painting) but drop the operator's clicks and close box; the handler goes on afterwards.
class StartsChild : public ui::Window {
public:
    StartsChild() : ui::Window("Korvane", 200, 100, ui::Units::Pixels) {
        Add(ui::Kind::Button, 0, "執行", {10, 10, 60, 24}).onClick = [this] {
            rice::System("sleep 0.4");
            ++runs;
        };
        Add(ui::Kind::Button, 0, "其他", {80, 10, 60, 24}).onClick = [this] { ++others; };
    }
    void OnClose() override { ++closes; }
    int runs = 0, others = 0, closes = 0;
};

TEST(QtWindow, WaitsForAChildProgramPaintingButBlockingInput) {
    QtTestUi t;
    StartsChild w;
    int ticksDuringWait = 0;
    bool visibleAfterClose = false;
    QImage during;
    t.ui.SetShownHook([&](ui::Window& shown) {
        WindowView* v = t.ui.ViewOf(shown);
        auto* other = v->WidgetOf(*shown.Controls()[1]);
        QTimer::singleShot(100, v->Top(), [&, v, other] {
            ++ticksDuringWait;
            const QPoint at = other->rect().center();
            for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
                QMouseEvent e(type, at, other->mapToGlobal(at), Qt::LeftButton,
                              type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
                QApplication::sendEvent(other, &e);
            }
            v->Top()->close();
            visibleAfterClose = v->Top()->isVisible();
            during = v->Top()->grab().toImage();
        });
        qobject_cast<QPushButton*>(v->WidgetOf(*shown.Controls()[0]))->click();
        shown.EndModal(ui::kOK);
    });
    t.ui.RunModal(w);
    EXPECT_EQ(ticksDuringWait, 1);
    EXPECT_EQ(w.runs, 1);
    EXPECT_EQ(w.others, 0);
    EXPECT_EQ(w.closes, 0);
    EXPECT_TRUE(visibleAfterClose);
    EXPECT_FALSE(during.isNull());
}

// A long run shows the busy cursor; a question asked during it shows the ordinary one.
TEST(QtWindow, BusyCursorDuringALongRun) {
    QtTestUi t;
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    Qt::CursorShape overBox = Qt::BlankCursor;
    {
        ui::WaitCursor busy;
        ASSERT_NE(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        {
            ui::WaitCursor nested;
        }
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        QTimer::singleShot(0, [&] {
            if (QApplication::overrideCursor()) overBox = QApplication::overrideCursor()->shape();
        });
        testing::AnswerNextBox("確定", nullptr);
        t.ui.MessageBox("執行完畢", "VARIOGRAM", ui::Buttons::Ok, ui::Icon::None);
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    }
    EXPECT_EQ(overBox, Qt::ArrowCursor);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

// Qt's own dialogs speak the language of the system's windows.
TEST(QtFilePicker, SpeaksTraditionalChinese) {
    QtTestUi t;
    const char* english[] = {"Look in:", "File &name:", "Files of type:"};
    for (const char* text : english)
        EXPECT_NE(QCoreApplication::translate("QFileDialog", text), QString::fromLatin1(text)) << text;
    QStringList shown;
    QTimer::singleShot(0, [&] {
        auto* dlg = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_TRUE(dlg);
        for (QLabel* l : dlg->findChildren<QLabel*>()) shown << l->text();
        for (QAbstractButton* b : dlg->findChildren<QPushButton*>()) shown << b->text();
        dlg->reject();
    });
    ui::FileRequest r;
    r.filter = "原始影像檔(*.lan)|*.lan||";
    t.ui.OpenFile(r);
    for (const char* text : {"Look in:", "File &name:", "Files of type:", "&Open", "Cancel"})
        EXPECT_FALSE(shown.contains(QString::fromLatin1(text))) << text;
}

// The file list's type column names folders and files in Chinese, its date column shows the
// whole date in figures; the default filter is ours too.
TEST(QtFilePicker, TypeAndDateColumnsAreReadable) {
    namespace fs = std::filesystem;
    rice::testing::TempFolder folder("columns");
    const fs::path dir = folder.path();
    fs::create_directories(dir / "maps");
    std::ofstream(dir / "img.lan") << "x";
    std::ofstream(dir / "covlist") << "x";

    QtTestUi t;
    struct Row {
        QString type, date;
    };
    std::map<std::string, Row> rows;
    QStringList filters, headers;
    int dateWidth = 0, dateText = 0;
    auto* poll = new QTimer(QCoreApplication::instance());
    poll->setInterval(5);
    int tries = 0;
    QObject::connect(poll, &QTimer::timeout, [&] {
        auto* dlg = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dlg || !dlg->isVisible()) return;
        auto* view = dlg->findChild<QTreeView*>(QStringLiteral("treeView"));
        ASSERT_TRUE(view);
        QAbstractItemModel* model = view->model();
        const QModelIndex root = view->rootIndex();
        if (model->rowCount(root) < 3 && ++tries < 400) return;  // the folder is read in the background
        poll->stop();
        poll->deleteLater();
        filters = dlg->nameFilters();
        for (int c = 0; c < model->columnCount(root); ++c) headers << model->headerData(c, Qt::Horizontal).toString();
        for (int r = 0; r < model->rowCount(root); ++r) {
            const std::string name = model->index(r, 0, root).data().toString().toStdString();
            rows[name] = {model->index(r, 2, root).data().toString(), model->index(r, 3, root).data().toString()};
            dateText = std::max(dateText, view->fontMetrics().horizontalAdvance(rows[name].date));
        }
        dateWidth = view->header()->sectionSize(3);
        dlg->reject();
    });
    poll->start();
    ui::FileRequest r;
    r.initialFolder = folder.path();
    t.ui.OpenFile(r);

    EXPECT_EQ(filters, QStringList{QString::fromUtf8("所有檔案 (*)")});
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows["maps"].type, QString::fromUtf8("資料夾"));
    EXPECT_EQ(rows["img.lan"].type, QString::fromUtf8("LAN 檔案"));
    EXPECT_EQ(rows["covlist"].type, QString::fromUtf8("檔案"));
    const QRegularExpression numeric(QStringLiteral("^\\d{4}/\\d{2}/\\d{2} \\d{2}:\\d{2}$"));
    for (const auto& [name, row] : rows) EXPECT_TRUE(numeric.match(row.date).hasMatch()) << name << " " << row.date.toStdString();
    EXPECT_GT(dateWidth, dateText);
    for (const char* english : {"Name", "Size", "Type", "Date Modified"})
        EXPECT_FALSE(headers.contains(QString::fromLatin1(english))) << english;
}

// Qt sets the C library's locale from the environment; numbers the system writes keep ".".
TEST(QtFrontEnd, NumbersStayLocaleFreeUnderAGermanLocale) {
    ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr) << "scripts/setup generates de_DE.UTF-8";
    char text[32];
    std::snprintf(text, sizeof text, "%f", 250.0);
    ASSERT_STREQ(text, "250,000000");  // the fault, before the front-end starts
    setenv("LC_ALL", "de_DE.UTF-8", 1);
    {
        QtTestUi t;
        std::snprintf(text, sizeof text, "%f %.1f", 250.0, 270.5);
        EXPECT_STREQ(text, "250.000000 270.5");
        EXPECT_EQ(std::strtod("0.25", nullptr), 0.25);
        std::ostringstream out;
        out << 1234.5;
        EXPECT_EQ(out.str(), "1234.5");
        EXPECT_EQ(ui::Format("%1.2f", 0.375), "0.38");
    }
    unsetenv("LC_ALL");
    std::setlocale(LC_ALL, "C");
}

}  // namespace
}  // namespace rice::qtui
