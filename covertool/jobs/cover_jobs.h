#pragma once
// The six batch jobs over the covers named in a folder's "covlist.txt", in list order.
// Each job runs to its end or stops at the first error with a RunTimeError; the text files
// are written under a temporary name and renamed, so a stopped job leaves them as they were.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "covertool/jobs/cover_db.h"
#include "platform/core/message_sink.h"

namespace cover {

inline constexpr char kWrap[] = "\r\n";
inline constexpr char kJobDone[] = "作業完成....";

// Lines of a text file's bytes: a line ends at CR, LF or CR LF; a line break at the end adds
// no line.
std::vector<std::string> SplitLines(const std::string& bytes);

// The state the jobs share for the program's run: the engine, made when a job first needs
// it, and the last cover's database and table, kept open until the next cover replaces them.
class CoverJobs {
public:
    void Extents(const std::string& folder);        // coord.txt
    void TicPoints(const std::string& folder);      // tic.txt
    void SmlList(const std::string& folder);        // arcsml.txt
    void DocCopy(const std::string& folder);        // tem.txt
    void RecodeCulture(const std::string& folder);  // pat: first 3, 2->4, then 0->2, null->3
    void SystemValue(const std::string& folder);    // pat: first record 3

    const std::shared_ptr<Recordset>& CurrentTable() const { return sd_; }

private:
    // A line of the cover list: its bytes, copied as they stand into the outputs, and the
    // name decoded from code page 950, which finds the cover's files.
    struct Cover {
        std::string bytes;
        std::string name;
    };
    using PerCover = std::function<void(const Cover&)>;

    void OpenCover(const std::string& folder, const std::string& covnam, const char* table);
    // Calls perCover with each cover of the folder's list, in list order.
    void ForEachCover(const std::string& folder, const PerCover& perCover);

    std::unique_ptr<DbEngine> engine_;
    std::shared_ptr<Database> dd_;
    std::shared_ptr<Recordset> sd_;
};

// Runs one job and then shows kJobDone through `done`. A run-time error is shown through
// `errors` as one message naming the error and the file, and the program ends
// (rice::EndProcess(1)).
void RunJob(rice::MessageSink& done, rice::MessageSink& errors, const std::function<void()>& job);
inline void RunJob(rice::MessageSink& sink, const std::function<void()>& job) {
    RunJob(sink, sink, job);
}

}  // namespace cover
