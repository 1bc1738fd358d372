#pragma once
// The application: start-up in the framework's order, the one document template (document,
// frame, view), the registry settings with the recent-file list, About.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/core/settings.h"
#include "platform/ui/window.h"

class CKorvaneDoc;
class CKorvaneView;
class CMainFrame;

class CKorvaneApp {
public:
    CKorvaneApp();
    ~CKorvaneApp();

    // Start-up; false ends the program. args: the command line (a document to open, or none).
    bool InitInstance(const std::vector<std::string>& args);
    // The message loop: runs the main frame until it closes.
    int Run();
    void OnAppAbout();
    // The framework's open: the document reads nothing; the file joins the recent-file list.
    bool OpenDocumentFile(const std::string& path);

    CMainFrame* MainFrame() const { return m_frame.get(); }
    CKorvaneDoc* Document() const { return m_doc.get(); }
    CKorvaneView* View() const { return m_view.get(); }
    const rice::RecentFileList& RecentFiles() const { return m_recent; }

    static constexpr const char* kRegistryKey = "本機 AppWizard 所產生的應用程式";
    static constexpr const char* kTitle = "Korvane";  // string 57344 and the first part of document string 128

private:
    void SetRegistryKey(const std::string& key);
    void LoadStdProfileSettings(int recentCount);
    bool ProcessShellCommand(const std::vector<std::string>& args);

    std::optional<rice::Settings> m_settings;
    rice::RecentFileList m_recent{4};
    std::unique_ptr<CKorvaneDoc> m_doc;
    std::unique_ptr<CKorvaneView> m_view;
    std::unique_ptr<CMainFrame> m_frame;
};

// The About box.
class CAboutDlg : public ui::Window {
public:
    CAboutDlg();
};
