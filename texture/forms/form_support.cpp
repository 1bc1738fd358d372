#include "texture/forms/form_support.h"

#include <cerrno>
#include <cstdlib>
#include <climits>

#include "platform/core/paths.h"
#include "platform/ui/ui.h"
#include "texture/lib/matrix.h"

namespace tex {

int StrToInt(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    size_t start = i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    size_t digits = i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
    if (i == digits || i != text.size())
        throw ConvertError("'" + text + "' is not a valid integer value");
    errno = 0;
    long long v = std::strtoll(text.c_str() + start, nullptr, 10);
    if (errno == ERANGE || v < INT_MIN || v > INT_MAX)
        throw ConvertError("'" + text + "' is not a valid integer value");
    return static_cast<int>(v);
}

void Info(const std::string& text) {
    ui::Current().MessageBox(text, ui::AppTitle(), ui::Buttons::Ok, ui::Icon::Information);
}

void ShowException(const std::exception& e) {
    ui::Current().MessageBox(e.what(), ui::AppTitle(), ui::Buttons::Ok, ui::Icon::Error);
}

std::function<void()> Handler(std::function<void()> body) {
    return [body = std::move(body)] {
        try {
            body();
        } catch (const std::exception& e) {
            ShowException(e);
        }
    };
}

void SetEditText(ui::Control& edit, const std::string& text) {
    edit.SetText(text);
    if (edit.onChange) edit.onChange();
}

void SetChecked(ui::Control& box, bool on) {
    if (box.checked == on) return;
    box.checked = on;
    if (box.onClick) box.onClick();
}

bool OpenDialog::Execute() {
    ui::FileRequest r;
    r.initialName = FileName;
    r.initialFolder = InitialDir;
    std::vector<std::string> chosen = ui::Current().OpenFile(r);
    if (chosen.empty()) return false;
    FileName = chosen.front();
    return true;
}

ui::Control Make(ui::Kind kind, const std::string& name, const std::string& text, ui::Rect rect) {
    ui::Control c;
    c.kind = kind;
    c.name = name;
    c.text = text;
    c.rect = rect;
    if (kind == ui::Kind::ComboBox) c.editable = true;
    if (kind == ui::Kind::Label) c.autoSize = true;  // the forms' labels grow to their text
    return c;
}

std::string WithSeparator(const std::string& folder) {
    if (!folder.empty() && folder.back() == rice::kSep) return folder;
    return folder + rice::kSep;
}

bool ImageSizeOk(int width, int height) {
    return width >= 3 && height >= 3 &&
           std::uint64_t(width) * std::uint64_t(height) <= rice::kMaxMatrixCells;
}

bool ReadImageSize(ui::Window& form, int& width, int& height) {
    const std::string& widthText = form.Item("Edit_Image_Width").text;
    const std::string& heightText = form.Item("Edit_Image_Height").text;
    if (widthText.empty() || heightText.empty()) {
        Info(kImageSizeBlank);
        return false;
    }
    try {
        width = StrToInt(widthText);
        height = StrToInt(heightText);
    } catch (const ConvertError&) {
        Info(kImageSizeError);
        return false;
    }
    if (!ImageSizeOk(width, height)) {
        Info(kImageSizeError);
        return false;
    }
    return true;
}

bool DecimalsOk(int decimals) { return decimals >= 0 && decimals <= 15; }

}  // namespace tex
