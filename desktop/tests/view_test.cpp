// The workbench's view on screen: the parcel-index raster the view paints, shown in the frame's
// client area, 1:1 while it fits and scaled down (exact colours kept) when it does not.
#include <gtest/gtest.h>
#include <shapefil.h>

#include <QImage>
#include <QWidget>
#include <filesystem>

#include "platform/qt/tests/test_support.h"
#include "platform/qt/window_view.h"
#include "platform/testing/temp_folder.h"
#include "workbench/app/KorvaneView.h"
#include "workbench/app/MainFrame.h"
#include "workbench/app/resource.h"
#include "workbench/doc/KorvaneDoc.h"

namespace rice::qtui {
namespace {

namespace fs = std::filesystem;

// Two squares side by side: record 0 on the left, record 1 on the right.
std::string WriteSheet(const fs::path& dir, double side) {
    fs::create_directories(dir);
    const std::string path = (dir / "sheet.shp").string();
    SHPHandle h = SHPCreate(path.c_str(), SHPT_POLYGON);
    for (int i = 0; i < 2; ++i) {
        const double x0 = 1000 + i * side, y0 = 5000;
        double xs[] = {x0, x0, x0 + side, x0 + side, x0};
        double ys[] = {y0, y0 + side, y0 + side, y0, y0};
        SHPObject* o = SHPCreateSimpleObject(SHPT_POLYGON, 5, xs, ys, nullptr);
        SHPWriteObject(h, -1, o);
        SHPDestroyObject(o);
    }
    SHPClose(h);
    return path;
}

struct ShownView {
    QImage image;
    QSize pane;
};

ShownView ShowPainted(double side) {
    const rice::testing::TempFolder dir("view");
    CKorvaneDoc doc;
    CKorvaneView view(&doc);
    CMainFrame frame(doc, view);
    frame.OnCreate();
    doc.m_curParcelFile = WriteSheet(dir.path(), side);
    doc.m_lanOriginX = 1000;
    doc.m_lanOriginY = 5000 + side;
    ui::DeviceContext dc = view.GetWindowDC();
    view.OnDraw(dc);

    testing::QtTestUi t;
    ShownView shown;
    t.ui.SetShownHook([&](ui::Window& w) {
        QWidget* pane = t.ui.ViewOf(w)->WidgetOf(w.Item(AFX_IDW_PANE_FIRST));
        shown.pane = pane->size();
        shown.image = pane->grab().toImage().convertToFormat(QImage::Format_RGB888);
        w.EndModal(0);
    });
    t.ui.RunMain(frame);
    return shown;
}

TEST(QtView, ShowsThePaintedParcelFile) {
    const ShownView v = ShowPainted(100);
    ASSERT_FALSE(v.image.isNull());
    EXPECT_EQ(v.image.pixelColor(50, 50), QColor(0, 0, 0));    // record 0
    EXPECT_EQ(v.image.pixelColor(150, 50), QColor(1, 0, 0));   // record 1
    EXPECT_EQ(v.image.pixelColor(250, 50), QColor(255, 255, 255));
    EXPECT_EQ(v.image.pixelColor(50, 150), QColor(255, 255, 255));
}

TEST(QtView, ScalesAMapLargerThanTheWindow) {
    const ShownView v = ShowPainted(2000);  // 4000 x 2000 map units
    ASSERT_FALSE(v.image.isNull());
    ASSERT_LT(v.pane.width(), 4000);
    const double s = std::min(v.pane.width() / 4001.0, v.pane.height() / 2001.0);
    auto at = [&](double mx, double my) { return v.image.pixelColor(int(mx * s), int(my * s)); };
    EXPECT_EQ(at(1000, 1000), QColor(0, 0, 0));
    EXPECT_EQ(at(3000, 1000), QColor(1, 0, 0));
    EXPECT_EQ(v.image.pixelColor(v.pane.width() - 2, v.pane.height() - 2), QColor(255, 255, 255));
}

}  // namespace
}  // namespace rice::qtui
