#include "platform/qt/tools/catalogue.h"

#include "covertool/lib/form1.h"
#include "workbench/dialogs/BatchMLDlg.h"
#include "workbench/dialogs/ConvertDlg.h"
#include "workbench/dialogs/MergeClsInfoDlg.h"
#include "workbench/dialogs/OverlapDlg.h"
#include "workbench/dialogs/ParamFileDlg.h"
#include "workbench/dialogs/ReNameDlg.h"
#include "workbench/dialogs/RuskelDlg.h"

namespace rice::qtui {

namespace {

template <class W>
std::shared_ptr<ui::Window> Plain() {
    return std::make_shared<W>();
}

}  // namespace

const std::vector<CatalogueEntry>& Catalogue() {
    static const std::vector<CatalogueEntry> entries = [] {
        std::vector<CatalogueEntry> e;
        e.push_back({"Korvane", "CConvertDlg", Plain<CConvertDlg>});
        e.push_back({"Korvane", "CMergeClsInfoDlg", Plain<CMergeClsInfoDlg>});
        e.push_back({"Korvane", "CBatchMLDlg", Plain<CBatchMLDlg>});
        e.push_back({"Korvane", "COverlapDlg", Plain<COverlapDlg>});
        e.push_back({"Korvane", "CDravikDlg", Plain<CDravikDlg>});
        e.push_back({"Korvane", "CTolvexDlg", Plain<CTolvexDlg>});
        e.push_back({"Korvane", "CKappaDlg", Plain<CKappaDlg>});
        e.push_back({"Korvane", "CYarnelDlg", Plain<CYarnelDlg>});
        e.push_back({"Korvane", "CRuskelDlg", Plain<CRuskelDlg>});
        e.push_back({"Korvane", "CReNameDlg", Plain<CReNameDlg>});
        e.push_back({"Tessmar", "Form1", Plain<cover::Form1>});
        return e;
    }();
    return entries;
}

}  // namespace rice::qtui
