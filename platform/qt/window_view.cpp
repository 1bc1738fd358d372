#include "platform/qt/window_view.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QStatusBar>
#include <QStorageInfo>
#include <QToolBar>

#include "platform/qt/convert.h"
#include "platform/qt/fonts.h"
#include "platform/qt/raster_image.h"
#include "platform/qt/units.h"

namespace rice::qtui {

namespace {

int ConvX(int v, ui::Units u) {
    switch (u) {
    case ui::Units::DialogUnits: return DluToPixelsX(v);
    case ui::Units::Twips: return TwipsToPixels(v);
    case ui::Units::Pixels: break;
    }
    return v;
}
int ConvY(int v, ui::Units u) {
    switch (u) {
    case ui::Units::DialogUnits: return DluToPixelsY(v);
    case ui::Units::Twips: return TwipsToPixels(v);
    case ui::Units::Pixels: break;
    }
    return v;
}

// Static texts, labels and paint surfaces. A static with a surface shows the surface at its
// own pixel size (the system draws in the control's pixel coordinates); the frame's view
// shows its surface scaled down to fit, since the surface is as large as the whole map.
class StaticWidget : public QLabel {
public:
    StaticWidget(ui::Control& c, QWidget* parent) : QLabel(parent), control_(c) {}
    bool scaleToFit = false;

protected:
    // The view follows the frame's client area.
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (scaleToFit && watched == parentWidget() && e->type() == QEvent::Resize)
            setGeometry(parentWidget()->rect());
        return QLabel::eventFilter(watched, e);
    }

    void paintEvent(QPaintEvent* e) override {
        if (!control_.surface) {
            QLabel::paintEvent(e);
            return;
        }
        QPainter p(this);
        const QImage image = RasterImage(*control_.surface, font());
        if (image.isNull()) return;
        if (scaleToFit && (image.width() > width() || image.height() > height())) {
            const QImage shown = image.scaled(size(), Qt::KeepAspectRatio, Qt::FastTransformation);
            p.fillRect(rect(), Qt::white);
            p.drawImage(0, 0, shown);
        } else {
            p.drawImage(0, 0, image);
        }
    }

private:
    ui::Control& control_;
};

// The close box asks the window model first; a window it keeps open stays.
template <typename Base>
class ModelWidget : public Base {
public:
    template <typename... Args>
    explicit ModelWidget(WindowView& v, Args... args) : Base(args...), view_(v) {}

protected:
    void closeEvent(QCloseEvent* e) override {
        if (view_.CloseAllowed()) {
            e->accept();
            return;
        }
        e->ignore();
        view_.OperatorClose();
    }

    WindowView& view_;
};

class ModelDialog : public ModelWidget<QDialog> {
public:
    ModelDialog(WindowView& v, QWidget* parent) : ModelWidget<QDialog>(v, parent) {}
    void reject() override { view_.OperatorEscape(); }
};

using ModelMainWindow = ModelWidget<QMainWindow>;
using ModelForm = ModelWidget<QWidget>;

std::string MenuShape(const std::vector<ui::MenuItem>& items) {
    std::string s;
    for (const auto& m : items) {
        s += std::to_string(m.id) + ":" + m.text + "{" + MenuShape(m.children) + "}";
    }
    return s;
}

// Folder rows: the path from the root down to the folder, then its sub-folders, as the
// folder list of the forms shows them.
struct FolderRow {
    QString label;
    QString path;
};
std::vector<FolderRow> FolderRows(const std::string& folder) {
    std::vector<FolderRow> rows;
    QString f = QDir::cleanPath(Q(folder.empty() ? std::string("/") : folder));
    if (!f.startsWith('/')) f = QDir::current().absoluteFilePath(f);
    QStringList parts = f.split('/', Qt::SkipEmptyParts);
    rows.push_back({"/", "/"});
    QString path;
    int depth = 1;
    for (const QString& part : parts) {
        path += "/" + part;
        rows.push_back({QString(depth * 2, ' ') + part, path});
        ++depth;
    }
    QDir dir(f);
    const QStringList subs = dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QString& s : subs) rows.push_back({QString(depth * 2, ' ') + s, dir.absoluteFilePath(s)});
    return rows;
}

QStringList DriveRoots() {
    QStringList roots;
    roots << "/";
    const QString home = QDir::homePath();
    if (home != "/") roots << home;
    for (const QStorageInfo& s : QStorageInfo::mountedVolumes()) {
        const QString r = s.rootPath();
        if (s.isValid() && s.isReady() && !roots.contains(r) &&
            (r.startsWith("/media") || r.startsWith("/mnt") || r.startsWith("/home")))
            roots << r;
    }
    return roots;
}

// The drive row that holds a folder: the longest root that is a prefix of it.
int DriveRowOf(const QStringList& roots, const std::string& folder) {
    const QString f = Q(folder);
    int best = 0, bestLen = -1;
    for (int i = 0; i < roots.size(); ++i) {
        const QString& r = roots[i];
        const bool under = r == "/" || f == r || f.startsWith(r + "/");
        if (under && r.size() > bestLen) {
            best = i;
            bestLen = int(r.size());
        }
    }
    return best;
}

void ApplyColours(QWidget* w, const ui::Control& c) {
    if (!c.textColour && !c.backColour) return;
    QPalette pal = w->palette();
    if (c.textColour) {
        const QColor t = ToQColor(*c.textColour);
        pal.setColor(QPalette::WindowText, t);
        pal.setColor(QPalette::ButtonText, t);
        pal.setColor(QPalette::Text, t);
    }
    if (c.backColour) {
        const QColor b = ToQColor(*c.backColour);
        pal.setColor(QPalette::Window, b);
        pal.setColor(QPalette::Button, b);
        if (c.kind == ui::Kind::Label || c.kind == ui::Kind::Static || c.kind == ui::Kind::CheckBox)
            w->setAutoFillBackground(!c.transparent);
    }
    w->setPalette(pal);
}

}  // namespace

struct BoundControl {
    ui::Control* control;
    QWidget* widget;
    std::vector<std::string> items;  // rows last shown
    std::string folder;              // folder last listed
    bool built = false;
};

QRect ToPixels(const ui::Rect& r, ui::Units u) {
    const int x0 = ConvX(r.x, u), y0 = ConvY(r.y, u);
    const int x1 = ConvX(r.x + r.w, u), y1 = ConvY(r.y + r.h, u);
    return QRect(x0, y0, x1 - x0, y1 - y0);
}

QSize ClientPixels(const ui::Window& w) { return QSize(ConvX(w.width, w.units), ConvY(w.height, w.units)); }

QString Caption(const std::string& text) { return Q(text); }

QString PlainCaption(const std::string& text) {
    QString out;
    const QString in = Q(text);
    for (int i = 0; i < in.size(); ++i) {
        if (in[i] == '&') {
            if (i + 1 < in.size() && in[i + 1] == '&') {
                out += '&';
                ++i;
            }
            continue;
        }
        out += in[i];
    }
    return out;
}

WindowView::WindowView(ui::Window& w, QWidget* parent, bool modal, Dispatcher dispatch)
    : window_(w), dispatch_(std::move(dispatch)), modal_(modal), parent_(parent) {
    Build();
}

WindowView::~WindowView() {
    allowClose_ = true;
    delete top_;
}

QWidget* WindowView::WidgetOf(const ui::Control& c) const {
    for (const auto& b : bound_)
        if (b->control == &c) return b->widget;
    return nullptr;
}

QFont WindowView::FontOf(const ui::Control& c) const {
    if (c.font.name.empty() && c.font.points == 0 && !c.font.bold && !c.font.italic) return font_;
    const std::string face = c.font.name.empty() ? window_.font.name : c.font.name;
    const int points = c.font.points > 0 ? c.font.points : (window_.font.points > 0 ? window_.font.points : 8);
    QFont f = TemplateFont(face, points, c.font.bold);
    f.setItalic(c.font.italic);
    return f;
}

void WindowView::Build() {
    font_ = TemplateFont(window_.font.name, window_.font.points > 0 ? window_.font.points : 8,
                         window_.font.bold);
    const QSize client = ClientPixels(window_);
    if (window_.isFrame) {
        auto* mw = new ModelMainWindow(*this);
        frame_ = mw;
        top_ = mw;
        client_ = new QWidget(mw);
        mw->setCentralWidget(client_);
        client_->setMinimumSize(QSize(200, 120));
        mw->resize(client.width() > 0 ? client.width() : 800, client.height() > 0 ? client.height() : 600);
        auto* sb = new QStatusBar(mw);
        mw->setStatusBar(sb);
        messagePane_ = new QLabel(sb);
        sb->addWidget(messagePane_, 1);
    } else if (modal_) {
        auto* d = new ModelDialog(*this, parent_);
        d->setWindowFlag(Qt::WindowContextHelpButtonHint, false);
        top_ = d;
        client_ = d;
        d->setFixedSize(client);
    } else {
        top_ = new ModelForm(*this);
        client_ = top_;
        top_->setFixedSize(client);
        if (window_.left > 0 || window_.top > 0) top_->move(window_.left, window_.top);
    }
    top_->setFont(font_);
    if (window_.backColour) {
        QPalette pal = top_->palette();
        pal.setColor(QPalette::Window, ToQColor(*window_.backColour));
        top_->setPalette(pal);
        client_->setPalette(pal);
        client_->setAutoFillBackground(true);
    }
    for (const auto& c : window_.Controls()) BuildControl(*c, client_);
    // Group boxes frame their controls from behind, whatever their place in the template.
    for (const auto& b : bound_)
        if (b->control->kind == ui::Kind::GroupBox) b->widget->lower();
    Refresh();
}

namespace {

// One builder and one refresher per kind of control. A builder makes the widget and sends the
// operator's input to the model through the dispatcher; a refresher brings the widget in line
// with the control's state.
struct KindContext {
    const ui::Window& window;
    const Dispatcher& run;
};

QWidget* BuildButton(const KindContext& k, ui::Control& c, QWidget* client) {
    auto* pb = new QPushButton(client);
    pb->setAutoDefault(k.window.units == ui::Units::DialogUnits);
    if (c.kind == ui::Kind::DefaultButton) pb->setDefault(true);
    QObject::connect(pb, &QPushButton::clicked, pb, [run = k.run, cp = &c] { run([cp] { cp->OperatorClick(); }); });
    return pb;
}

void RefreshButton(const KindContext&, BoundControl& b) {
    auto* pb = static_cast<QPushButton*>(b.widget);
    if (pb->text() != Caption(b.control->text)) pb->setText(Caption(b.control->text));
}

QWidget* BuildEdit(const KindContext& k, ui::Control& c, QWidget* client) {
    ui::Control* cp = &c;
    if (c.multiLine) {
        auto* e = new QPlainTextEdit(client);
        QObject::connect(e, &QPlainTextEdit::textChanged, e, [run = k.run, cp, e] {
            const std::string t = S(e->toPlainText());
            if (t != cp->text) run([cp, t] { cp->OperatorSet(t); });
        });
        return e;
    }
    auto* e = new QLineEdit(client);
    QObject::connect(e, &QLineEdit::textEdited, e, [run = k.run, cp](const QString& t) {
        const std::string s = S(t);
        run([cp, s] { cp->OperatorSet(s); });
    });
    return e;
}

void RefreshEdit(const KindContext&, BoundControl& b) {
    const ui::Control& c = *b.control;
    if (auto* e = qobject_cast<QLineEdit*>(b.widget)) {
        if (e->text() != Q(c.text)) e->setText(Q(c.text));
        e->setReadOnly(c.readOnly);
    } else if (auto* pe = qobject_cast<QPlainTextEdit*>(b.widget)) {
        if (pe->toPlainText() != Q(c.text)) pe->setPlainText(Q(c.text));
        pe->setReadOnly(c.readOnly);
    }
}

// The frame's view: a static that covers the whole client area and scales its map.
bool IsFrameView(const ui::Window& w, const ui::Control& c) {
    return c.kind == ui::Kind::Static && w.isFrame && c.rect.w == 0 && c.rect.h == 0;
}

QWidget* BuildStatic(const KindContext& k, ui::Control& c, QWidget* client) {
    auto* s = new StaticWidget(c, client);
    s->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    s->setWordWrap(c.kind == ui::Kind::Static);
    s->setTextFormat(Qt::PlainText);
    if (k.window.isFrame && c.rect.w == 0 && c.rect.h == 0) {
        s->scaleToFit = true;
        QPalette pal = s->palette();
        pal.setColor(QPalette::Window, Qt::white);  // the window background
        s->setPalette(pal);
        s->setAutoFillBackground(true);
    }
    return s;
}

void RefreshStatic(const KindContext& k, BoundControl& b) {
    const ui::Control& c = *b.control;
    auto* s = static_cast<StaticWidget*>(b.widget);
    if (s->text() != PlainCaption(c.text)) {
        s->setText(PlainCaption(c.text));
        if (c.autoSize) {
            const int width = ToPixels(c.rect, k.window.units).width();
            s->resize(std::max(width, s->fontMetrics().horizontalAdvance(s->text())), s->height());
        }
    }
    if (s->scaleToFit && s->geometry() != s->parentWidget()->rect()) s->setGeometry(s->parentWidget()->rect());
    s->update();  // a handler may have drawn on its surface
}

QWidget* BuildGroupBox(const KindContext&, ui::Control& c, QWidget* client) {
    auto* g = new QGroupBox(client);
    if (c.centred) g->setAlignment(Qt::AlignHCenter);
    return g;
}

void RefreshGroupBox(const KindContext&, BoundControl& b) {
    auto* g = static_cast<QGroupBox*>(b.widget);
    if (g->title() != Caption(b.control->text)) g->setTitle(Caption(b.control->text));
}

// A list row the operator selects, reported once.
QWidget* BuildListBox(const KindContext& k, ui::Control& c, QWidget* client) {
    auto* l = new QListWidget(client);
    l->setSelectionMode(QAbstractItemView::SingleSelection);
    QObject::connect(l, &QListWidget::currentRowChanged, l, [run = k.run, cp = &c](int row) {
        if (row >= 0 && row != cp->selected) run([cp, row] { cp->OperatorSelect(row); });
    });
    return l;
}

QWidget* BuildCheckListBox(const KindContext& k, ui::Control& c, QWidget* client) {
    auto* l = static_cast<QListWidget*>(BuildListBox(k, c, client));
    QObject::connect(l, &QListWidget::itemChanged, l, [run = k.run, cp = &c, l](QListWidgetItem* item) {
        const int row = l->row(item);
        const bool on = item->checkState() == Qt::Checked;
        if (row >= 0 && on != cp->ItemChecked(row)) run([cp, row, on] { cp->OperatorCheck(row, on); });
    });
    return l;
}

// List boxes and check list boxes.
void RefreshListBox(const KindContext&, BoundControl& b) {
    const ui::Control& c = *b.control;
    auto* l = static_cast<QListWidget*>(b.widget);
    const bool checks = c.kind == ui::Kind::CheckListBox;
    if (!b.built || b.items != c.items) {
        l->clear();
        for (size_t i = 0; i < c.items.size(); ++i) {
            auto* item = new QListWidgetItem(Q(c.items[i]), l);
            if (!checks) continue;
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            // An item without a state of its own shows no box and ignores clicks.
            item->setCheckState(c.ItemChecked(int(i)) ? Qt::Checked : Qt::Unchecked);
        }
        b.items = c.items;
        b.built = true;
    }
    if (checks)
        for (int i = 0; i < l->count(); ++i) {
            const Qt::CheckState want = c.ItemChecked(i) ? Qt::Checked : Qt::Unchecked;
            if (l->item(i)->checkState() != want) l->item(i)->setCheckState(want);
        }
    if (l->currentRow() != c.selected) l->setCurrentRow(c.selected);
}

QWidget* BuildComboBox(const KindContext& k, ui::Control& c, QWidget* client) {
    ui::Control* cp = &c;
    auto* cb = new QComboBox(client);
    cb->setEditable(c.editable);
    cb->setInsertPolicy(QComboBox::NoInsert);
    QObject::connect(cb, &QComboBox::activated, cb, [run = k.run, cp](int row) {
        if (row >= 0) run([cp, row] { cp->OperatorSelect(row); });
    });
    if (c.editable) {
        QObject::connect(cb->lineEdit(), &QLineEdit::textEdited, cb, [run = k.run, cp](const QString& t) {
            const std::string s = S(t);
            run([cp, s] { cp->OperatorSet(s); });
        });
    }
    return cb;
}

void RefreshComboBox(const KindContext&, BoundControl& b) {
    const ui::Control& c = *b.control;
    auto* cb = static_cast<QComboBox*>(b.widget);
    if (!b.built || b.items != c.items) {
        cb->clear();
        for (const auto& it : c.items) cb->addItem(Q(it));
        b.items = c.items;
        b.built = true;
    }
    if (cb->currentIndex() != c.selected) cb->setCurrentIndex(c.selected);
    if (c.editable && cb->currentText() != Q(c.text)) cb->setEditText(Q(c.text));
}

QWidget* BuildCheckBox(const KindContext& k, ui::Control& c, QWidget* client) {
    auto* ch = new QCheckBox(client);
    QObject::connect(ch, &QCheckBox::clicked, ch, [run = k.run, cp = &c] { run([cp] { cp->OperatorClick(); }); });
    return ch;
}

void RefreshCheckBox(const KindContext&, BoundControl& b) {
    const ui::Control& c = *b.control;
    auto* ch = static_cast<QCheckBox*>(b.widget);
    if (ch->text() != Caption(c.text)) ch->setText(Caption(c.text));
    if (ch->isChecked() != c.checked) ch->setChecked(c.checked);
}

QWidget* BuildTrackbar(const KindContext& k, ui::Control& c, QWidget* client) {
    auto* s = new QSlider(c.vertical ? Qt::Vertical : Qt::Horizontal, client);
    s->setTickPosition(c.noTicks ? QSlider::NoTicks : QSlider::TicksBelow);
    QObject::connect(s, &QSlider::valueChanged, s, [run = k.run, cp = &c](int v) {
        if (v != cp->pos) run([cp, v] { cp->OperatorSet(std::to_string(v)); });
    });
    return s;
}

void RefreshTrackbar(const KindContext&, BoundControl& b) {
    const ui::Control& c = *b.control;
    auto* s = static_cast<QSlider*>(b.widget);
    if (s->minimum() != c.rangeMin || s->maximum() != c.rangeMax) s->setRange(c.rangeMin, c.rangeMax);
    if (s->value() != c.pos) s->setValue(c.pos);
}

QWidget* BuildDriveList(const KindContext& k, ui::Control& c, QWidget* client) {
    auto* cb = new QComboBox(client);
    cb->addItems(DriveRoots());
    QObject::connect(cb, &QComboBox::activated, cb, [run = k.run, cp = &c, cb](int row) {
        const std::string root = S(cb->itemText(row));
        run([cp, root] { cp->OperatorSet(root); });
    });
    return cb;
}

void RefreshDriveList(const KindContext&, BoundControl& b) {
    const ui::Control& c = *b.control;
    auto* cb = static_cast<QComboBox*>(b.widget);
    QStringList roots;
    for (int i = 0; i < cb->count(); ++i) roots << cb->itemText(i);
    const int row = DriveRowOf(roots, c.folder.empty() ? S(QDir::currentPath()) : c.folder);
    if (cb->currentIndex() != row) cb->setCurrentIndex(row);
}

QWidget* BuildFolderList(const KindContext& k, ui::Control& c, QWidget* client) {
    auto* l = new QListWidget(client);
    QObject::connect(l, &QListWidget::itemActivated, l, [run = k.run, cp = &c](QListWidgetItem* item) {
        const std::string path = S(item->data(Qt::UserRole).toString());
        if (path != cp->folder) run([cp, path] { cp->OperatorSet(path); });
    });
    return l;
}

void RefreshFolderList(const KindContext&, BoundControl& b) {
    const ui::Control& c = *b.control;
    auto* l = static_cast<QListWidget*>(b.widget);
    if (b.built && b.folder == c.folder) return;
    l->clear();
    const std::string shown = c.folder.empty() ? S(QDir::currentPath()) : c.folder;
    int current = 0;
    const auto rows = FolderRows(shown);
    for (size_t i = 0; i < rows.size(); ++i) {
        auto* item = new QListWidgetItem(rows[i].label, l);
        item->setData(Qt::UserRole, rows[i].path);
        if (rows[i].path == QDir::cleanPath(Q(shown))) current = int(i);
    }
    l->setCurrentRow(current);
    b.folder = c.folder;
    b.built = true;
}

struct KindView {
    QWidget* (*build)(const KindContext&, ui::Control&, QWidget* client);
    void (*refresh)(const KindContext&, BoundControl&);
};

KindView ViewOfKind(ui::Kind kind) {
    switch (kind) {
    case ui::Kind::Button:
    case ui::Kind::DefaultButton: return {BuildButton, RefreshButton};
    case ui::Kind::Edit: return {BuildEdit, RefreshEdit};
    case ui::Kind::Static:
    case ui::Kind::Label: return {BuildStatic, RefreshStatic};
    case ui::Kind::GroupBox: return {BuildGroupBox, RefreshGroupBox};
    case ui::Kind::ListBox: return {BuildListBox, RefreshListBox};
    case ui::Kind::CheckListBox: return {BuildCheckListBox, RefreshListBox};
    case ui::Kind::ComboBox: return {BuildComboBox, RefreshComboBox};
    case ui::Kind::CheckBox: return {BuildCheckBox, RefreshCheckBox};
    case ui::Kind::Trackbar: return {BuildTrackbar, RefreshTrackbar};
    case ui::Kind::DriveList: return {BuildDriveList, RefreshDriveList};
    case ui::Kind::FolderList: return {BuildFolderList, RefreshFolderList};
    }
    return {nullptr, nullptr};
}

}  // namespace

void WindowView::BuildControl(ui::Control& c, QWidget* client) {
    const KindView kind = ViewOfKind(c.kind);
    if (!kind.build) return;
    QWidget* w = kind.build(KindContext{window_, dispatch_}, c, client);
    w->setFont(FontOf(c));
    ApplyColours(w, c);
    QRect g = ToPixels(c.rect, window_.units);
    if (IsFrameView(window_, c)) {
        // the view follows the frame's client area
        w->setGeometry(client->rect());
        client->installEventFilter(w);  // see StaticWidget::eventFilter
    } else {
        if (c.kind == ui::Kind::ComboBox || c.kind == ui::Kind::DriveList) {
            // a template gives a combo box its dropped-down height; the closed box is one row
            g.setHeight(std::min(g.height() > 0 ? g.height() : 1000, w->sizeHint().height()));
        }
        w->setGeometry(g);
    }
    auto b = std::make_unique<BoundControl>();
    b->control = &c;
    b->widget = w;
    bound_.push_back(std::move(b));
}

void WindowView::Refresh() {
    if (top_->windowTitle() != Q(window_.caption)) top_->setWindowTitle(Q(window_.caption));
    for (auto& b : bound_) RefreshControl(*b);
    if (frame_) RefreshFrame();
}

void WindowView::RefreshControl(BoundControl& b) {
    ui::Control& c = *b.control;
    QWidget* w = b.widget;
    QSignalBlocker block(w);
    if (w->isVisibleTo(w->parentWidget()) != c.visible) w->setVisible(c.visible);
    if (w->isEnabled() != c.enabled) w->setEnabled(c.enabled);
    ViewOfKind(c.kind).refresh(KindContext{window_, dispatch_}, b);
}

void WindowView::BuildMenu() {
    QMenuBar* bar = frame_->menuBar();
    bar->clear();
    if (!window_.menu) return;
    std::function<void(QMenu*, const std::vector<ui::MenuItem>&)> fill = [&](QMenu* menu,
                                                                         const std::vector<ui::MenuItem>& items) {
        for (const auto& it : items) {
            if (it.IsSeparator()) {
                menu->addSeparator();
            } else if (it.IsPopup()) {
                QMenu* sub = menu->addMenu(Caption(it.text));
                fill(sub, it.children);
            } else {
                QAction* a = menu->addAction(Caption(it.text));
                const int id = it.id;
                a->setData(id);
                QObject::connect(a, &QAction::triggered, a, [this, id] {
                    Run([this, id] { window_.RunCommand(id); });
                });
                QObject::connect(a, &QAction::hovered, a, [this, id] {
                    prompt_ = window_.CommandPrompt(id);
                    if (messagePane_) messagePane_->setText(Q(prompt_.empty() ? window_.statusBar->idleText : prompt_));
                });
            }
        }
        QObject::connect(menu, &QMenu::aboutToShow, menu, [this, menu] {
            for (QAction* a : menu->actions()) {
                if (!a->data().isValid()) continue;
                const int id = a->data().toInt();
                a->setEnabled(window_.CommandEnabled(id));
                const bool checked = window_.CommandChecked(id);
                a->setCheckable(checked || a->isCheckable());
                a->setChecked(checked);
            }
        });
        QObject::connect(menu, &QMenu::aboutToHide, menu, [this] {
            prompt_.clear();
            RefreshFrame();
        });
    };
    for (const auto& top : window_.menu->items) {
        if (top.IsPopup()) {
            QMenu* m = bar->addMenu(Caption(top.text));
            fill(m, top.children);
        } else if (!top.IsSeparator()) {
            QAction* a = bar->addAction(Caption(top.text));
            const int id = top.id;
            a->setData(id);
            QObject::connect(a, &QAction::triggered, a, [this, id] { Run([this, id] { window_.RunCommand(id); }); });
        }
    }
}

void WindowView::BuildToolBar() {
    if (toolBar_) {
        frame_->removeToolBar(toolBar_);
        toolBar_->hide();
        // Later: the command that changed the bar may have come from one of its buttons.
        toolBar_->deleteLater();
        toolBar_ = nullptr;
    }
    if (!window_.toolBar) return;
    const ui::ToolBar& tb = *window_.toolBar;
    toolBar_ = new QToolBar(frame_);
    toolBar_->setObjectName(QString::number(tb.id));
    toolBar_->setMovable(tb.gripper);
    toolBar_->setFloatable(false);
    Qt::ToolBarAreas areas;
    if (tb.allowedDocks & 1u) areas |= Qt::TopToolBarArea;
    if (tb.allowedDocks & 2u) areas |= Qt::BottomToolBarArea;
    if (tb.allowedDocks & 4u) areas |= Qt::LeftToolBarArea;
    if (tb.allowedDocks & 8u) areas |= Qt::RightToolBarArea;
    toolBar_->setAllowedAreas(areas ? areas : Qt::TopToolBarArea);
    toolBar_->setToolButtonStyle(Qt::ToolButtonTextOnly);
    for (int id : tb.buttons) {
        if (id == 0) {
            toolBar_->addSeparator();
            continue;
        }
        // The original bitmaps are not part of the system: the button shows its command's text.
        const ui::MenuItem* item = window_.menu ? window_.menu->Find(id) : nullptr;
        const std::string prompt = window_.CommandPrompt(id);
        QString text = item ? PlainCaption(item->text) : Q(prompt);
        if (text.isEmpty()) text = QString::number(id);
        QAction* a = toolBar_->addAction(text);
        a->setData(id);
        a->setToolTip(Q(prompt.empty() ? S(text) : prompt));
        QObject::connect(a, &QAction::triggered, a, [this, id] { Run([this, id] { window_.RunCommand(id); }); });
    }
    Qt::ToolBarArea area = Qt::TopToolBarArea;
    switch (tb.dock) {
    case ui::ToolBar::Dock::Bottom: area = Qt::BottomToolBarArea; break;
    case ui::ToolBar::Dock::Left: area = Qt::LeftToolBarArea; break;
    case ui::ToolBar::Dock::Right: area = Qt::RightToolBarArea; break;
    default: break;
    }
    frame_->addToolBar(area, toolBar_);
}

void WindowView::RefreshFrame() {
    const std::string menuShape = window_.menu ? MenuShape(window_.menu->items) : std::string("-");
    if (menuShape != menuShape_) {
        BuildMenu();
        menuShape_ = menuShape;
    }
    std::string tbShape = "-";
    if (window_.toolBar) {
        tbShape = std::to_string(window_.toolBar->resourceId) + ":";
        for (int id : window_.toolBar->buttons) tbShape += std::to_string(id) + ",";
    }
    if (tbShape != toolBarShape_) {
        BuildToolBar();
        toolBarShape_ = tbShape;
    }
    if (toolBar_) {
        toolBar_->setVisible(window_.toolBar->visible);
        for (QAction* a : toolBar_->actions())
            if (a->data().isValid()) a->setEnabled(window_.CommandEnabled(a->data().toInt()));
    }
    QStatusBar* sb = frame_->statusBar();
    if (window_.statusBar) {
        const ui::StatusBar& st = *window_.statusBar;
        sb->setVisible(st.visible);
        if (prompt_.empty()) messagePane_->setText(Q(st.message.empty() ? st.idleText : st.message));
        const size_t want = st.panes.size() > 0 ? st.panes.size() - 1 : 0;
        if (indicatorPanes_.size() != want) {
            for (QLabel* l : indicatorPanes_) delete l;
            indicatorPanes_.clear();
            for (size_t i = 1; i < st.panes.size(); ++i) {
                auto* l = new QLabel(sb);
                l->setFrameShape(QFrame::Panel);
                l->setFrameShadow(QFrame::Sunken);
                sb->addPermanentWidget(l);
                indicatorPanes_.push_back(l);
            }
        }
        for (size_t i = 1; i < st.panes.size(); ++i) indicatorPanes_[i - 1]->setText(Q(st.panes[i]));
    } else {
        sb->setVisible(false);
    }
}

void WindowView::OperatorClose() {
    Run([this] { window_.OnClose(); });
}

void WindowView::OperatorEscape() {
    // Esc is the dialog's Cancel command; forms have no such key.
    if (window_.units != ui::Units::DialogUnits) return;
    Run([this] {
        if (ui::Control* cancel = window_.Find(ui::kCancel); cancel && cancel->IsButton()) {
            if (cancel->visible && cancel->enabled) cancel->OperatorClick();
        } else {
            window_.OnCancel();
        }
    });
}

}  // namespace rice::qtui
