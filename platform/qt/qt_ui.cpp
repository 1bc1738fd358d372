#include "platform/qt/qt_ui.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QEventLoop>
#include <QDateTime>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QStyle>
#include <QStyleFactory>
#include <QTimer>
#include <QTranslator>
#include <QTreeView>
#include <QWindow>
#include <clocale>
#include <cstdlib>
#include <iostream>

#include "platform/core/command.h"
#include "platform/core/exit.h"
#include "platform/core/paths.h"
#include "platform/qt/convert.h"
#include "platform/qt/fonts.h"
#include "platform/qt/window_view.h"

namespace rice::qtui {

std::string QtNameFilter(const ui::FilterEntry& entry) {
    std::string joined;
    for (const auto& p : entry.patterns) {
        if (!joined.empty()) joined += ' ';
        joined += p;
    }
    if (joined.empty()) joined = "*";
    const std::string tail = "(" + joined + ")";
    const std::string& d = entry.description;
    if (d.size() >= tail.size() && d.compare(d.size() - tail.size(), tail.size(), tail) == 0) return d;
    if (d.empty()) return tail;
    return d + " " + tail;
}

std::vector<std::string> QtNameFilters(const std::string& filter) {
    std::vector<std::string> out;
    for (const auto& e : ui::ParseFilter(filter)) out.push_back(QtNameFilter(e));
    if (out.empty()) out.push_back("所有檔案 (*)");
    return out;
}

namespace {

// Qt's own texts (file dialogs, standard buttons) in the language of the system's windows.
void LoadQtTranslations() {
    const QString name = QStringLiteral("qtbase_zh_TW");
    QCoreApplication* app = QCoreApplication::instance();
    if (app->findChild<QTranslator*>(name, Qt::FindDirectChildrenOnly)) return;
    auto* translator = new QTranslator(app);
    translator->setObjectName(name);
    if (translator->load(name, QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(translator);
    else
        delete translator;
}

// Room the window manager's title bar needs beside the caption: its buttons and margins.
constexpr int kTitleBarExtra = 120;

// The file dialogs' type and date columns in the windows' language. Qt calls a folder
// "Folder" and names files by their MIME type's English comment ("unknown"), and writes the
// date with an English month in a column too narrow for it.
class ReadableFileColumns : public QIdentityProxyModel {
public:
    enum Column { kType = 2, kDate = 3 };  // QFileSystemModel's columns
    static constexpr const char* kDateFormat = "yyyy/MM/dd HH:mm";

    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(const QModelIndex& index, int role) const override {
        auto* files = qobject_cast<QFileSystemModel*>(sourceModel());
        if (role != Qt::DisplayRole || !files || (index.column() != kType && index.column() != kDate))
            return QIdentityProxyModel::data(index, role);
        const QFileInfo info = files->fileInfo(mapToSource(index));
        if (index.column() == kDate) return info.lastModified().toString(QString::fromLatin1(kDateFormat));
        if (info.isDir()) return QString::fromUtf8("資料夾");
        if (info.suffix().isEmpty()) return QString::fromUtf8("檔案");
        return info.suffix().toUpper() + QString::fromUtf8(" 檔案");
    }

    // Makes dlg Qt's own dialog (the platform's would not show the columns, nor Qt's texts)
    // with these columns, the date column wide enough for a whole date.
    static void Install(QFileDialog& dlg) {
        dlg.setOption(QFileDialog::DontUseNativeDialog, true);
        dlg.setProxyModel(new ReadableFileColumns(&dlg));
        if (auto* view = dlg.findChild<QTreeView*>(QStringLiteral("treeView"))) {
            const QString widest = QDateTime(QDate(2000, 12, 30), QTime(20, 58)).toString(QString::fromLatin1(kDateFormat));
            const int needed = view->fontMetrics().horizontalAdvance(widest) + 2 * view->style()->pixelMetric(QStyle::PM_HeaderMargin) + 16;
            if (view->header()->sectionSize(kDate) < needed) view->header()->resizeSection(kDate, needed);
        }
    }
};

// A message box the operator must answer with one of its buttons: Esc and the close box do
// nothing. Left to itself Qt would make a lone No button the escape button.
class AnswerOnlyBox : public QMessageBox {
public:
    AnswerOnlyBox(QWidget* parent, bool mustAnswer) : QMessageBox(parent), mustAnswer_(mustAnswer) {}

protected:
    void keyPressEvent(QKeyEvent* e) override {
        if (mustAnswer_ && e->matches(QKeySequence::Cancel)) return;
        QMessageBox::keyPressEvent(e);
    }
    void closeEvent(QCloseEvent* e) override {
        if (mustAnswer_) {
            e->ignore();
            return;
        }
        QMessageBox::closeEvent(e);
    }

private:
    bool mustAnswer_;
};

}  // namespace

struct QtUi::Level {
    ui::Window* window = nullptr;
    std::unique_ptr<WindowView> view;
    QEventLoop loop;
};

// While a child program runs: the windows keep painting, operator input is dropped, and a
// window that comes up (the operator clicked it, its title bar or its close box) goes back
// below the child. Once the child has ended the program's window on top comes forward again.
class QtUi::ChildWait : public QObject, public rice::ChildWaiter {
public:
    explicit ChildWait(QtUi& ui) : ui_(ui) {}

    void Wait(const std::function<bool()>& ended) override {
        if (ended()) return;
        ui_.ShowModelState();
        ++ui_.blocked_;
        QCoreApplication::instance()->installEventFilter(this);
        QEventLoop loop;
        QTimer poll;
        poll.setInterval(20);
        QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
            if (ended()) loop.quit();
        });
        poll.start();
        loop.exec();
        QCoreApplication::instance()->removeEventFilter(this);
        --ui_.blocked_;
        if (QWidget* top = ui_.TopWidget(); top && top->isVisible()) {
            top->raise();
            top->activateWindow();
        }
    }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (!watched->isWidgetType()) {
            // A window raised above the child is exposed: put it back.
            if (auto* window = qobject_cast<QWindow*>(watched); window && e->type() == QEvent::Expose &&
                                                                window->isExposed())
                window->lower();
            return false;
        }
        switch (e->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::ContextMenu:
            return true;
        case QEvent::Close:
            e->ignore();  // an accepted close event would still close the window
            return true;
        case QEvent::WindowActivate:
            if (auto* w = static_cast<QWidget*>(watched); w->isWindow()) w->lower();
            return false;
        default:
            return false;
        }
    }

private:
    QtUi& ui_;
};

// A question asked during a long run shows the ordinary pointer over it.
class QtUi::ArrowCursor {
public:
    explicit ArrowCursor(const QtUi& ui) : on_(ui.waits_ > 0) {
        if (on_) QApplication::setOverrideCursor(Qt::ArrowCursor);
    }
    ~ArrowCursor() {
        if (on_) QApplication::restoreOverrideCursor();
    }
    ArrowCursor(const ArrowCursor&) = delete;
    ArrowCursor& operator=(const ArrowCursor&) = delete;
private:
    bool on_;
};

QtUi::QtUi(int& argc, char** argv) {
    if (!QApplication::instance()) app_ = std::make_unique<QApplication>(argc, argv);
    // Qt has set the C library's locale from the environment; every number the system writes
    // uses "." whatever the locale.
    std::setlocale(LC_NUMERIC, "C");
    LoadQtTranslations();
    // One look everywhere, so template colours show on buttons as they do on the platform.
    if (QStyle* fusion = QStyleFactory::create("Fusion")) QApplication::setStyle(fusion);
    InstallFontFallbacks();
    QApplication::setFont(TemplateFont("", 8));
    QApplication::setQuitOnLastWindowClosed(false);
    childWait_ = std::make_unique<ChildWait>(*this);
    rice::SetChildWaiter(childWait_.get());
}

QtUi::~QtUi() {
    if (rice::CurrentChildWaiter() == childWait_.get()) rice::SetChildWaiter(nullptr);
    while (waits_ > 0) EndWait();
}

void QtUi::BeginWait() {
    if (waits_++ == 0) QApplication::setOverrideCursor(Qt::WaitCursor);
}

void QtUi::EndWait() {
    if (waits_ > 0 && --waits_ == 0) QApplication::restoreOverrideCursor();
}

void QtUi::ShowModelState() {
    for (Level* l : levels_)
        if (l->view && !l->window->Ended()) l->view->Refresh();
}

QWidget* QtUi::TopWidget() const {
    if (QWidget* m = QApplication::activeModalWidget()) return m;
    return levels_.empty() || !levels_.back()->view ? nullptr : levels_.back()->view->Top();
}

WindowView* QtUi::ViewOf(const ui::Window& w) const {
    for (const Level* l : levels_)
        if (l->window == &w) return l->view.get();
    return nullptr;
}

void QtUi::Dispatch(const std::function<void()>& action) {
    if (exit_ || blocked_) return;
    ++depth_;
    try {
        action();
    } catch (const rice::ProcessExit& e) {
        exit_ = e.status;
    } catch (const std::exception& e) {
        // The application's error report: the click ends, the program goes on.
        --depth_;
        MessageBox(e.what(), ui::AppTitle(), ui::Buttons::Ok, ui::Icon::Error);
        ++depth_;
    }
    --depth_;
    AfterAction();
}

void QtUi::AfterAction() {
    if (!exit_) PaintPending();
    for (Level* l : levels_) {
        if (l->window->Ended() || exit_) {
            if (l->view) {
                l->view->AllowClose();
                l->view->Top()->hide();
            }
            l->loop.quit();
        } else if (l->view) {
            l->view->Refresh();
        }
    }
}

void QtUi::PaintPending() {
    paintQueued_ = false;
    std::vector<ui::Window*> todo;
    todo.swap(dirty_);
    for (Level* l : levels_) {
        if (std::find(todo.begin(), todo.end(), l->window) == todo.end() || l->window->Ended()) continue;
        try {
            l->window->OnPaint();
        } catch (const rice::ProcessExit& e) {
            exit_ = e.status;
            return;
        } catch (const std::exception& e) {
            MessageBox(e.what(), ui::AppTitle(), ui::Buttons::Ok, ui::Icon::Error);
        }
        if (l->view) l->view->Refresh();
    }
}

void QtUi::Repaint(ui::Window& w) {
    if (std::find(dirty_.begin(), dirty_.end(), &w) == dirty_.end()) dirty_.push_back(&w);
    // Outside any operator action (a long run's end, a timer) the paint waits for the loop.
    if (depth_ == 0 && !paintQueued_ && !levels_.empty()) {
        paintQueued_ = true;
        QTimer::singleShot(0, [this] { Dispatch([] {}); });
    }
}

int QtUi::Run(ui::Window& w, bool main) {
    Level level;
    level.window = &w;
    levels_.push_back(&level);
    struct Pop {
        std::vector<Level*>& levels;
        ~Pop() { levels.pop_back(); }
    } pop{levels_};

    w.BeginRun();
    w.OnInitDialog();
    if (!w.Ended()) {
        QWidget* parent = main ? nullptr : TopWidget();
        level.view = std::make_unique<WindowView>(
            w, parent, !main, [this](const std::function<void()>& a) { Dispatch(a); });
        QWidget* top = level.view->Top();
        if (!main) top->setWindowModality(Qt::ApplicationModal);
        if (w.maximised)
            top->showMaximized();
        else
            top->show();
        w.OnPaint();
        AfterAction();
        if (shownHook_) {
            QPointer<QWidget> alive(top);
            QTimer::singleShot(0, top, [this, &w, alive] {
                if (alive && shownHook_ && !w.Ended()) Dispatch([this, &w] { shownHook_(w); });
            });
        }
        while (!w.Ended() && !exit_) level.loop.exec();
        level.view->AllowClose();
        top->hide();
    }
    if (exit_) {
        const int status = *exit_;
        exit_.reset();
        throw rice::ProcessExit{status};
    }
    return w.ModalResult();
}

int QtUi::RunModal(ui::Window& w) { return Run(w, false); }

int QtUi::RunMain(ui::Window& w) { return Run(w, true); }

int QtUi::MessageBox(const std::string& text, const std::string& caption, ui::Buttons buttons,
                     ui::Icon icon) {
    // What the handler changed so far (a new menu, a text) shows behind the box.
    ShowModelState();
    ArrowCursor arrow(*this);
    // Esc: Cancel where there is one, OK on an OK box; a Yes/No box must be answered.
    AnswerOnlyBox box(TopWidget(), buttons == ui::Buttons::YesNo);
    box.setWindowTitle(Q(caption));
    box.setTextFormat(Qt::PlainText);
    box.setText(Q(text));
    switch (icon) {
    case ui::Icon::Exclamation: box.setIcon(QMessageBox::Warning); break;
    case ui::Icon::Question: box.setIcon(QMessageBox::Question); break;
    case ui::Icon::Information: box.setIcon(QMessageBox::Information); break;
    case ui::Icon::Error: box.setIcon(QMessageBox::Critical); break;
    case ui::Icon::None: box.setIcon(QMessageBox::NoIcon); break;
    }
    struct Choice {
        QMessageBox::StandardButton button;
        const char* text;
        int result;
    };
    std::vector<Choice> choices;
    switch (buttons) {
    case ui::Buttons::Ok: choices = {{QMessageBox::Ok, "確定", ui::kOK}}; break;
    case ui::Buttons::OkCancel:
        choices = {{QMessageBox::Ok, "確定", ui::kOK}, {QMessageBox::Cancel, "取消", ui::kCancel}};
        break;
    case ui::Buttons::YesNo:
        choices = {{QMessageBox::Yes, "是(&Y)", ui::kYes}, {QMessageBox::No, "否(&N)", ui::kNo}};
        break;
    case ui::Buttons::YesNoCancel:
        choices = {{QMessageBox::Yes, "是(&Y)", ui::kYes},
                   {QMessageBox::No, "否(&N)", ui::kNo},
                   {QMessageBox::Cancel, "取消", ui::kCancel}};
        break;
    }
    for (const auto& c : choices) box.addButton(c.button)->setText(QString::fromUtf8(c.text));
    box.setDefaultButton(choices.front().button);
    // A box narrower than its title bar shows the caption cut to "...".
    QFont titleFont = box.font();
    titleFont.setBold(true);
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        const int room = QFontMetrics(titleFont).horizontalAdvance(Q(caption)) + kTitleBarExtra;
        grid->addItem(new QSpacerItem(room, 0, QSizePolicy::Minimum, QSizePolicy::Minimum), grid->rowCount(), 0,
                      1, grid->columnCount());
    }
    if (buttons == ui::Buttons::Ok) box.setEscapeButton(QMessageBox::Ok);
    else if (buttons != ui::Buttons::YesNo) box.setEscapeButton(QMessageBox::Cancel);
    box.exec();
    QAbstractButton* clicked = box.clickedButton();
    for (const auto& c : choices)
        if (clicked && clicked == box.button(c.button)) return c.result;
    // Ended without a button (the program is closing)
    switch (buttons) {
    case ui::Buttons::Ok: return ui::kOK;
    case ui::Buttons::YesNo: return ui::kNo;
    default: return ui::kCancel;
    }
}

std::vector<std::string> QtUi::PickFiles(const ui::FileRequest& r, bool save) {
    ShowModelState();
    ArrowCursor arrow(*this);
    QFileDialog dlg(TopWidget());
    ReadableFileColumns::Install(dlg);
    dlg.setWindowTitle(r.title.empty() ? (save ? QString::fromUtf8("另存新檔") : QString::fromUtf8("開啟"))
                                       : Q(r.title));
    dlg.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    if (save)
        dlg.setFileMode(QFileDialog::AnyFile);
    else if (r.multiple)
        dlg.setFileMode(QFileDialog::ExistingFiles);
    else
        dlg.setFileMode(r.mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dlg.setOption(QFileDialog::DontConfirmOverwrite, !(save && r.overwritePrompt));
    dlg.setOption(QFileDialog::ReadOnly, false);
    QStringList filters;
    for (const auto& f : QtNameFilters(r.filter)) filters << Q(f);
    dlg.setNameFilters(filters);
    if (!r.defaultExt.empty()) dlg.setDefaultSuffix(Q(r.defaultExt));
    dlg.setDirectory(Q(r.initialFolder.empty() ? rice::CurrentFolder() : r.initialFolder));
    if (!r.initialName.empty()) dlg.selectFile(Q(r.initialName));
    if (dlg.exec() != QDialog::Accepted) return {};
    std::vector<std::string> out;
    for (const QString& f : dlg.selectedFiles()) out.push_back(S(f));
    return out;
}

std::optional<std::string> QtUi::PickFolder(const ui::FolderRequest& r) {
    ShowModelState();
    ArrowCursor arrow(*this);
    QFileDialog dlg(TopWidget());
    ReadableFileColumns::Install(dlg);
    dlg.setWindowTitle(r.title.empty() ? QString::fromUtf8("瀏覽資料夾") : Q(r.title));
    dlg.setLabelText(QFileDialog::LookIn, Q(r.title));
    dlg.setFileMode(QFileDialog::Directory);
    dlg.setOption(QFileDialog::ShowDirsOnly, true);
    dlg.setDirectory(Q(rice::CurrentFolder()));
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return std::nullopt;
    return S(dlg.selectedFiles().front());
}

}  // namespace rice::qtui

namespace rice {

std::unique_ptr<ui::Ui> MakeQtUi(int& argc, char** argv) {
    const bool display = std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY") ||
                         std::getenv("QT_QPA_PLATFORM");
    if (!display && !QApplication::instance()) {
        std::cerr << "no display: set DISPLAY (or QT_QPA_PLATFORM=offscreen), or run with --script FILE\n";
        return nullptr;
    }
    return std::make_unique<qtui::QtUi>(argc, argv);
}

}  // namespace rice
