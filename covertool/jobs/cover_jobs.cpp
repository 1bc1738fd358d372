#include "covertool/jobs/cover_jobs.h"

#include <new>

#include "covertool/jobs/case_blind.h"
#include "covertool/jobs/number_text.h"
#include "platform/core/encoding.h"
#include "platform/core/exit.h"
#include "platform/core/files.h"

namespace cover {
namespace {

// The cover lists and the covers' .doc and .SML texts: 64 MiB is far beyond any real one.
constexpr std::uint64_t kMaxCoverTextBytes = std::uint64_t{64} << 20;

std::string ReadTextFile(const std::string& path) {
    std::optional<std::string> bytes = rice::ReadWholeFile(path, kMaxCoverTextBytes);
    if (!bytes) throw FileNotFound(path);
    return *bytes;
}

std::string Decode(const std::string& cp950, const std::string& file) {
    std::string utf8;
    if (!rice::TryCp950ToUtf8(cp950, utf8)) throw BadText(file);
    return utf8;
}

// Writes the job's bytes under a temporary name, then renames it. The text is already code
// page 950: names and lines come from the input files as they stand, numbers are ASCII.
void WriteOutput(const std::string& folder, const char* name, const std::string& bytes) {
    std::string path = FindCaseBlind(folder, name);
    if (!rice::WriteFileAtomic(path, bytes)) throw CannotWrite(path);
}

}  // namespace

std::vector<std::string> SplitLines(const std::string& bytes) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find_first_of("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(bytes.substr(start));
            break;
        }
        lines.push_back(bytes.substr(start, end - start));
        start = end + 1;
        if (bytes[end] == '\r' && start < bytes.size() && bytes[start] == '\n') ++start;
    }
    return lines;
}

void CoverJobs::ForEachCover(const std::string& folder, const PerCover& perCover) {
    std::string listPath = FindCaseBlind(folder, "covlist.txt");
    try {
        for (const std::string& raw : SplitLines(ReadTextFile(listPath)))
            perCover(Cover{raw, Decode(raw, listPath)});
    } catch (...) {
        // The stopped cover's edits are never committed.
        if (engine_) engine_->Rollback();
        throw;
    }
}

void CoverJobs::OpenCover(const std::string& folder, const std::string& covnam,
                          const char* table) {
    if (!engine_) engine_ = std::make_unique<DbEngine>();
    dd_ = engine_->OpenDatabase(FindCaseBlind(folder, covnam));
    sd_ = dd_->OpenRecordset(table);
}

void CoverJobs::Extents(const std::string& folder) {
    std::string outtxt;
    ForEachCover(folder, [&](const Cover& covnam) {
        OpenCover(folder, covnam.name, "bnd");
        outtxt += covnam.bytes;
        for (int i = 0; i <= 3; ++i) {
            std::string codn = BndNumberText(sd_->Field(i).Number(sd_->Path()));
            outtxt += codn;
            if (i == 3) outtxt += kWrap;
        }
    });
    WriteOutput(folder, "coord.txt", outtxt + kWrap);
}

void CoverJobs::TicPoints(const std::string& folder) {
    std::string outtxt;
    ForEachCover(folder, [&](const Cover& covnam) {
        OpenCover(folder, covnam.name, "tic");
        outtxt += covnam.bytes + kWrap;
        while (!sd_->Eof()) {
            for (int i = 0; i <= 2; ++i) {
                double v = sd_->Field(i).Number(sd_->Path());
                outtxt += i == 0 ? NumberText(v) : TicNumberText(v);
                if (i == 2) outtxt += kWrap;
            }
            sd_->MoveNext();
        }
    });
    WriteOutput(folder, "tic.txt", outtxt + kWrap);
}

void CoverJobs::SmlList(const std::string& folder) {
    std::string outtxt;
    ForEachCover(folder, [&](const Cover& covnam) {
        outtxt += covnam.bytes;
        std::string path = FindCaseBlind(folder, covnam.name + ".SML");
        std::vector<std::string> lines = SplitLines(ReadTextFile(path));
        for (size_t i = 0; i < 4; ++i) {
            if (i >= lines.size()) throw InputPastEnd(path);
            outtxt += ' ';
            outtxt += lines[i];
        }
        outtxt += kWrap;
    });
    WriteOutput(folder, "arcsml.txt", outtxt + kWrap);
}

void CoverJobs::DocCopy(const std::string& folder) {
    ForEachCover(folder, [&](const Cover& covnam) {
        std::string outtxt;
        std::string path = FindCaseBlind(folder, covnam.name + ".doc");
        for (const std::string& docline : SplitLines(ReadTextFile(path))) outtxt += docline + kWrap;
        WriteOutput(folder, "tem.txt", outtxt + kWrap);
    });
}

void CoverJobs::RecodeCulture(const std::string& folder) {
    ForEachCover(folder, [&](const Cover& covnam) {
        OpenCover(folder, covnam.name, "pat");
        Recordset& rs = *sd_;
        const std::string& file = rs.Path();
        rs.MoveFirst();
        engine_->BeginTrans();
        rs.Edit();
        rs.SetField("culture", 3);
        rs.Update();
        // 2 -> 4 runs first, so a 0 turned into 2 below stays 2 in this run.
        while (!rs.Eof()) {
            if (rs.Field("culture").Equals(2, file)) {
                rs.Edit();
                rs.SetField("culture", 4);
                rs.Update();
            }
            rs.MoveNext();
        }
        rs.MoveFirst();
        while (!rs.Eof()) {
            FieldValue culture = rs.Field("culture");
            if (culture.Equals(0, file)) {
                rs.Edit();
                rs.SetField("culture", 2);
                rs.Update();
            } else if (culture.IsNull()) {
                rs.Edit();
                rs.SetField("culture", 3);
                rs.Update();
            }
            rs.MoveNext();
        }
        engine_->CommitTrans();
    });
}

void CoverJobs::SystemValue(const std::string& folder) {
    ForEachCover(folder, [&](const Cover& covnam) {
        OpenCover(folder, covnam.name, "pat");
        sd_->MoveFirst();
        engine_->BeginTrans();
        sd_->Edit();
        sd_->SetField("culture", 3);
        sd_->Update();
        engine_->CommitTrans();
    });
}

void RunJob(rice::MessageSink& done, rice::MessageSink& errors, const std::function<void()>& job) {
    std::string report;
    try {
        job();
    } catch (const RunTimeError& e) {
        report = RunTimeErrorMessage(e);
    } catch (const std::bad_alloc&) {
        report = RunTimeErrorMessage(RunTimeError(7, "記憶體不足", ""));
    } catch (const std::exception& e) {
        report = RunTimeErrorMessage(RunTimeError(5, e.what(), ""));
    }
    if (!report.empty()) {
        errors.ShowMessage(report);
        rice::EndProcess(1);
    }
    done.ShowMessage(kJobDone);
}

}  // namespace cover
