#pragma once
// Every window of the three programs, built from its template without running the program:
// the front-end's offscreen tests and the screenshot tool walk this list. A window holder may
// own what the window needs (a document, a sibling form); the window lives as long as it.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/window.h"

namespace rice::qtui {

struct CatalogueEntry {
    std::string program;  // "Korvane", "main", "Tessmar"
    std::string name;     // class or state name, used for the screenshot's file name
    std::function<std::shared_ptr<ui::Window>()> make;
};

const std::vector<CatalogueEntry>& Catalogue();

}  // namespace rice::qtui
