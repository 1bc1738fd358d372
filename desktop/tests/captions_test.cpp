// Every caption of every program window fits its control in the fonts the front-end uses:
// a cut or elided caption hides what the control is for.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>

#include "platform/qt/tests/test_support.h"
#include "desktop/catalogue.h"
#include "platform/qt/window_view.h"

namespace rice::qtui {
namespace {

int WidestLine(const QFontMetrics& fm, const QString& text) {
    int widest = 0;
    for (const QString& line : text.split('\n')) widest = std::max(widest, fm.horizontalAdvance(line));
    return widest;
}

// The room a caption needs and the room its widget gives it, in pixels; empty when the
// control shows no caption of its own.
struct Room {
    int needed = 0, given = 0;
};

std::optional<Room> CaptionRoom(QWidget* widget, const ui::Control& c) {
    const QString text = PlainCaption(c.text);
    if (text.isEmpty()) return std::nullopt;
    const QFontMetrics fm(widget->font());
    if (auto* b = qobject_cast<QPushButton*>(widget)) {
        QStyleOptionButton opt;
        opt.initFrom(b);
        opt.text = b->text();
        const QRect contents = b->style()->subElementRect(QStyle::SE_PushButtonContents, &opt, b);
        return Room{WidestLine(fm, text), contents.width()};
    }
    if (auto* ch = qobject_cast<QCheckBox*>(widget)) {
        QStyleOptionButton opt;
        opt.initFrom(ch);
        opt.text = ch->text();
        const QRect contents = ch->style()->subElementRect(QStyle::SE_CheckBoxContents, &opt, ch);
        return Room{fm.horizontalAdvance(text), contents.width()};
    }
    if (qobject_cast<QGroupBox*>(widget)) {
        // the title stands inside the frame, a margin from either side
        return Room{fm.horizontalAdvance(text) + 16, widget->width()};
    }
    if (auto* l = qobject_cast<QLabel*>(widget)) {
        if (c.surface) return std::nullopt;
        if (l->wordWrap()) return Room{l->heightForWidth(l->width()), l->height()};
        return Room{WidestLine(fm, text), l->width()};
    }
    return std::nullopt;
}

TEST(ProgramWindows, EveryCaptionFitsItsControl) {
    for (const auto& entry : Catalogue()) {
        SCOPED_TRACE(entry.program + " " + entry.name);
        testing::QtTestUi t;
        std::shared_ptr<ui::Window> w = entry.make();
        t.ui.SetShownHook([&](ui::Window& shown) {
            WindowView* v = t.ui.ViewOf(shown);
            ASSERT_NE(v, nullptr);
            for (const auto& c : shown.Controls()) {
                QWidget* widget = v->WidgetOf(*c);
                if (!widget || !c->visible || c->rect.w == 0) continue;
                const auto room = CaptionRoom(widget, *c);
                if (!room) continue;
                EXPECT_LE(room->needed, room->given) << c->Describe() << " \"" << c->text << "\"";
            }
            shown.EndModal(0);
        });
        t.ui.RunModal(*w);
    }
}

}  // namespace
}  // namespace rice::qtui
