// Writes a PNG of every window of the three programs, each built from its template and
// shown by the desktop front-end (offscreen when QT_QPA_PLATFORM=offscreen).
//   rice_screenshots OUTPUT_FOLDER [PROGRAM ...]
#include <QImage>
#include <QPixmap>
#include <QWidget>
#include <filesystem>
#include <iostream>

#include "platform/qt/qt_ui.h"
#include "desktop/catalogue.h"
#include "platform/qt/window_view.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: rice_screenshots OUTPUT_FOLDER [PROGRAM ...]\n";
        return 2;
    }
    const std::filesystem::path out = argv[1];
    std::vector<std::string> only(argv + 2, argv + argc);
    std::filesystem::create_directories(out);
    int qargc = 1;
    rice::qtui::QtUi ui(qargc, argv);
    ui::ScopedUi scope(ui);
    int written = 0, failed = 0;
    for (const auto& entry : rice::qtui::Catalogue()) {
        if (!only.empty() && std::find(only.begin(), only.end(), entry.program) == only.end()) continue;
        std::shared_ptr<ui::Window> w = entry.make();
        const std::filesystem::path file = out / (entry.program + "-" + entry.name + ".png");
        bool saved = false;
        ui.SetShownHook([&](ui::Window& shown) {
            if (auto* v = ui.ViewOf(shown)) saved = v->Top()->grab().toImage().save(QString::fromStdString(file.string()));
            shown.EndModal(0);
        });
        ui.RunModal(*w);
        if (saved) {
            std::cout << file.string() << "\n";
            ++written;
        } else {
            std::cerr << "could not write " << file.string() << "\n";
            ++failed;
        }
    }
    ui.SetShownHook(nullptr);
    std::cout << written << " screenshots\n";
    return failed ? 1 : 0;
}
