// The Bayesian tools' launchers: each shows its dialog modally; the dialog's own OK does the
// work, and the result is not looked at.
#include "platform/ui/ui.h"
#include "workbench/dialogs/ParamFileDlg.h"
#include "workbench/dialogs/ReNameDlg.h"
#include "workbench/dialogs/RuskelDlg.h"
#include "workbench/doc/KorvaneDoc.h"

namespace {

template <class Dialog>
void ShowModal() {
    Dialog dlg;
    ui::DoModal(dlg);
}

}  // namespace

void CKorvaneDoc::OnReName() { ShowModal<rice::CReNameDlg>(); }
void CKorvaneDoc::OnRuskel() { ShowModal<rice::CRuskelDlg>(); }
void CKorvaneDoc::OnTolvex() { ShowModal<rice::CTolvexDlg>(); }
void CKorvaneDoc::OnYarnel() { ShowModal<rice::CYarnelDlg>(); }
void CKorvaneDoc::OnDravik() { ShowModal<rice::CDravikDlg>(); }
void CKorvaneDoc::OnKappa() { ShowModal<rice::CKappaDlg>(); }
