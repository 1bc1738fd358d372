#pragma once
// The parameter-file dialogs of the Bayesian tools: pick files, type or choose a few values,
// and on "執行" write the parameter file into the current folder and run the outside program.
// The four share one shape; their tables (ParamDialogSpecs.h) hold what differs.
#include <string>
#include <vector>

#include "platform/ui/window.h"
#include "workbench/dialogs/ParamDialogSpecs.h"

namespace rice {

class CParamFileDlg : public ui::Window {
public:
    explicit CParamFileDlg(const ParamDialogSpec& spec);

    void DoDataExchange(ui::DataExchange& dx) override;
    void OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

    // The bare name a file input holds ("" when unset), by its index in the table.
    const std::string& StoredName(int input) const { return names_[static_cast<size_t>(input)]; }
    const ParamDialogSpec& Spec() const { return spec_; }

protected:
    // The browse steps of input `input`: empty it, show its picker, keep the bare name.
    void Browse(int input);
    // Group-box caption colour and font (dialogs that colour their group boxes).
    void OnCtlColor(ui::Control& c);

private:
    std::string ValueOf(int input);

    const ParamDialogSpec& spec_;
    std::vector<std::string> names_;  // one per input; only file inputs use theirs
};

class CDravikDlg : public CParamFileDlg {
public:
    CDravikDlg();
    void OnBnClickedOpenPeriod1() { Browse(0); }
    void OnBnClickedOpenPeriod2() { Browse(1); }
    void OnBnClickedOpenPeriod3() { Browse(2); }
    void OnBnClickedOpenProbability() { Browse(3); }
    void OnBnClickedSaveResult() { Browse(4); }
};

class CTolvexDlg : public CParamFileDlg {
public:
    CTolvexDlg();
    void OnBnClickedOpenNdvi() { Browse(0); }
    void OnBnClickedOpenCulture() { Browse(1); }
    void OnBnClickedOpenNdviImage() { Browse(2); }
    void OnBnClickedSaveFrequency() { Browse(3); }
    void OnBnClickedSaveNdviStats() { Browse(4); }
};

class CKappaDlg : public CParamFileDlg {
public:
    CKappaDlg();
    void OnBnClickedOpenData() { Browse(0); }
    void OnBnClickedSaveReport() { Browse(1); }
};

class CYarnelDlg : public CParamFileDlg {
public:
    CYarnelDlg();
    void OnBnClickedOpenIds() { Browse(0); }
    void OnBnClickedOpenCulture() { Browse(1); }
    void OnBnClickedOpenNdviValues() { Browse(2); }
    void OnBnClickedOpenNdviImage() { Browse(3); }
    void OnBnClickedSaveResult() { Browse(4); }
};

// The group-box colouring shared with the vector-to-raster dialog.
void ColourGroupBox(ui::Control& c);

}  // namespace rice
