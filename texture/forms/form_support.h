#pragma once
// What the texture tool's forms share: the form library's behaviour the forms rely on
// (change and click events on programmatic changes, open dialogs that remember their file
// name, integer conversion with its error), the application's error report, and the
// information boxes of the tool.
#include <functional>
#include <stdexcept>
#include <string>

#include "platform/core/message_sink.h"
#include "platform/ui/window.h"

namespace tex {

inline constexpr char kProgramTitle[] = "main";

// The form library's conversion error of a typed number.
struct ConvertError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Decimal integer of a control's text (leading blanks and a sign allowed, 32-bit range);
// throws ConvertError "'TEXT' is not a valid integer value" otherwise.
int StrToInt(const std::string& text);

// A modal information box with one OK button, captioned with the program's title.
void Info(const std::string& text);

// Library messages shown as information boxes.
class InfoSink : public rice::MessageSink {
public:
    void ShowMessage(const std::string& text) override { Info(text); }
};

// The application's error report for an exception that escaped an event handler.
void ShowException(const std::exception& e);

// Wraps an event handler: an exception escaping it is reported and the message loop goes on.
std::function<void()> Handler(std::function<void()> body);

// Setting an edit's text fires its change event, as the form library does.
void SetEditText(ui::Control& edit, const std::string& text);
// Setting a check box fires its click event when, and only when, its state changes.
void SetChecked(ui::Control& box, bool on);

// An open-file dialog: keeps its file name between uses, empty before the first choice.
struct OpenDialog {
    std::string FileName;
    std::string InitialDir;  // "" = the current folder
    // True when a file was chosen (FileName then holds it); a cancel keeps FileName.
    bool Execute();
};

// Control maker for the forms' templates (positions in form pixels).
ui::Control Make(ui::Kind kind, const std::string& name, const std::string& text, ui::Rect rect);

// Output folder with the separator appended when it does not end with one.
std::string WithSeparator(const std::string& folder);

// Limits that the texture library asserts: the forms refuse values beyond them first.
// True when a width x height image can be held (at least 3 x 3, within memory).
bool ImageSizeOk(int width, int height);
// True when decimals can be used for a number format.
bool DecimalsOk(int decimals);
// The image size typed in the form's "Edit_Image_Width" and "Edit_Image_Height": false, after
// telling the operator, when either is blank, not a number or out of bounds.
bool ReadImageSize(ui::Window& form, int& width, int& height);

// Texts of the refusals that the forms add in front of the library's assertions.
inline constexpr char kImageSizeError[] = " image 大小 錯誤";
inline constexpr char kImageSizeBlank[] = " image 大小為空白";
inline constexpr char kDecimalsError[] = "小數點後幾位必須在 0 到 15 之間";

}  // namespace tex
