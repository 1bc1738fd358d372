#include "desktop/catalogue.h"

#include "covertool/form/form1.h"
#include "platform/ui/ui.h"
#include "workbench/app/KorvaneApp.h"
#include "workbench/app/KorvaneView.h"
#include "workbench/app/MainFrame.h"
#include "workbench/app/resource.h"
#include "texture/forms/Cross_diagonal.h"
#include "texture/forms/Fractal.h"
#include "texture/forms/Gis.h"
#include "texture/forms/Glcm.h"
#include "texture/forms/Openpath.h"
#include "texture/forms/Variogram.h"
#include "workbench/dialogs/BatchMLDlg.h"
#include "workbench/dialogs/CML.h"
#include "workbench/dialogs/ConvertDlg.h"
#include "workbench/dialogs/MergeClsInfoDlg.h"
#include "workbench/dialogs/OverlapDlg.h"
#include "workbench/dialogs/ParamFileDlg.h"
#include "workbench/dialogs/ReNameDlg.h"
#include "workbench/dialogs/RuskelDlg.h"
#include "workbench/doc/KorvaneDoc.h"

namespace rice::qtui {

namespace {

template <class W>
std::shared_ptr<ui::Window> Plain() {
    return std::make_shared<W>();
}

// The workbench's frame with its document and view, created as the application creates it.
struct Workbench {
    CKorvaneDoc doc;
    CKorvaneView view{&doc};
    CMainFrame frame{doc, view};
    Workbench() {
        ui::SetAppTitle(CKorvaneApp::kTitle);
        frame.PreCreateWindow();
        frame.OnCreate();
        frame.maximised = true;
    }
};

enum class Method { None, MaximumLikelihood, Bayesian };

std::function<std::shared_ptr<ui::Window>()> Frame(Method method) {
    return [method] {
        auto w = std::make_shared<Workbench>();
        if (method == Method::Bayesian) w->frame.OnChooseBayesian();
        if (method == Method::MaximumLikelihood) {
            // the menu and toolbar the choice installs, without its question and process starts
            w->frame.menu = CMainFrame::MaximumLikelihoodMenu();
            ui::ToolBar bar;
            bar.id = ID_VIEW_TOOLBAR;
            bar.resourceId = IDR_ML_TOOLBAR;
            bar.flat = bar.gripper = bar.tooltips = bar.flyBy = true;
            bar.allowedDocks = 1;
            CMainFrame::LoadToolBar(IDR_ML_TOOLBAR, bar.buttons);
            w->frame.toolBar = bar;
        }
        return std::shared_ptr<ui::Window>(w, &w->frame);
    };
}

}  // namespace

const std::vector<CatalogueEntry>& Catalogue() {
    static const std::vector<CatalogueEntry> entries = [] {
        std::vector<CatalogueEntry> e;
        e.push_back({"Korvane", "CMainFrame", Frame(Method::None)});
        e.push_back({"Korvane", "CMainFrame-ML", Frame(Method::MaximumLikelihood)});
        e.push_back({"Korvane", "CMainFrame-Bayes", Frame(Method::Bayesian)});
        e.push_back({"Korvane", "CAboutDlg", Plain<CAboutDlg>});
        e.push_back({"Korvane", "CConvertDlg", Plain<CConvertDlg>});
        e.push_back({"Korvane", "CMergeClsInfoDlg", Plain<CMergeClsInfoDlg>});
        e.push_back({"Korvane", "CBatchMLDlg", Plain<CBatchMLDlg>});
        e.push_back({"Korvane", "CML", Plain<CML>});
        e.push_back({"Korvane", "COverlapDlg", Plain<COverlapDlg>});
        e.push_back({"Korvane", "CDravikDlg", Plain<CDravikDlg>});
        e.push_back({"Korvane", "CTolvexDlg", Plain<CTolvexDlg>});
        e.push_back({"Korvane", "CKappaDlg", Plain<CKappaDlg>});
        e.push_back({"Korvane", "CYarnelDlg", Plain<CYarnelDlg>});
        e.push_back({"Korvane", "CRuskelDlg", Plain<CRuskelDlg>});
        e.push_back({"Korvane", "CReNameDlg", Plain<CReNameDlg>});
        e.push_back({"main", "TForm1", Plain<tex::TForm1>});
        e.push_back({"main", "TFORM_VARIOGRAM", Plain<tex::TFORM_VARIOGRAM>});
        e.push_back({"main", "TFORM_FRACTAL", Plain<tex::TFORM_FRACTAL>});
        e.push_back({"main", "TFORM_Openpath", Plain<tex::TFORM_Openpath>});
        e.push_back({"main", "TFORM_GLCM", Plain<tex::TFORM_GLCM>});
        e.push_back({"main", "TFORM_CROSS_DIAGONAL", Plain<tex::TFORM_CROSS_DIAGONAL>});
        e.push_back({"Tessmar", "Form1", Plain<cover::Form1>});
        return e;
    }();
    return entries;
}

}  // namespace rice::qtui
