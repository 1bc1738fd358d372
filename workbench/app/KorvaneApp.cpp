#include "workbench/app/KorvaneApp.h"

#include "platform/core/files.h"
#include "platform/ui/ui.h"
#include "workbench/app/KorvaneView.h"
#include "workbench/app/MainFrame.h"
#include "workbench/doc/KorvaneDoc.h"

CKorvaneApp::CKorvaneApp() = default;
CKorvaneApp::~CKorvaneApp() = default;

void CKorvaneApp::SetRegistryKey(const std::string& key) { m_settings.emplace(key, kTitle); }

void CKorvaneApp::LoadStdProfileSettings(int recentCount) {
    m_recent = rice::RecentFileList(recentCount);
    if (!m_settings) return;
    m_settings->Load();
    m_recent.Load(*m_settings);
}

bool CKorvaneApp::InitInstance(const std::vector<std::string>& args) {
    // Common controls, the base initialisation, OLE and the control container have nothing to
    // do here and always succeed.
    ui::SetAppTitle(kTitle);
    SetRegistryKey(kRegistryKey);
    LoadStdProfileSettings(4);

    // The single-document template 128: document, frame and view.
    m_doc = std::make_unique<CKorvaneDoc>();
    m_view = std::make_unique<CKorvaneView>(m_doc.get());
    m_doc->SetView(m_view.get());
    m_frame = std::make_unique<CMainFrame>(*m_doc, *m_view);
    if (!m_frame->PreCreateWindow() || m_frame->OnCreate() == -1) return false;
    m_frame->SetRecentFiles(m_recent.Entries());
    m_frame->onAbout = [this] { OnAppAbout(); };
    m_frame->onOpenRecent = [this](int index) {
        if (index < int(m_recent.Entries().size())) OpenDocumentFile(m_recent.Entries()[size_t(index)]);
    };

    if (!ProcessShellCommand(args)) return false;
    m_frame->maximised = true;
    return true;
}

bool CKorvaneApp::ProcessShellCommand(const std::vector<std::string>& args) {
    // The framework's command line: a file to open, or a new, empty document.
    for (const auto& a : args)
        if (!a.empty() && a[0] != '-') return OpenDocumentFile(a);
    return m_doc->OnNewDocument();
}

bool CKorvaneApp::OpenDocumentFile(const std::string& path) {
    if (!rice::IsRegularFile(path)) return false;
    m_doc->Serialize();
    m_recent.Add(path);
    if (m_settings) {
        m_recent.Save(*m_settings);
        m_settings->Save();
    }
    if (m_frame) m_frame->SetRecentFiles(m_recent.Entries());
    return true;
}

int CKorvaneApp::Run() { return ui::Current().RunMain(*m_frame); }

void CKorvaneApp::OnAppAbout() {
    CAboutDlg about;
    ui::DoModal(about);
}

CAboutDlg::CAboutDlg() : ui::Window("關於 Korvane", 235, 55) {
    Add(ui::Kind::Static, 0, "Korvane 1.0 版", {40, 10, 119, 8});
    Add(ui::Kind::DefaultButton, ui::kOK, "確定", {178, 7, 50, 16});
}
