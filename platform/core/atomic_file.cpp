#include "platform/core/atomic_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <optional>
#include <random>

#include "platform/core/paths.h"

namespace rice {

namespace {

constexpr std::size_t kBufferSize = 1 << 16;
constexpr int kMaxLinks = 40;  // as the kernel's own limit on a chain of links

ScopedWriteFaults::Rule& FaultRule() {
    static ScopedWriteFaults::Rule rule;
    return rule;
}

bool Faulted(WriteStep step, const std::string& path) {
    const auto& rule = FaultRule();
    if (rule && rule(step, path)) {
        errno = step == WriteStep::kUnnamedTemp ? EOPNOTSUPP
                : step == WriteStep::kWrite     ? ENOSPC
                                                : EIO;
        return true;
    }
    return false;
}

bool WriteAll(int fd, const char* data, std::size_t size, const std::string& path) {
    while (size > 0) {
        if (Faulted(WriteStep::kWrite, path)) return false;
        ssize_t w = ::write(fd, data, size);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return false;
        data += w;
        size -= static_cast<std::size_t>(w);
    }
    return true;
}

// The file a chain of symbolic links ends at (the path itself when it is no link).
std::string ResolveLinks(const std::string& path) {
    std::string at = path;
    for (int i = 0; i < kMaxLinks; ++i) {
        struct stat st {};
        if (::lstat(at.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return at;
        std::string target(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 256) + 1, '\0');
        ssize_t n = ::readlink(at.c_str(), target.data(), target.size());
        if (n < 0) return at;
        target.resize(static_cast<std::size_t>(n));
        at = (!target.empty() && target[0] == '/') ? target : JoinPath(FolderOf(at), target);
    }
    return at;
}

std::string FolderForTemp(const std::string& target) {
    std::string folder = FolderOf(target);
    if (folder.empty()) return !target.empty() && target[0] == '/' ? "/" : ".";
    return folder;
}

// The umask is read by setting it: one writer at a time, or two side by side could leave it at
// 0 for good.
mode_t CurrentUmask() {
    static std::mutex umask_mutex;
    std::lock_guard<std::mutex> lock(umask_mutex);
    mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

// An existing file we may not change: no write permission for us, or no write bit at all
// (which the superuser's access check would pass over).
bool ReadOnly(const std::string& path, const struct stat& st) {
    return (st.st_mode & 0222) == 0 || ::access(path.c_str(), W_OK) != 0;
}

// Every hidden file of the writer is named ".NAME.~PID~XXXXXXXX": NAME the target's name
// (cut where the whole would pass the folder's name limit), PID the writing process. A later
// writer in the folder tells these from the operator's files and removes those whose process
// has ended (killed between two steps).
constexpr std::size_t kRandomChars = 8;
constexpr const char* kMark = ".~";

bool IsRandomChar(char c) { return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'); }

std::string HiddenSuffix() {
    static thread_local std::mt19937_64 random{std::random_device{}()};
    std::string suffix = kMark;
    suffix += std::to_string(::getpid());
    suffix += '~';
    const char* digits = "abcdefghijklmnopqrstuvwxyz0123456789";
    for (std::size_t i = 0; i < kRandomChars; ++i) suffix += digits[random() % 36];
    return suffix;
}

// What the writer knows of a folder it has written into in this process.
struct FolderInfo {
    std::size_t nameMax = NAME_MAX;
};

// Removes the hidden files of writers that no longer run. Run once per folder and process:
// the grid writes hundreds of files into one folder from every thread.
void RemoveLeftovers(const std::string& folder) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return;
    const pid_t self = ::getpid();
    while (const dirent* e = ::readdir(dir)) {
        std::optional<pid_t> pid = WriterOfHiddenFile(e->d_name);
        if (!pid || *pid == self) continue;
        if (::kill(*pid, 0) == 0 || errno != ESRCH) continue;  // still running (or not ours to ask)
        struct stat st {};
        if (::fstatat(::dirfd(dir), e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode))
            ::unlinkat(::dirfd(dir), e->d_name, 0);
    }
    ::closedir(dir);
}

FolderInfo FolderInfoOf(const std::string& folder) {
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0) return {};
    static std::mutex mutex;
    static std::map<std::pair<dev_t, ino_t>, FolderInfo> seen;
    FolderInfo info;
    {
        std::lock_guard<std::mutex> lock(mutex);
        auto it = seen.find({st.st_dev, st.st_ino});
        if (it != seen.end()) return it->second;
        long max = ::pathconf(folder.c_str(), _PC_NAME_MAX);
        if (max > 0) info.nameMax = static_cast<std::size_t>(max);
        seen.emplace(std::make_pair(st.st_dev, st.st_ino), info);
    }
    RemoveLeftovers(folder);
    return info;
}

std::string HiddenName(const std::string& target, std::size_t nameMax) {
    const std::string suffix = HiddenSuffix();
    std::string name = FileNameOf(target);
    const std::size_t room = nameMax > suffix.size() + 1 ? nameMax - suffix.size() - 1 : 0;
    if (name.size() > room) {
        // Cut on a character boundary of UTF-8, so the hidden name stays readable.
        std::size_t cut = room;
        while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
        name.resize(cut);
    }
    return JoinPath(FolderForTemp(target), "." + name + suffix);
}

}  // namespace

std::optional<int> WriterOfHiddenFile(std::string_view name) {
    const std::size_t mark = std::char_traits<char>::length(kMark);
    if (name.size() < 1 + mark + 2 + kRandomChars || name[0] != '.') return std::nullopt;
    const std::size_t tilde = name.size() - kRandomChars - 1;
    if (name[tilde] != '~') return std::nullopt;
    for (std::size_t i = tilde + 1; i < name.size(); ++i)
        if (!IsRandomChar(name[i])) return std::nullopt;
    std::size_t begin = tilde;
    while (begin > 0 && name[begin - 1] >= '0' && name[begin - 1] <= '9') --begin;
    if (begin == tilde || tilde - begin > 9 || begin < 1 + mark ||
        name.substr(begin - mark, mark) != kMark)
        return std::nullopt;
    int pid = 0;
    for (std::size_t i = begin; i < tilde; ++i) pid = pid * 10 + (name[i] - '0');
    if (pid <= 0) return std::nullopt;
    return pid;
}

std::string CannotOpenFileMessage(const std::string& path) {
    return "無法開啟檔案 " + path + "。";
}

std::string CannotWriteFileMessage(const std::string& path) {
    return "無法寫入檔案 " + path + "。";
}

ScopedWriteFaults::ScopedWriteFaults(Rule fails) : previous_(std::move(FaultRule())) {
    FaultRule() = std::move(fails);
}

ScopedWriteFaults::~ScopedWriteFaults() { FaultRule() = std::move(previous_); }

AtomicFile::~AtomicFile() { Abandon(); }

bool AtomicFile::Fail(bool opening) {
    if (errno_ == 0) errno_ = errno ? errno : EIO;
    if (error_.empty())
        error_ = opening ? CannotOpenFileMessage(path_) : CannotWriteFileMessage(path_);
    ok_ = false;
    Abandon();
    return false;
}

bool AtomicFile::Open(const std::string& path) {
    Abandon();
    path_ = path;
    error_.clear();
    errno_ = 0;
    target_ = ResolveLinks(path);
    struct stat st {};
    bool exists = ::stat(target_.c_str(), &st) == 0;
    if (exists && (!S_ISREG(st.st_mode) || ReadOnly(target_, st))) {
        errno = S_ISDIR(st.st_mode) ? EISDIR : EACCES;
        return Fail(true);
    }
    if (exists) {
        // What would refuse an ordinary open for writing refuses the replacement too (a
        // running program, for one). Nothing is truncated or changed by the probe.
        int probe = ::open(target_.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (probe < 0) return Fail(true);
        ::close(probe);
    }
    const std::string folder = FolderForTemp(target_);
    nameMax_ = FolderInfoOf(folder).nameMax;
    // An unnamed temporary vanishes with the process; a named one (and the moment between
    // a link and its rename) is removed by the next writer in the folder after a kill.
    fd_ = -1;
    if (!Faulted(WriteStep::kUnnamedTemp, path_))
        fd_ = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
    if (fd_ < 0) {
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return Fail(true);
        for (int tries = 0; tries < 100 && fd_ < 0; ++tries) {
            temp_ = HiddenName(target_, nameMax_);
            fd_ = ::open(temp_.c_str(), O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC, 0600);
            if (fd_ < 0 && errno != EEXIST) break;
        }
        if (fd_ < 0) {
            temp_.clear();
            return Fail(true);
        }
    }
    state_ = State::kWriting;
    // A new unnamed file already has what an ordinary create gives (0666 less the umask, or
    // the folder's default ACL); asking the umask, which takes a lock, is left to the others,
    // so writers side by side in one folder do not queue for it.
    if (exists || !temp_.empty()) {
        mode_t mode = exists ? (st.st_mode & 07777) : (0666 & ~CurrentUmask());
        if (::fchmod(fd_, mode) != 0) return Fail(true);
    }
    buffer_.clear();
    buffer_.reserve(kBufferSize);
    ok_ = true;
    return true;
}

bool AtomicFile::FlushBuffer() {
    if (buffer_.empty()) return true;
    bool ok = WriteAll(fd_, buffer_.data(), buffer_.size(), path_);
    buffer_.clear();
    return ok;
}

bool AtomicFile::Write(const void* data, std::size_t size) {
    if (state_ != State::kWriting || !ok_) return false;
    const char* p = static_cast<const char*>(data);
    if (buffer_.size() + size <= kBufferSize) {
        buffer_.insert(buffer_.end(), p, p + size);
        return true;
    }
    if (!FlushBuffer()) return Fail(false);
    if (size >= kBufferSize) {
        if (!WriteAll(fd_, p, size, path_)) return Fail(false);
    } else {
        buffer_.insert(buffer_.end(), p, p + size);
    }
    return true;
}

bool AtomicFile::WriteZeros(std::size_t size) {
    static const char zeros[4096] = {};
    while (ok_ && size > 0) {
        std::size_t n = std::min(size, sizeof zeros);
        Write(zeros, n);
        size -= n;
    }
    return ok_;
}

bool AtomicFile::WriteAt(const void* data, std::size_t size, std::uint64_t offset) {
    if (state_ != State::kWriting || !ok_) return false;
    if (!FlushBuffer()) return Fail(false);
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        if (Faulted(WriteStep::kWrite, path_)) return Fail(false);
        ssize_t w = ::pwrite(fd_, p, size, static_cast<off_t>(offset));
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return Fail(false);
        p += w;
        size -= static_cast<std::size_t>(w);
        offset += static_cast<std::uint64_t>(w);
    }
    return true;
}

long long AtomicFile::ReadAt(void* data, std::size_t size, std::uint64_t offset) {
    if (state_ != State::kWriting || !ok_) return -1;
    if (!FlushBuffer()) return Fail(false), -1;
    std::size_t done = 0;
    char* p = static_cast<char*>(data);
    while (done < size) {
        ssize_t r = ::pread(fd_, p + done, size - done, static_cast<off_t>(offset + done));
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) return Fail(false), -1;
        if (r == 0) break;
        done += static_cast<std::size_t>(r);
    }
    return static_cast<long long>(done);
}

long long AtomicFile::Size() {
    if (state_ != State::kWriting || !ok_) return -1;
    if (!FlushBuffer()) return Fail(false), -1;
    struct stat st {};
    if (::fstat(fd_, &st) != 0) return Fail(false), -1;
    return static_cast<long long>(st.st_size);
}

bool AtomicFile::Finish() {
    if (state_ != State::kWriting || !ok_) return Fail(false);
    // Handed to the system, not synced to the disk: a killed run loses nothing the page cache
    // holds, and a sync per file would cost more than the run's own work (812 MB in the grid).
    if (Faulted(WriteStep::kFlush, path_) || !FlushBuffer()) return Fail(false);
    // An unnamed temporary stays open, and so nameless, until it is placed.
    if (!temp_.empty() && !Close()) return false;
    state_ = State::kFinished;
    return true;
}

bool AtomicFile::Close() {
    int fd = fd_;
    fd_ = -1;
    if (Faulted(WriteStep::kClose, path_)) {
        ::close(fd);
        return Fail(false);
    }
    if (::close(fd) != 0) return Fail(false);
    return true;
}

bool AtomicFile::Place() {
    if (state_ != State::kFinished || !ok_) return Fail(false);
    if (temp_.empty()) {
        // The unnamed file gets a hidden name beside the target, which it then replaces.
        const std::string self = "/proc/self/fd/" + std::to_string(fd_);
        for (int tries = 0; tries < 100 && temp_.empty(); ++tries) {
            std::string name = HiddenName(target_, nameMax_);
            if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0)
                temp_ = name;
            else if (errno != EEXIST)
                break;
        }
        if (temp_.empty() || !Close()) return Fail(false);
    }
    if (Faulted(WriteStep::kPlace, path_) || std::rename(temp_.c_str(), target_.c_str()) != 0)
        return Fail(false);
    temp_.clear();
    state_ = State::kIdle;
    return true;
}

bool AtomicFile::Commit() { return Finish() && Place(); }

bool AtomicFile::PlaceKeepingPrevious() {
    if (state_ != State::kFinished || !ok_) return Fail(false);
    previous_.clear();
    struct stat st {};
    placedNew_ = ::lstat(target_.c_str(), &st) != 0;
    if (!placedNew_) {
        // A file system without hard links keeps no copy: that file cannot be put back.
        std::string keep = HiddenName(target_, nameMax_);
        if (::link(target_.c_str(), keep.c_str()) == 0) previous_ = keep;
    }
    if (!Place()) {
        DropPrevious();
        return false;
    }
    return true;
}

void AtomicFile::DropPrevious() {
    if (!previous_.empty()) ::unlink(previous_.c_str());
    previous_.clear();
}

void AtomicFile::PutPreviousBack() {
    if (!previous_.empty()) std::rename(previous_.c_str(), target_.c_str());
    else if (placedNew_) ::unlink(target_.c_str());
    previous_.clear();
    placedNew_ = false;
}

bool CommitTogether(const std::vector<AtomicFile*>& files, std::string* error) {
    auto fail = [&](AtomicFile* failed) {
        if (error) *error = failed->Error();
        for (AtomicFile* f : files) f->Abandon();
        return false;
    };
    for (AtomicFile* f : files)
        if (!f->Finish()) return fail(f);
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (files[i]->PlaceKeepingPrevious()) continue;
        for (std::size_t j = i; j-- > 0;) files[j]->PutPreviousBack();
        return fail(files[i]);
    }
    for (AtomicFile* f : files) f->DropPrevious();
    return true;
}

void AtomicFile::Abandon() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!temp_.empty()) ::unlink(temp_.c_str());
    temp_.clear();
    buffer_.clear();
    state_ = State::kIdle;
}

bool WriteFileAtomic(const std::string& path, const std::string& bytes, std::string* error) {
    AtomicFile file;
    bool ok = file.Open(path) && file.Write(bytes) && file.Commit();
    if (!ok && error) *error = file.Error();
    return ok;
}

bool AppendToFile(const std::string& path, const std::string& bytes, std::string* error) {
    auto fail = [&](std::string message) {
        if (error) *error = std::move(message);
        return false;
    };
    const std::string target = ResolveLinks(path);
    struct stat st {};
    const bool existed = ::stat(target.c_str(), &st) == 0;
    if (existed && (!S_ISREG(st.st_mode) || ReadOnly(target, st)))
        return fail(CannotOpenFileMessage(path));
    int fd = ::open(target.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return fail(CannotOpenFileMessage(path));
    // The cut-back after a failure goes to this size only: without it nothing is written.
    struct stat before {};
    bool ok = ::fstat(fd, &before) == 0;
    std::size_t written = 0;
    // One write keeps the lines whole for another reader or writer of the file.
    if (ok && !bytes.empty()) {
        ssize_t w = -1;
        if (!Faulted(WriteStep::kWrite, path)) {
            do w = ::write(fd, bytes.data(), bytes.size()); while (w < 0 && errno == EINTR);
        }
        if (w > 0) written = static_cast<std::size_t>(w);
        ok = written == bytes.size();
    }
    // A line or two made durable; nothing appended (the run's log opened for a parcel file
    // that did not fail) needs no sync, which would wait for the journal (30 ms here).
    if (ok && !bytes.empty() && (Faulted(WriteStep::kFlush, path) || ::fsync(fd) != 0)) ok = false;
    if (ok && Faulted(WriteStep::kClose, path)) ok = false;
    if (!ok && written > 0 && ::ftruncate(fd, before.st_size) != 0) { /* reported below all the same */ }
    if (::close(fd) != 0) ok = false;
    if (!ok) {
        if (!existed) ::unlink(target.c_str());
        return fail(CannotWriteFileMessage(path));
    }
    return true;
}

}  // namespace rice
