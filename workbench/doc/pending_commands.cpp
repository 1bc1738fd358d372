// Commands whose tools are not built yet stay in their menus, disabled. A tool that lands
// defines its handler in its own file and takes its id out of the list below.
#include "workbench/app/resource.h"
#include "workbench/doc/KorvaneDoc.h"

bool CKorvaneDoc::IsCommandBuilt(int id) { return FindCommand(id) != nullptr; }
