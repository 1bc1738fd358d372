#include "workbench/app/MainFrame.h"

#include "platform/core/command.h"
#include "platform/core/exit.h"
#include "platform/ui/ui.h"
#include "workbench/app/KorvaneView.h"
#include "workbench/app/resource.h"
#include "workbench/doc/KorvaneDoc.h"

using ui::Menu;
using ui::MenuItem;

namespace {

std::vector<MenuItem> ToolItems(const std::vector<int>& ids) {
    std::vector<MenuItem> items;
    for (int id : ids) items.push_back(MenuItem::Command(CKorvaneDoc::FindCommand(id)->menuText, id));
    return items;
}

const std::vector<int> kMlTools = {ID_CLASS_INFO_FORMAT, ID_MERGE_CLASS_INFO, ID_THRESHOLD_CALC,
                                   ID_IMAGE_CLASSIFY, ID_OVERLAP};
const std::vector<int> kBayesTools = {ID_RENAME, ID_TESSMAR, ID_RUSKEL, ID_TOLVEX,
                                      ID_YARNEL, ID_DRAVIK, ID_KAPPA};

MenuItem ViewMenu() {
    return MenuItem::Popup("檢視", {MenuItem::Command("工具列", ID_VIEW_TOOLBAR),
                                    MenuItem::Command("狀態列", ID_VIEW_STATUS_BAR)});
}

}  // namespace

Menu CMainFrame::StartupMenu(const std::vector<std::string>& recentFiles) {
    std::vector<MenuItem> file = {
        MenuItem::Popup("選擇分類法", {MenuItem::Command("最大相似法", ID_CHOOSE_ML),
                                       MenuItem::Command("貝氏機率", ID_CHOOSE_BAYES)}),
        MenuItem::Separator(),
    };
    if (recentFiles.empty()) {
        file.push_back(MenuItem::Command("最近使用的檔案", ID_FILE_MRU_FILE1));
    } else {
        for (size_t i = 0; i < recentFiles.size(); ++i)
            file.push_back(MenuItem::Command("&" + std::to_string(i + 1) + " " + recentFiles[i],
                                             ID_FILE_MRU_FILE1 + int(i)));
    }
    file.push_back(MenuItem::Command("結束(&X)", ID_APP_EXIT));
    return Menu{IDR_MAINFRAME,
                {MenuItem::Popup("Main(&M)", file),
                 MenuItem::Popup("檢視(&V)", {MenuItem::Command("狀態列(&S)", ID_VIEW_STATUS_BAR)}),
                 MenuItem::Popup("說明(&H)", {MenuItem::Command("關於 Korvane(&A)...", ID_APP_ABOUT)})}};
}

Menu CMainFrame::MaximumLikelihoodMenu() {
    return Menu{IDR_ML_MENU,
                {MenuItem::Popup("最大相似法", {MenuItem::Command("Exit", ID_APP_EXIT)}),
                 MenuItem::Popup("工具", ToolItems(kMlTools)), ViewMenu()}};
}

Menu CMainFrame::BayesianMenu() {
    return Menu{IDR_BAYES_MENU,
                {MenuItem::Popup("貝氏機率", {MenuItem::Command("Exit", ID_APP_EXIT)}),
                 MenuItem::Popup("工具", ToolItems(kBayesTools)), ViewMenu()}};
}

bool CMainFrame::LoadToolBar(int resourceId, std::vector<int>& buttons) {
    if (resourceId == IDR_ML_TOOLBAR)
        buttons = kMlTools;
    else if (resourceId == IDR_BAYES_TOOLBAR)
        buttons = kBayesTools;
    else
        return false;
    return true;
}

CMainFrame::CMainFrame(CKorvaneDoc& doc, CKorvaneView& view)
    : ui::Window("", 0, 0, ui::Units::Pixels), m_doc(doc), m_view(view) {
    isFrame = true;
    menu = StartupMenu({});
    // The client area shows the view.
    Add(ui::Kind::Static, AFX_IDW_PANE_FIRST, "", {}).surface = view.Surface();
}

bool CMainFrame::PreCreateWindow() {
    caption = ui::AppTitle();
    return true;
}

int CMainFrame::OnCreate() {
    ui::StatusBar bar;
    bar.id = ID_VIEW_STATUS_BAR;
    bar.panes = {"", "CAP", "NUM", "SCRL"};  // message pane, Caps Lock, Num Lock, Scroll Lock
    bar.idleText = "就緒";
    statusBar = bar;
    return 0;
}

void CMainFrame::SetRecentFiles(const std::vector<std::string>& entries) {
    m_recent = entries;
    if (m_state == State::Startup) menu = StartupMenu(m_recent);
}

void CMainFrame::ChooseMethod(int toolBarId, int menuId, State state) {
    ui::ToolBar bar;
    bar.id = ID_VIEW_TOOLBAR;
    bar.flat = true;
    bar.gripper = bar.tooltips = bar.flyBy = true;
    if (!LoadToolBar(toolBarId, bar.buttons)) rice::EndProcess(1);
    bar.resourceId = toolBarId;
    bar.allowedDocks = 1;  // top edge only
    bar.dock = ui::ToolBar::Dock::Top;
    toolBar = bar;
    menu = menuId == IDR_ML_MENU ? MaximumLikelihoodMenu() : BayesianMenu();
    m_state = state;
}

void CMainFrame::OnChooseMaximumLikelihood() {
    ChooseMethod(IDR_ML_TOOLBAR, IDR_ML_MENU, State::MaximumLikelihood);
    int answer = ui::Current().MessageBox("是否先進行紋理影像處理？", "詢問", ui::Buttons::YesNo,
                                          ui::Icon::None);
    if (answer == ui::kYes) rice::System("main");
    rice::System("arcgis.mxd");
}

void CMainFrame::OnChooseBayesian() { ChooseMethod(IDR_BAYES_TOOLBAR, IDR_BAYES_MENU, State::Bayesian); }

bool CMainFrame::OnCommand(int id) {
    switch (id) {
    case ID_CHOOSE_ML:
        if (m_state != State::Startup) return false;
        OnChooseMaximumLikelihood();
        return true;
    case ID_CHOOSE_BAYES:
        if (m_state != State::Startup) return false;
        OnChooseBayesian();
        return true;
    case ID_APP_EXIT:
        OnClose();
        return true;
    case ID_APP_ABOUT:
        if (onAbout) onAbout();
        return true;
    case ID_VIEW_TOOLBAR:
        if (toolBar) toolBar->visible = !toolBar->visible;
        return true;
    case ID_VIEW_STATUS_BAR:
        if (statusBar) statusBar->visible = !statusBar->visible;
        return true;
    default:
        if (id >= ID_FILE_MRU_FILE1 && id < ID_FILE_MRU_FILE1 + int(m_recent.size())) {
            if (onOpenRecent) onOpenRecent(id - ID_FILE_MRU_FILE1);
            return true;
        }
        return m_doc.OnCmdMsg(id);
    }
}

bool CMainFrame::CommandEnabled(int id) const {
    if (id == ID_FILE_MRU_FILE1 && m_recent.empty()) return false;  // the empty list's placeholder
    return true;
}

bool CMainFrame::CommandChecked(int id) const {
    if (id == ID_VIEW_TOOLBAR) return toolBar && toolBar->visible;
    if (id == ID_VIEW_STATUS_BAR) return statusBar && statusBar->visible;
    return false;
}

std::string CMainFrame::CommandPrompt(int id) const {
    if (const auto* c = CKorvaneDoc::FindCommand(id)) return c->prompt ? c->prompt : "";
    return {};
}
