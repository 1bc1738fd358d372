#include "covertool/jobs/cover_db.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <shapefil.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include "covertool/jobs/case_blind.h"
#include "platform/core/atomic_dbf.h"
#include "platform/core/files.h"
#include "platform/core/paths.h"

namespace cover {
namespace {

RunTimeError NoCurrentRecord(const std::string& file) {
    return {kNoCurrentRecord, "沒有目前的記錄", file};
}

RunTimeError TypeMismatch(const std::string& file) { return {kTypeMismatch, "型態不符合", file}; }

RunTimeError WriteFailed(const std::string& file) {
    return {kCannotWriteTable, "無法寫入資料表", file};
}

// shapelib rebuilds a table's name from its base name with ".dbf" or ".DBF"; a table stored
// as "Pat.Dbf" would not be found, so the one open call is pointed at the file we matched.
thread_local const char* tableToOpen = nullptr;

SAFile OpenMatchedTable(const char* name, const char* access) {
    size_t n = std::strlen(name);
    if (tableToOpen && n >= 4 && ::strcasecmp(name + n - 4, ".dbf") == 0)
        return reinterpret_cast<SAFile>(std::fopen(tableToOpen, access));
    return nullptr;  // no code page file: the tables hold numbers
}

bool ParseNumber(std::string_view text, double& out) {
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty()) return false;
    auto r = std::from_chars(text.data(), text.data() + text.size(), out);
    return r.ec == std::errc() && r.ptr == text.data() + text.size() && std::isfinite(out);
}

long long FileSize(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? static_cast<long long>(st.st_size) : -1;
}

}  // namespace

double FieldValue::Number(const std::string& file) const {
    if (kind == kNull) throw RunTimeError(kInvalidUseOfNull, "不正確使用 Null", file);
    if (kind != kNumber) throw TypeMismatch(file);
    return number;
}

bool FieldValue::Equals(double n, const std::string& file) const {
    if (kind == kNull) return false;
    return Number(file) == n;
}

void Recordset::RequireCurrent() const {
    if (Eof()) throw NoCurrentRecord(path_);
}

void Recordset::MoveFirst() {
    editing_ = false;
    if (rows_.empty()) throw NoCurrentRecord(path_);
    pos_ = 0;
}

void Recordset::MoveNext() {
    RequireCurrent();
    editing_ = false;
    ++pos_;
}

int Recordset::FieldIndex(std::string_view name) const {
    for (size_t i = 0; i < names_.size(); ++i)
        if (names_[i].size() == name.size() &&
            ::strncasecmp(names_[i].c_str(), name.data(), name.size()) == 0)
            return static_cast<int>(i);
    throw RunTimeError(kItemNotFound, "在此集合中找不到項目 " + std::string(name), path_);
}

FieldValue Recordset::Field(int index) const {
    if (index < 0 || index >= static_cast<int>(names_.size()))
        throw RunTimeError(kItemNotFound, "在此集合中找不到項目 " + std::to_string(index), path_);
    RequireCurrent();
    return rows_[pos_][static_cast<size_t>(index)];
}

FieldValue Recordset::Field(std::string_view name) const { return Field(FieldIndex(name)); }

void Recordset::Edit() {
    RequireCurrent();
    editing_ = true;
    editBuffer_.clear();
}

void Recordset::SetField(std::string_view name, std::int16_t value) {
    int index = FieldIndex(name);
    if (!editing_) throw RunTimeError(kUpdateWithoutEdit, "未使用 Edit 而設定欄位", path_);
    char type = types_[static_cast<size_t>(index)];
    if (type != 'N' && type != 'F' && type != 'C') throw TypeMismatch(path_);
    editBuffer_.emplace_back(index, value);
}

void Recordset::Update() {
    if (!editing_) throw RunTimeError(kUpdateWithoutEdit, "未使用 Edit 而執行 Update", path_);
    RequireCurrent();
    std::vector<TableEdit> edits;
    for (auto [field, value] : editBuffer_) {
        FieldValue& cell = rows_[pos_][static_cast<size_t>(field)];
        cell.kind = FieldValue::kNumber;
        cell.number = value;
        cell.text.clear();
        edits.push_back({recordIds_[pos_], field, value});
    }
    editing_ = false;
    editBuffer_.clear();
    engine_->Record(path_, edits);
}

std::shared_ptr<Recordset> Database::OpenRecordset(const std::string& table) {
    std::string path = FindCaseBlind(folder_, table + ".dbf");
    if (!rice::IsRegularFile(path))
        throw RunTimeError(kTableNotFound, "找不到輸入資料表 '" + table + "'", path);

    SAHooks hooks;
    SASetupDefaultHooks(&hooks);
    hooks.FOpen = OpenMatchedTable;
    tableToOpen = path.c_str();
    DBFHandle dbf = DBFOpenLL(path.c_str(), "rb", &hooks);
    tableToOpen = nullptr;
    if (!dbf) throw RunTimeError(kCannotOpenTable, "無法開啟資料表", path);

    // A header that promises more records than the file holds is a broken table, not a
    // reason to reserve memory for them.
    long long need = static_cast<long long>(dbf->nHeaderLength) +
                     static_cast<long long>(dbf->nRecords) * dbf->nRecordLength;
    if (dbf->nRecords < 0 || dbf->nRecordLength <= 0 || FileSize(path) < need) {
        DBFClose(dbf);
        throw RunTimeError(kCannotOpenTable, "資料表已損毀", path);
    }

    auto rs = std::shared_ptr<Recordset>(new Recordset);
    rs->engine_ = engine_;
    rs->path_ = path;
    int fields = DBFGetFieldCount(dbf);
    for (int f = 0; f < fields; ++f) {
        char name[XBASE_FLDNAME_LEN_READ + 1] = {};
        DBFGetFieldInfo(dbf, f, name, nullptr, nullptr);
        rs->names_.emplace_back(name);
        rs->types_.push_back(DBFGetNativeFieldType(dbf, f));
    }
    int records = DBFGetRecordCount(dbf);
    for (int r = 0; r < records; ++r) {
        if (DBFIsRecordDeleted(dbf, r)) continue;
        std::vector<FieldValue> row(static_cast<size_t>(fields));
        for (int f = 0; f < fields; ++f) {
            FieldValue& v = row[static_cast<size_t>(f)];
            char type = rs->types_[static_cast<size_t>(f)];
            if (DBFIsAttributeNULL(dbf, r, f)) continue;
            const char* raw = DBFReadStringAttribute(dbf, r, f);
            if (!raw) {
                DBFClose(dbf);
                throw RunTimeError(kCannotOpenTable, "資料表已損毀", path);
            }
            std::string text(raw);
            size_t b = text.find_first_not_of(' ');
            size_t e = text.find_last_not_of(' ');
            std::string trimmed = b == std::string::npos ? "" : text.substr(b, e - b + 1);
            if (trimmed.empty() && type == 'C') continue;  // a blank text field is null
            if (ParseNumber(trimmed, v.number)) {
                v.kind = FieldValue::kNumber;
            } else {
                v.kind = FieldValue::kText;
                v.text = text;
            }
        }
        rs->recordIds_.push_back(r);
        rs->rows_.push_back(std::move(row));
    }
    DBFClose(dbf);
    return rs;
}

void ApplyEditsAtomically(const std::string& path, const std::vector<TableEdit>& edits) {
    std::optional<std::string> bytes = rice::ReadWholeFile(path);
    if (!bytes) throw WriteFailed(path);
    // The edits go into a copy inside the writer; the table changes only when all are in.
    rice::AtomicFile file;
    bool ok = file.Open(path) && file.Write(*bytes);
    if (ok) {
        DBFHandle dbf = rice::OpenDbfIn(file);
        if (!dbf) ok = false;
        if (ok) {
            std::time_t now = std::time(nullptr);
            std::tm local {};
            localtime_r(&now, &local);
            DBFSetLastModifiedDate(dbf, local.tm_year, local.tm_mon + 1, local.tm_mday);
            for (const TableEdit& e : edits) {
                char type = DBFGetNativeFieldType(dbf, e.field);
                if (type == 'N' || type == 'F')
                    ok = ok && DBFWriteIntegerAttribute(dbf, e.record, e.field, e.value);
                else if (type == 'C')
                    ok = ok && DBFWriteStringAttribute(dbf, e.record, e.field,
                                                       std::to_string(e.value).c_str());
                else
                    ok = false;
            }
            DBFClose(dbf);
        }
    }
    if (!ok || !file.Commit()) throw WriteFailed(path);
}

std::shared_ptr<Database> DbEngine::OpenDatabase(const std::string& path) {
    if (!rice::IsFolder(path)) throw RunTimeError(kNotValidPath, "不是有效的路徑", path);
    auto db = std::shared_ptr<Database>(new Database);
    db->engine_ = this;
    db->folder_ = path;
    return db;
}

void DbEngine::BeginTrans() { inTransaction_ = true; }

void DbEngine::Rollback() {
    inTransaction_ = false;
    pending_.clear();
}

void DbEngine::CommitTrans() {
    if (!inTransaction_)
        throw RunTimeError(kCommitWithoutBegin, "未開始交易而認可交易", "");
    inTransaction_ = false;
    auto pending = std::move(pending_);
    pending_.clear();
    std::vector<std::string> order;
    for (const auto& [path, edit] : pending)
        if (std::find(order.begin(), order.end(), path) == order.end()) order.push_back(path);
    for (const std::string& path : order) {
        std::vector<TableEdit> edits;
        for (const auto& [p, edit] : pending)
            if (p == path) edits.push_back(edit);
        ApplyEditsAtomically(path, edits);
    }
}

void DbEngine::Record(const std::string& path, const std::vector<TableEdit>& edits) {
    if (edits.empty()) return;
    if (!inTransaction_) {
        ApplyEditsAtomically(path, edits);
        return;
    }
    for (const TableEdit& e : edits) pending_.emplace_back(path, e);
}

}  // namespace cover
