#pragma once
// Process starts of the system go through this small interpreter, never through a shell.
// It understands exactly what the system hands it:
//   PROGRAM [ARGS]          run a program and wait for it
//   PROGRAM < FILE          the same with standard input read from FILE (current folder)
//   del PATTERN             delete the regular files of the current folder that match the
//                           Windows wildcards * and ? (case-blind); "x.*" also matches "x"
//   NAME.EXT                a document: handed to the desktop opener (xdg-open) where one exists
// Programs of the system ("main", "Tessmar") are looked up beside the running program first,
// then on PATH; any other program on PATH only. The exit status is not used. A command that
// cannot be started at all is reported through the reporter (a message box in the programs).
#include <optional>
#include <string>
#include <vector>

#include "platform/core/message_sink.h"

namespace rice {

class CommandInterpreter {
public:
    virtual ~CommandInterpreter() = default;
    // Runs the command to its end. The caller never reads a result.
    virtual void Run(const std::string& command) = 0;
};

class SystemInterpreter : public CommandInterpreter {
public:
    // reporter: where "cannot be started" goes; nullptr = the one set by SetCommandReporter.
    explicit SystemInterpreter(MessageSink* reporter = nullptr);
    void Run(const std::string& command) override;

    // The full path a program name runs from, nullopt when it is nowhere to be found.
    std::optional<std::string> FindProgram(const std::string& name) const;

    std::vector<std::string> systemPrograms{"main", "Tessmar"};
    std::string ownFolder;  // folder of the running program (from /proc/self/exe)

private:
    void Report(const std::string& text);
    MessageSink* reporter_;
};

// Records the commands instead of running them (tests).
class RecordingInterpreter : public CommandInterpreter {
public:
    void Run(const std::string& command) override { commands.push_back(command); }
    std::vector<std::string> commands;
};

// The interpreter the system's process starts go through; a SystemInterpreter by default.
CommandInterpreter& Interpreter();
void SetInterpreter(CommandInterpreter* interpreter);  // nullptr puts back the default
// The reporter of the default interpreter (the programs set an application message sink).
void SetCommandReporter(MessageSink* sink);
// The runtime library's system(): runs the command through the current interpreter.
inline void System(const std::string& command) { Interpreter().Run(command); }

// Windows wildcard match, case-blind (exposed for tests).
bool WildcardMatch(const std::string& pattern, const std::string& name);

}  // namespace rice
