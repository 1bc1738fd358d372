#pragma once
// The main frame: start-up menu with the method choice, then the chosen method's menu and
// toolbar for the rest of the run; the status bar; tool commands routed to the document.
#include <functional>
#include <string>
#include <vector>

#include "platform/ui/window.h"

class CKorvaneDoc;
class CKorvaneView;

class CMainFrame : public ui::Window {
public:
    enum class State { Startup, MaximumLikelihood, Bayesian };

    CMainFrame(CKorvaneDoc& doc, CKorvaneView& view);

    // Clears the style that adds the document name: the caption is the application title.
    bool PreCreateWindow();
    // Creates the status bar; -1 when that fails.
    int OnCreate();

    void OnChooseMaximumLikelihood();
    void OnChooseBayesian();

    State GetState() const { return m_state; }
    bool OnCommand(int id) override;
    bool CommandEnabled(int id) const override;
    bool CommandChecked(int id) const override;
    std::string CommandPrompt(int id) const override;
    void OnClose() override { EndModal(0); }

    // Shows the recent-file list in the start-up menu (entries most recent first).
    void SetRecentFiles(const std::vector<std::string>& entries);
    std::function<void()> onAbout;             // 57664
    std::function<void(int index)> onOpenRecent;  // 57616 + index

    // The menus and toolbars of the resources.
    static ui::Menu StartupMenu(const std::vector<std::string>& recentFiles);
    static ui::Menu MaximumLikelihoodMenu();
    static ui::Menu BayesianMenu();
    // Buttons of a toolbar resource; false for an unknown resource.
    static bool LoadToolBar(int resourceId, std::vector<int>& buttons);

private:
    void ChooseMethod(int toolBarId, int menuId, State state);
    CKorvaneDoc& m_doc;
    CKorvaneView& m_view;
    State m_state = State::Startup;
    std::vector<std::string> m_recent;
};
