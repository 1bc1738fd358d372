#pragma once
// The four parameter-file dialogs differ only in these tables: their inputs, complaints,
// parameter-file lines and commands. No window model here.
#include <string>
#include <vector>

namespace rice {

struct ParamInput {
    enum Kind { OpenFile, SaveFile, Value, Choice };
    Kind kind;
    int editId;                // edit box (combo box for a choice)
    int buttonId = 0;          // browse button; 0 for typed values and the choice
    std::string buttonCaption{};
    std::string defaultExt{};
    std::string filter{};
    std::string label{};       // label beside a typed value
    std::string complaint;     // appended when the input is empty
};

struct ParamGroup {
    int id;  // 0: no control id
    std::string caption;
    std::vector<int> inputs;  // indexes into ParamDialogSpec::inputs that it frames
};

// One line of the parameter file: an input's value or a literal.
struct ParamLine {
    int input;            // index into inputs, or -1
    std::string literal{};  // used when input is -1
};

struct ParamDialogSpec {
    int resourceId;
    std::string title;
    std::string fontName;
    int fontPoints;
    std::vector<ParamInput> inputs;   // top to bottom
    std::vector<int> complaintOrder;  // indexes into inputs
    bool complaintLineBreaks;         // each complaint ends with "\n"
    std::vector<ParamGroup> groups;
    std::vector<int> colouredGroupIds{};
    std::vector<std::string> choiceItems{};  // the items of a choice, from the resource
    std::string paramFile;
    std::vector<ParamLine> lines;
    std::vector<std::string> commands;
};

const ParamDialogSpec& DravikSpec();
const ParamDialogSpec& TolvexSpec();
const ParamDialogSpec& KappaSpec();
const ParamDialogSpec& YarnelSpec();

// Group-box caption colour and font of the coloured dialogs.
inline constexpr int kGroupTextRed = 58, kGroupTextGreen = 74, kGroupTextBlue = 226;
inline constexpr int kGroupFontHeight = 12;
inline constexpr const char* kGroupFontFace = "新細明體";

}  // namespace rice
