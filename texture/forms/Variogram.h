#pragma once
// The variogram form: up to four band grids, their size, the window, h, the number format,
// the directions, and the bands or band pairs of each of the four statistics. Its fields are
// kept in "variogram.cfg" in the start-up folder: loaded when the form is made, saved at every
// close.
#include <cstdint>
#include <string>

#include "texture/forms/moving_window_form.h"

namespace tex {

inline constexpr char kSettingsFile[] = "variogram.cfg";
inline constexpr std::uint64_t kMaxSettingsFileBytes = std::uint64_t{256} << 10;

class TFORM_VARIOGRAM : public MovingWindowForm {
public:
    TFORM_VARIOGRAM();

    void BtnFilenameClick(int band);  // BtnFilename1Click ... BtnFilename4Click
    void BtnPathOpenClick();
    void CheckBox_MethodClick(int method);  // the four method boxes enable their lists
    void BtnExeClick();
    void BtnExitClick();
    void FormCreate();
    void FormClose();
    void OnClose() override { BtnExitClick(); }

    // The settings text as FormClose writes it (UTF-8, CR LF lines).
    std::string SettingsText();
    // Applies a settings text (lines with LF or CR LF).
    void LoadSettings(const std::string& text);

    OpenDialog OpenDialog1, OpenDialog2, OpenDialog3, OpenDialog4;

private:
    OpenDialog& DialogOf(int band);
};

}  // namespace tex
