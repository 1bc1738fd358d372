#pragma once
// Between the window model's values and Qt's: text (UTF-8 both ways) and colours.
#include <QColor>
#include <QString>
#include <string>

#include "platform/ui/window.h"

namespace rice::qtui {

inline QString Q(const std::string& s) { return QString::fromStdString(s); }
inline std::string S(const QString& s) { return s.toStdString(); }
// The model's colours are 0x00BBGGRR.
inline QColor ToQColor(ui::Colour c) { return QColor(int(c & 255), int((c >> 8) & 255), int((c >> 16) & 255)); }

}  // namespace rice::qtui
