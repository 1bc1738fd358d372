#pragma once
// Fonts the templates name, mapped onto what a Debian desktop has. Every font carries a CJK
// fallback so that the Traditional Chinese captions show whatever the face.
#include <QFont>
#include <QString>
#include <string>

namespace rice::qtui {

// face: the template's face name ("MS Shell Dlg", "標楷體", ...; empty for the default);
// points: size in points (0 for the default 8 points).
QFont TemplateFont(const std::string& face, double points, bool bold = false);

// Registers the substitutions once per application (idempotent).
void InstallFontFallbacks();

// The CJK family the project's setup installs, or an empty string when none is found.
QString CjkFamily();

}  // namespace rice::qtui
