#include "platform/qt/fonts.h"

#include <QFontDatabase>
#include <QStringList>

namespace rice::qtui {

namespace {

QStringList CjkCandidates() {
    return {"WenQuanYi Micro Hei", "Noto Sans CJK TC", "Noto Sans TC", "Noto Sans CJK SC",
            "AR PL UMing TW", "Droid Sans Fallback"};
}

// Windows faces and the nearest Debian family.
QString LatinFamilyFor(const QString& face) {
    const QString f = face.toLower();
    // The old bitmap face is narrow: the CJK family's own Latin letters come closest to it.
    if (f == "ms sans serif") return {};
    if (f.isEmpty() || f == "ms shell dlg" || f == "ms shell dlg 2" ||
        f == "microsoft sans serif" || f == "tahoma" || f == "arial" || f == "calibri")
        return "DejaVu Sans";
    if (f == "times new roman") return "DejaVu Serif";
    if (f == "courier new") return "DejaVu Sans Mono";
    return {};  // a CJK face: the CJK family alone
}

}  // namespace

QString CjkFamily() {
    static const QString family = [] {
        const QStringList have = QFontDatabase::families();
        for (const QString& c : CjkCandidates())
            if (have.contains(c)) return c;
        return QString();
    }();
    return family;
}

void InstallFontFallbacks() {
    static bool done = false;
    if (done) return;
    done = true;
    const QString cjk = CjkFamily();
    if (cjk.isEmpty()) return;
    for (const char* face : {"新細明體", "細明體", "標楷體", "PMingLiU", "MingLiU", "DFKai-SB"})
        QFont::insertSubstitution(QString::fromUtf8(face), cjk);
}

QFont TemplateFont(const std::string& face, double points, bool bold) {
    InstallFontFallbacks();
    const QString qface = QString::fromStdString(face);
    QStringList families;
    const QString latin = LatinFamilyFor(qface);
    if (!latin.isEmpty()) families << latin;
    if (!CjkFamily().isEmpty()) families << CjkFamily();
    if (families.isEmpty()) families << qface;
    QFont font;
    font.setFamilies(families);
    // Sizes in pixels of the 96-dpi layout, so text fits the controls whatever the screen.
    font.setPixelSize(qMax(1, static_cast<int>(((points > 0 ? points : 8.0) * 96.0 / 72.0) + 0.5)));
    font.setBold(bold);
    return font;
}

}  // namespace rice::qtui
