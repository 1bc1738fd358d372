// Tables built inside the atomic writer are the same bytes shapelib writes on its own.
#include <gtest/gtest.h>
#include <shapefil.h>

#include "platform/core/atomic_dbf.h"
#include "platform/core/files.h"
#include "platform/testing/temp_folder.h"
#include "workbench/tests/engine/test_util.h"

namespace rice {
namespace {


void FillTable(DBFHandle h) {
    ASSERT_EQ(DBFAddField(h, "SUM", FTInteger, 10, 0), 0);
    ASSERT_EQ(DBFAddField(h, "1ST_PROB", FTDouble, 10, 3), 1);
    ASSERT_EQ(DBFAddField(h, "CULTURE", FTString, 1, 0), 2);
    for (int r = 0; r < 3; ++r) {
        DBFWriteIntegerAttribute(h, r, 0, 100 * r);
        DBFWriteDoubleAttribute(h, r, 1, r / 3.0);
        DBFWriteStringAttribute(h, r, 2, r == 1 ? "1" : "");
    }
}

class AtomicDbf : public testing::TempFolderTest {};

TEST_F(AtomicDbf, CreatedAndEditedTablesMatchShapelibsOwn) {
    DBFHandle plain = DBFCreate(Path("plain.dbf").c_str());
    ASSERT_NE(plain, nullptr);
    FillTable(plain);
    DBFClose(plain);

    AtomicFile file;
    ASSERT_TRUE(file.Open(Path("atomic.dbf")));
    DBFHandle h = CreateDbfIn(file);
    ASSERT_NE(h, nullptr);
    FillTable(h);
    DBFClose(h);
    EXPECT_FALSE(FileExists(Path("atomic.dbf")));  // nothing before the commit
    ASSERT_TRUE(file.Commit());
    EXPECT_EQ(ReadWholeFile(Path("atomic.dbf")), ReadWholeFile(Path("plain.dbf")));

    // An edit of a copy, as the cover tool makes it.
    DBFHandle edit = DBFOpen(Path("plain.dbf").c_str(), "rb+");
    DBFWriteIntegerAttribute(edit, 1, 0, 7);
    DBFClose(edit);
    AtomicFile copy;
    ASSERT_TRUE(copy.Open(Path("atomic.dbf")));
    ASSERT_TRUE(copy.Write(*ReadWholeFile(Path("atomic.dbf"))));
    DBFHandle e = OpenDbfIn(copy);
    ASSERT_NE(e, nullptr);
    DBFWriteIntegerAttribute(e, 1, 0, 7);
    DBFClose(e);
    ASSERT_TRUE(copy.Commit());
    EXPECT_EQ(ReadWholeFile(Path("atomic.dbf")), ReadWholeFile(Path("plain.dbf")));
}

}  // namespace
}  // namespace rice
