#pragma once
// The document: hub of every tool command of the workbench and holder of the run state the
// tools share. It keeps no content of its own in files.
#include <string>
#include <vector>

#include "platform/core/message_sink.h"
#include "workbench/engine/lan_image.h"

class CKorvaneView;
namespace rice {
class RunInputs;
}
namespace ui {
class DeviceContext;
}

class CKorvaneDoc {
public:
    CKorvaneDoc();
    virtual ~CKorvaneDoc() = default;
    CKorvaneDoc(const CKorvaneDoc&) = delete;
    CKorvaneDoc& operator=(const CKorvaneDoc&) = delete;

    // The framework's New: the base class's only (members are not reset).
    bool OnNewDocument() { return true; }
    // Serialisation writes and reads nothing.
    void Serialize() {}

    // Command routing. The table lists every tool command in menu order.
    struct Command {
        int id;
        const char* menuText;
        const char* prompt;  // status-bar prompt, nullptr when the string table has none
        void (CKorvaneDoc::*handler)();
    };
    static const std::vector<Command>& CommandTable();
    static const Command* FindCommand(int id);
    // Runs the handler of a command; false when the id is not a document command.
    bool OnCmdMsg(int id);

    // Handlers, in the command table's order.
    void OnClassInfoFormat();  // 32810
    void OnMergeClassInfo();   // 32836
    void OnThresholdCalc();    // 32838
    void OnImageClassify();    // 32777
    void OnOverlap();          // 32778
    void OnReName();           // 32829
    void OnTessmar();          // 32795
    void OnRuskel();           // 32796
    void OnTolvex();           // 32797
    void OnYarnel();           // 32798
    void OnDravik();           // 32799
    void OnKappa();            // 32842

    // Overlay run of command 32778: every image on every parcel file, image-major.
    void OverlapViews();
    // X0 and Y0 of an image's header; an image that cannot be opened ends the process.
    // False (after a message) when the image exists but holds no readable header.
    bool ReadLanOrigin(const std::string& lanPath);
    // Samples the pair just painted on dc and writes its tables and report rows.
    void AnalyseOverlap(ui::DeviceContext& dc);

    // Cuts the source image to the box of one parcel file (engine clip, messages through the
    // document's sink).
    bool ClipLanToParcels(const rice::LanImage& source, const std::string& parcelPath,
                          const rice::RunInputs* inputs = nullptr);

    // Signature merge: finds the rice signature files from a folder (appended to
    // m_riceGsgFiles), converts one signature file into its temporary class-statistics text
    // (its class count, 0 after a message), pads a temporary text by `extra` copies of its
    // last class (false after a message).
    void CollectGsgFiles(const std::string& folder);
    int DoConv(const std::string& gsgPath);
    bool PadSignatureClasses(const std::string& gsgPath, int extra);

    // The view the template attached (nullptr in tests without one).
    CKorvaneView* GetView() const { return m_view; }
    void SetView(CKorvaneView* view) { m_view = view; }
    // Where engine messages go: application message boxes unless a test sets another.
    rice::MessageSink& Sink() { return *m_sink; }
    void SetSink(rice::MessageSink* sink);

    // ---- Shared run state, in declaration order, all starting empty or zero. ----
    // statistics formatting
    int m_bandCount = 0;  // band count of the listing being formatted
    // overlay lists
    std::vector<std::string> m_lanFiles;     // classified-image paths
    std::vector<std::string> m_parcelFiles;  // parcel-file paths
    const rice::RunInputs* m_runInputs = nullptr;  // during a run: every input of it
    // painting contract
    std::string m_curParcelFile;
    int m_recordCount = 0;
    double m_originOffsetX = 0;  // minX - X0
    double m_originOffsetY = 0;  // Y0 - maxY
    double m_lanOriginX = 0;     // X0 of the current classified image
    double m_lanOriginY = 0;     // Y0
    int m_paintedWidth = 0;
    int m_paintedHeight = 0;
    // overlay sampling
    std::string m_curLanFile;
    int m_lanRows = 0;
    int m_lanCols = 0;
    int m_lanRowBytes = 0;  // icols x nbands
    int m_cellSize = 0;
    std::string m_resultDbfFile;
    // error counts
    int m_misclassified = 0;
    // signature merge
    std::vector<std::string> m_riceGsgFiles;  // emptied at the start of every merge run
    // threshold grid
    double m_thr1Lower = 0;  // first threshold, lower and upper bound
    double m_thr1Upper = 0;
    double m_thr2Lower = 0;  // second threshold, lower and upper bound
    double m_thr2Upper = 0;
    std::string m_gridInputImage;  // paths handed to the classifier
    std::string m_gridStatsFile;
    std::string m_gridOutputPath;
    int m_thresholdPairCount = 0;

private:
    CKorvaneView* m_view = nullptr;
    rice::MessageSink* m_sink;
};
