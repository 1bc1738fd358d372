#include "platform/qt/tools/catalogue.h"

#include "workbench/dialogs/OverlapDlg.h"

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
        e.push_back({"Korvane", "COverlapDlg", Plain<COverlapDlg>});
        return e;
    }();
    return entries;
}

}  // namespace rice::qtui
