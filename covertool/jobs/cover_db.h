#pragma once
// A cover folder opened as a database of dBASE tables, in place of the desktop database
// engine: tables are the .dbf files in the folder (names matched case-blind), read in stored
// order. Edits made inside a transaction are seen at once by the recordset but reach the
// table only at CommitTrans, which writes a copy and renames it over the table, so the
// table is always either as it was or wholly edited.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "covertool/jobs/run_time_error.h"

namespace cover {

// A field's value: a number or null. Text that reads as no number is kept so that using it
// as a number reports a type mismatch, as the engine would.
struct FieldValue {
    enum Kind { kNull, kNumber, kText };
    Kind kind = kNull;
    double number = 0;
    std::string text;

    bool IsNull() const { return kind == kNull; }
    // The number; kInvalidUseOfNull or kTypeMismatch (naming `file`) otherwise.
    double Number(const std::string& file) const;
    // value = n, as a condition: null never equals; text is a type mismatch.
    bool Equals(double n, const std::string& file) const;
};

class DbEngine;

class Recordset {
public:
    bool Eof() const { return pos_ >= rows_.size(); }
    void MoveFirst();
    void MoveNext();
    FieldValue Field(int index) const;
    FieldValue Field(std::string_view name) const;
    void Edit();
    void SetField(std::string_view name, std::int16_t value);
    void Update();
    // The table's file on disk.
    const std::string& Path() const { return path_; }
    int RecordCount() const { return static_cast<int>(rows_.size()); }

private:
    friend class Database;
    int FieldIndex(std::string_view name) const;
    void RequireCurrent() const;

    DbEngine* engine_ = nullptr;
    std::string path_;
    std::vector<std::string> names_;
    std::vector<char> types_;
    std::vector<int> recordIds_;  // stored record number of each row (deleted records skipped)
    std::vector<std::vector<FieldValue>> rows_;
    size_t pos_ = 0;
    bool editing_ = false;
    std::vector<std::pair<int, std::int16_t>> editBuffer_;
};

class Database {
public:
    // The named table in stored order, on its first record.
    std::shared_ptr<Recordset> OpenRecordset(const std::string& table);
    const std::string& Folder() const { return folder_; }

private:
    friend class DbEngine;
    DbEngine* engine_ = nullptr;
    std::string folder_;
};

// One edit of an integer code into a stored record.
struct TableEdit {
    int record;
    int field;
    std::int16_t value;
};

// Writes `edits` into a copy of the table at `path` and renames the copy over it.
// Throws RunTimeError (kCannotWriteTable) and leaves the table untouched when any step fails.
void ApplyEditsAtomically(const std::string& path, const std::vector<TableEdit>& edits);

class DbEngine {
public:
    // The folder at `path` as a database (kNotValidPath when there is none).
    std::shared_ptr<Database> OpenDatabase(const std::string& path);
    void BeginTrans();
    void CommitTrans();
    // Drops the edits of the open transaction; the tables stay as they were.
    void Rollback();
    bool InTransaction() const { return inTransaction_; }

private:
    friend class Recordset;
    void Record(const std::string& path, const std::vector<TableEdit>& edits);

    bool inTransaction_ = false;
    std::vector<std::pair<std::string, TableEdit>> pending_;
};

}  // namespace cover
