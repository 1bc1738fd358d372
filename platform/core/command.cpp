#include "platform/core/command.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/core/files.h"
#include "platform/core/paths.h"

extern char** environ;

namespace rice {

namespace {

MessageSink* g_reporter = nullptr;
CommandInterpreter* g_interpreter = nullptr;
ChildWaiter* g_waiter = nullptr;

std::string Trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos) return {};
    size_t e = s.find_last_not_of(" \t\r\n");
    return s.substr(b, e - b + 1);
}

std::vector<std::string> Words(const std::string& s) {
    std::vector<std::string> w;
    size_t pos = 0;
    while (true) {
        size_t b = s.find_first_not_of(" \t", pos);
        if (b == std::string::npos) break;
        size_t e = s.find_first_of(" \t", b);
        w.push_back(s.substr(b, e == std::string::npos ? std::string::npos : e - b));
        if (e == std::string::npos) break;
        pos = e;
    }
    return w;
}

bool IsExecutableFile(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

std::optional<std::string> OnPath(const std::string& name) {
    const char* path = std::getenv("PATH");
    if (!path) return std::nullopt;
    std::string p = path;
    size_t pos = 0;
    while (pos <= p.size()) {
        size_t colon = p.find(':', pos);
        if (colon == std::string::npos) colon = p.size();
        std::string dir = p.substr(pos, colon - pos);
        // An empty PATH entry would mean the current folder: outside programs are PATH only.
        if (!dir.empty()) {
            std::string full = JoinPath(dir, name);
            if (IsExecutableFile(full)) return full;
        }
        pos = colon + 1;
    }
    return std::nullopt;
}

std::string SelfFolder() {
    char buf[4096];
    ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return {};
    buf[n] = 0;
    return FolderOf(buf);
}

bool MatchAt(const std::string& p, size_t i, const std::string& s, size_t j) {
    while (i < p.size()) {
        char c = p[i];
        if (c == '*') {
            while (i < p.size() && p[i] == '*') ++i;
            if (i == p.size()) return true;
            for (size_t k = j; k <= s.size(); ++k)
                if (MatchAt(p, i, s, k)) return true;
            return false;
        }
        if (j >= s.size()) return false;
        if (c != '?' && std::tolower((unsigned char)c) != std::tolower((unsigned char)s[j])) return false;
        ++i;
        ++j;
    }
    return j == s.size();
}

// Runs path with args, standard input from `input` when not empty; waits. False when the
// program could not be started.
bool Spawn(const std::string& path, const std::vector<std::string>& args, int inputFd) {
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    if (inputFd >= 0) posix_spawn_file_actions_adddup2(&fa, inputFd, 0);
    pid_t pid = 0;
    int rc = posix_spawn(&pid, path.c_str(), &fa, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&fa);
    if (rc != 0) return false;
    int status = 0;
    bool ended = false;
    if (g_waiter) {
        g_waiter->Wait([&] {
            if (!ended) {
                const pid_t r = ::waitpid(pid, &status, WNOHANG);
                ended = r == pid || (r < 0 && errno != EINTR);
            }
            return ended;
        });
    }
    while (!ended && ::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return true;
}

}  // namespace

void SetChildWaiter(ChildWaiter* waiter) { g_waiter = waiter; }
ChildWaiter* CurrentChildWaiter() { return g_waiter; }

bool WildcardMatch(const std::string& pattern, const std::string& name) {
    if (MatchAt(pattern, 0, name, 0)) return true;
    // "*.*" and "r4*.*" also take names without an extension, as the platform's del does.
    if (pattern.size() >= 2 && pattern.compare(pattern.size() - 2, 2, ".*") == 0 &&
        name.find('.') == std::string::npos)
        return MatchAt(pattern.substr(0, pattern.size() - 2), 0, name, 0);
    return false;
}

SystemInterpreter::SystemInterpreter(MessageSink* reporter) : ownFolder(SelfFolder()), reporter_(reporter) {}

void SystemInterpreter::Report(const std::string& text) {
    MessageSink* sink = reporter_ ? reporter_ : g_reporter;
    if (sink) sink->ShowMessage(text);
}

std::optional<std::string> SystemInterpreter::FindProgram(const std::string& name) const {
    if (name.find('/') != std::string::npos) {
        if (IsExecutableFile(name)) return name;
        return std::nullopt;
    }
    for (const auto& s : systemPrograms) {
        if (s == name && !ownFolder.empty()) {
            std::string beside = JoinPath(ownFolder, name);
            if (IsExecutableFile(beside)) return beside;
        }
    }
    return OnPath(name);
}

void SystemInterpreter::Run(const std::string& commandText) {
    std::string command = Trim(commandText);
    if (command.empty()) return;
    std::vector<std::string> words = Words(command);

    if (words.size() == 2 && (words[0] == "del" || words[0] == "DEL" || words[0] == "Del")) {
        std::string pattern = words[1];
        std::string folder = FolderOf(pattern);
        std::string filePattern = FileNameOf(pattern);
        std::string dirPath = folder.empty() ? std::string(".") : folder;
        DIR* d = ::opendir(dirPath.c_str());
        if (!d) return;
        std::vector<std::string> doomed;
        while (dirent* e = ::readdir(d)) {
            std::string name = e->d_name;
            if (name == "." || name == "..") continue;
            std::string full = folder.empty() ? name : JoinPath(folder, name);
            if (WildcardMatch(filePattern, name) && IsRegularFile(full)) doomed.push_back(full);
        }
        ::closedir(d);
        for (const auto& f : doomed) ::unlink(f.c_str());
        return;
    }

    std::string input;
    std::string left = command;
    if (size_t lt = command.find('<'); lt != std::string::npos) {
        left = Trim(command.substr(0, lt));
        input = Trim(command.substr(lt + 1));
        words = Words(left);
        if (words.empty() || input.empty()) {
            Report("無法執行: " + command);
            return;
        }
    }

    std::optional<std::string> program = FindProgram(words[0]);
    if (!program) {
        // Not a program: a document name goes to the desktop opener.
        if (input.empty() && words.size() == 1 && FileNameOf(words[0]).find('.') != std::string::npos) {
            if (!IsRegularFile(words[0])) {
                Report("無法開啟: " + words[0]);
                return;
            }
            if (auto opener = OnPath("xdg-open")) Spawn(*opener, {"xdg-open", words[0]}, -1);
            return;
        }
        Report("無法執行: " + command);
        return;
    }
    int fd = -1;
    if (!input.empty()) {
        fd = ::open(input.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            Report("無法開啟: " + input);
            return;
        }
    }
    bool started = Spawn(*program, words, fd);
    if (fd >= 0) ::close(fd);
    if (!started) Report("無法執行: " + command);
}

CommandInterpreter& Interpreter() {
    static SystemInterpreter system;
    return g_interpreter ? *g_interpreter : system;
}

void SetInterpreter(CommandInterpreter* interpreter) { g_interpreter = interpreter; }
void SetCommandReporter(MessageSink* sink) { g_reporter = sink; }

}  // namespace rice
