#pragma once
// Offscreen front-end for tests: one application for the whole test program, a fresh Ui per
// test, and a helper that answers the next message box the way an operator would.
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QTimer>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "platform/qt/qt_ui.h"
#include "platform/testing/temp_folder.h"

namespace rice::qtui::testing {

inline int& Argc() {
    static int argc = 1;
    return argc;
}
inline char** Argv() {
    static char name[] = "platform_qt_tests";
    static char* argv[] = {name, nullptr};
    return argv;
}

// Qt's own settings (the file dialog's history) and its runtime folder go to a folder of the
// test program's, not to the user's ~/.config and TMPDIR.
inline bool QtFoldersInTempFolder() {
    static rice::testing::TempFolder folder("qt");  // mode 0700, as Qt wants a runtime folder
    static const bool once = [] {
        for (auto format : {QSettings::NativeFormat, QSettings::IniFormat})
            QSettings::setPath(format, QSettings::UserScope, QString::fromStdString(folder.path()));
        ::setenv("XDG_RUNTIME_DIR", folder.path().c_str(), 1);
        return true;
    }();
    return once;
}

struct QtTestUi {
    QtTestUi() : ui((QtFoldersInTempFolder(), Argc()), Argv()), scope(ui) {}
    QtUi ui;
    ui::ScopedUi scope;
};

struct SeenBox {
    std::string caption, text;
    QMessageBox::Icon icon;
    std::vector<std::string> buttons;
    int width = 0;  // of the box as shown
};

// Waits for the next message box to show, then hands it to act.
inline void OnNextBox(std::function<void(QMessageBox*)> act) {
    auto* timer = new QTimer(QCoreApplication::instance());  // freed with the application at the latest
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, act = std::move(act)] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible()) return;
        timer->stop();
        timer->deleteLater();
        act(box);
    });
    timer->start();
}

// The button of a box with this text, or null.
inline QAbstractButton* ButtonOf(QMessageBox* box, const std::string& text) {
    for (QAbstractButton* b : box->buttons())
        if (b->text().toStdString() == text) return b;
    return nullptr;
}

// Waits for the next message box, notes what it shows and presses the button with this text.
inline void AnswerNextBox(const std::string& button, std::vector<SeenBox>* seen) {
    OnNextBox([button, seen](QMessageBox* box) {
        SeenBox s{box->windowTitle().toStdString(), box->text().toStdString(), box->icon(), {}, box->width()};
        // buttons() follows the layout's order; keep the box's own order for comparisons
        for (QAbstractButton* b : box->buttons()) s.buttons.push_back(b->text().toStdString());
        if (seen) seen->push_back(s);
        if (QAbstractButton* press = ButtonOf(box, button)) press->click();
        else box->reject();
    });
}

}  // namespace rice::qtui::testing
