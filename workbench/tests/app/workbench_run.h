#pragma once
// The whole workbench driven by an operator script, from start-up to the end of the script.
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "platform/core/command.h"
#include "platform/core/exit.h"
#include "platform/script/operator.h"
#include "workbench/app/KorvaneApp.h"
#include "workbench/doc/KorvaneDoc.h"

namespace rice::testing {

struct WorkbenchRun {
    int status = -1;
    std::string shown;   // the message boxes, one "[caption] text" line each
    std::string errors;  // what the operator could not do
};

// Runs the workbench over `script` with its settings in `configFolder`, never the user's;
// `starts`, when given, records the programs and documents it starts instead of starting them.
inline WorkbenchRun RunWorkbench(const std::string& script, const std::string& configFolder,
                                 RecordingInterpreter* starts = nullptr) {
    ::setenv("XDG_CONFIG_HOME", configFolder.c_str(), 1);
    if (starts) SetInterpreter(starts);
    std::ostringstream out, err;
    WorkbenchRun run;
    {
        script::Operator op(script, "run.script", out, err);
        ui::ScopedUi scope(op);
        CKorvaneApp app;
        run.status = RunUntilExit([&] {
            if (!app.InitInstance({})) return 1;
            return app.Run();
        });
    }
    if (starts) SetInterpreter(nullptr);
    ::unsetenv("XDG_CONFIG_HOME");
    run.shown = out.str();
    run.errors = err.str();
    return run;
}

// Runs one command of `doc` under `script`, where "@" stands for `folder` and a slash.
inline WorkbenchRun RunDocumentCommand(CKorvaneDoc& doc, void (CKorvaneDoc::*handler)(),
                                       std::string script, const std::string& folder) {
    for (size_t at; (at = script.find('@')) != std::string::npos;) script.replace(at, 1, folder + "/");
    std::ostringstream out, err;
    WorkbenchRun run;
    {
        script::Operator op(script, "cmd.script", out, err);
        ui::ScopedUi scope(op);
        ui::SetAppTitle("Korvane");
        run.status = RunUntilExit([&] {
            (doc.*handler)();
            return 0;
        });
    }
    run.shown = out.str();
    run.errors = err.str();
    return run;
}

}  // namespace rice::testing
