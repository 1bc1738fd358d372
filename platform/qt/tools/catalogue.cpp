#include "platform/qt/tools/catalogue.h"

namespace rice::qtui {

const std::vector<CatalogueEntry>& Catalogue() {
    static const std::vector<CatalogueEntry> entries = [] {
        std::vector<CatalogueEntry> e;
        return e;
    }();
    return entries;
}

}  // namespace rice::qtui
