// Commands whose tools are not built yet. Each stays in its menu, disabled (IsCommandBuilt),
// and its handler below does nothing. A tool that lands defines its handler in its own file,
// deletes the stand-in here and takes its id out of IsCommandBuilt.
#include "workbench/app/resource.h"
#include "workbench/doc/KorvaneDoc.h"

bool CKorvaneDoc::IsCommandBuilt(int id) {
    switch (id) {
    case ID_IMAGE_CLASSIFY:
        return false;
    default:
        return FindCommand(id) != nullptr;
    }
}

void CKorvaneDoc::OnImageClassify() {}
