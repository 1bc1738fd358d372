#pragma once
// The one writer of files. A file is built in a temporary beside its target and appears
// there whole or not at all; every step is checked and a failure leaves the target as it was.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rice {

// Steps a test can make fail (see ScopedWriteFaults).
enum class WriteStep {
    kUnnamedTemp,  // the unnamed temporary (O_TMPFILE): refused, as some file systems do
    kWrite,
    kFlush,        // the last buffered bytes handed to the system
    kClose,
    kPlace,        // the link or rename into place
};

class AtomicFile {
public:
    AtomicFile() = default;
    ~AtomicFile();  // abandons a file not committed
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Starts a new content for `path`. A symbolic link is followed to the file it names (the
    // link stays); an existing target that we may not write, or that is no regular file, is
    // refused. A new file gets the permissions an ordinary create gives; a replaced one keeps
    // its mode.
    bool Open(const std::string& path);
    bool Write(const void* data, std::size_t size);
    bool Write(std::string_view bytes) { return Write(bytes.data(), bytes.size()); }
    bool WriteZeros(std::size_t size);
    // Random access, for table libraries that come back to their header.
    bool WriteAt(const void* data, std::size_t size, std::uint64_t offset);
    // Bytes read at offset (fewer at the end of what is written); -1 on failure.
    long long ReadAt(void* data, std::size_t size, std::uint64_t offset);
    long long Size();  // bytes written so far; -1 on failure

    // Commit = Finish + Place. Finish hands the content to the system (and closes a
    // named temporary); Place names an unnamed one, closes it and renames it over the target.
    bool Commit();
    bool Finish();
    bool Place();
    void Abandon();  // drops the content; the target is untouched

    bool IsOpen() const { return state_ != State::kIdle; }
    bool Ok() const { return ok_; }
    const std::string& Path() const { return path_; }
    // After a failure: a message naming the file, as the operator gave it.
    const std::string& Error() const { return error_; }
    int Errno() const { return errno_; }  // the system's cause of the failure

private:
    friend bool CommitTogether(const std::vector<AtomicFile*>& files, std::string* error);
    enum class State { kIdle, kWriting, kFinished };
    bool PlaceKeepingPrevious();
    void DropPrevious();
    void PutPreviousBack();
    bool Fail(bool opening);
    bool FlushBuffer();
    bool Close();

    std::string path_;     // as given
    std::string target_;   // links resolved
    std::string temp_;     // hidden name of the temporary, once it has one
    std::string previous_; // during CommitTogether: hidden link to the content replaced
    std::size_t nameMax_ = 255;  // the longest name the target's folder takes
    bool placedNew_ = false;
    std::string error_;
    int errno_ = 0;
    std::vector<char> buffer_;
    int fd_ = -1;
    State state_ = State::kIdle;
    bool ok_ = false;
};

// Commits several files that belong together: all finish first, then all are placed; when one
// cannot be placed, the ones already placed are put back as they were (where the file system
// has hard links to keep the old ones by). False (with the failing file's message in *error)
// when any file failed; every temporary is then gone.
bool CommitTogether(const std::vector<AtomicFile*>& files, std::string* error = nullptr);

// Writes the whole content of `path` through AtomicFile. False (and *error, when given,
// holds a message naming the file) when any step fails; the target is then untouched.
bool WriteFileAtomic(const std::string& path, const std::string& bytes,
                     std::string* error = nullptr);

// Appends whole lines in one checked write; a short write is cut back off, so the file keeps
// only whole lines, and a file this call created is removed again on failure.
bool AppendToFile(const std::string& path, const std::string& bytes,
                  std::string* error = nullptr);

// The process that made a hidden file of the writer, from its name; nullopt for any other
// name. Each writer removes, once per folder and process, the hidden files there whose
// process no longer runs: what a killed run left.
std::optional<int> WriterOfHiddenFile(std::string_view name);

// Messages of the writer: the file could not be opened / written.
std::string CannotOpenFileMessage(const std::string& path);
std::string CannotWriteFileMessage(const std::string& path);

// Test seam: while one lives, `fails(step, target path as given)` decides whether a step of the
// writer fails as if the system refused it.
class ScopedWriteFaults {
public:
    using Rule = std::function<bool(WriteStep, const std::string&)>;
    explicit ScopedWriteFaults(Rule fails);
    ~ScopedWriteFaults();
    ScopedWriteFaults(const ScopedWriteFaults&) = delete;
    ScopedWriteFaults& operator=(const ScopedWriteFaults&) = delete;

private:
    Rule previous_;
};

}  // namespace rice
