// Every window of the three programs shows every control of its template, with its caption,
// at its converted place.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QDialog>
#include <QMessageBox>
#include <QGroupBox>
#include <QLabel>
#include <QWidget>

#include "platform/qt/tests/test_support.h"
#include "desktop/catalogue.h"
#include "platform/qt/window_view.h"

namespace rice::qtui {
namespace {

QString ShownCaption(QWidget* w) {
    if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text();
    if (auto* g = qobject_cast<QGroupBox*>(w)) return g->title();
    if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
    return {};
}

bool HasCaption(const ui::Control& c) {
    switch (c.kind) {
    case ui::Kind::Button:
    case ui::Kind::DefaultButton:
    case ui::Kind::GroupBox:
    case ui::Kind::CheckBox:
    case ui::Kind::Static:
    case ui::Kind::Label:
        return true;
    default:
        return false;
    }
}

TEST(ProgramWindows, EveryControlOfEveryTemplateIsShownWithItsCaption) {
    const auto& entries = Catalogue();
    for (const auto& entry : entries) {
        SCOPED_TRACE(entry.program + " " + entry.name);
        testing::QtTestUi t;
        std::shared_ptr<ui::Window> w = entry.make();
        size_t checked = 0;
        t.ui.SetShownHook([&](ui::Window& shown) {
            WindowView* v = t.ui.ViewOf(shown);
            ASSERT_NE(v, nullptr);
            EXPECT_EQ(v->Top()->windowTitle().toStdString(), shown.caption);
            for (const auto& c : shown.Controls()) {
                SCOPED_TRACE(c->Describe());
                QWidget* widget = v->WidgetOf(*c);
                ASSERT_NE(widget, nullptr);
                if (!c->visible) {
                    EXPECT_FALSE(widget->isVisible());
                    continue;
                }
                EXPECT_TRUE(widget->isVisible());
                if (HasCaption(*c)) {
                    const bool plain = c->kind == ui::Kind::Static || c->kind == ui::Kind::Label;
                    EXPECT_EQ(ShownCaption(widget), plain ? PlainCaption(c->text) : Caption(c->text));
                }
                const QRect want = ToPixels(c->rect, shown.units);
                if (c->autoSize) {
                    // a label that grows to its text keeps its place and height
                    EXPECT_EQ(widget->geometry().topLeft(), want.topLeft());
                    EXPECT_EQ(widget->height(), want.height());
                    EXPECT_GE(widget->width(), want.width());
                } else if (c->rect.w > 0 && c->kind != ui::Kind::ComboBox && c->kind != ui::Kind::DriveList) {
                    EXPECT_EQ(widget->geometry(), want);
                }
                ++checked;
            }
            shown.EndModal(0);
        });
        t.ui.RunModal(*w);
        EXPECT_EQ(checked + std::count_if(w->Controls().begin(), w->Controls().end(),
                                          [](const auto& c) { return !c->visible; }),
                  w->Controls().size());
    }
}

}  // namespace
}  // namespace rice::qtui

namespace rice::qtui {
namespace {

// A real dialog's modal flow: Esc (the dialog's Cancel) asks before it leaves; No keeps it open.
TEST(ProgramWindows, ClassificationDialogAsksBeforeItLeaves) {
    const auto& entries = Catalogue();
    auto it = std::find_if(entries.begin(), entries.end(), [](const auto& e) { return e.name == "CML"; });
    ASSERT_NE(it, entries.end());
    testing::QtTestUi t;
    std::shared_ptr<ui::Window> w = it->make();
    std::vector<testing::SeenBox> seen;
    bool stayedOpen = false;
    t.ui.SetShownHook([&](ui::Window& shown) {
        auto* dialog = qobject_cast<QDialog*>(t.ui.ViewOf(shown)->Top());
        if (!dialog) {
            ADD_FAILURE() << "not shown as a dialog";
            shown.EndModal(0);
            return;
        }
        testing::AnswerNextBox("否(&N)", &seen);
        dialog->reject();  // what Esc does
        stayedOpen = !shown.Ended() && dialog->isVisible();
        testing::AnswerNextBox("是(&Y)", &seen);
        qobject_cast<QAbstractButton*>(t.ui.ViewOf(shown)->WidgetOf(shown.Item(ui::kCancel)))->click();
    });
    EXPECT_EQ(t.ui.RunModal(*w), ui::kCancel);
    EXPECT_TRUE(stayedOpen);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].text, "確定離開程式?");
    EXPECT_EQ(seen[0].icon, QMessageBox::Question);
}

}  // namespace
}  // namespace rice::qtui
