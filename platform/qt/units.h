#pragma once
// Templates give positions in three units: dialog units (workbench dialogs), form pixels
// (texture tool) and twips (cover tool). All become screen pixels of a 96-dpi desktop here,
// the resolution the templates were laid out for, so every window keeps its proportions.
#include <cmath>

namespace rice::qtui {

// Dialog base units of the dialogs' 8-point font: a character cell of 6 x 13 pixels, of
// which a dialog unit is a quarter across and an eighth down.
inline constexpr int kDialogBaseX = 6;
inline constexpr int kDialogBaseY = 13;
inline constexpr int kTwipsPerPixel = 15;  // 1440 twips per inch at 96 pixels per inch

// Half away from zero, as the dialog manager rounds.
inline int RoundDiv(long long num, long long den) {
    long long q = (num >= 0 ? num + den / 2 : num - den / 2) / den;
    return static_cast<int>(q);
}

inline int DluToPixelsX(int dlu) { return RoundDiv(static_cast<long long>(dlu) * kDialogBaseX, 4); }
inline int DluToPixelsY(int dlu) { return RoundDiv(static_cast<long long>(dlu) * kDialogBaseY, 8); }
inline int TwipsToPixels(int twips) { return RoundDiv(twips, kTwipsPerPixel); }

// Points to pixels at 96 dpi (the cover tool's 14.25 points stay fractional until here).
inline int PointsToPixels(double points) { return static_cast<int>(std::lround(points * 96.0 / 72.0)); }

}  // namespace rice::qtui
