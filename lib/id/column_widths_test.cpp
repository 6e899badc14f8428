// Rows are read into the store's fixed buffers. Tables made outside the
// store's schema may be wider than those buffers, or not enforce the widths
// they declare: a read of such a table is a clear error, never an overflow
// of a buffer and never a value cut short or delivered empty.
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include <qeloridm/irdb.h>
#include <qeloridm/mrrepdat.h>
#include <tarn/tarn.h>

#include "captured_output.h"
#include "temp_repository.h"
#include "test_support.h"

namespace {

class ColumnWidths : public ::testing::Test {
 protected:
  // IRREPDAT again, with REPID declared `repid` and no check of its width.
  void remake_objects_table(const std::string& repid) {
    if (repository.on_postgresql()) {
      test_session().execute(("ALTER TABLE IRREPDAT ALTER COLUMN REPID TYPE " + repid).c_str());
      test_session().execute("ALTER TABLE IRREPDAT DROP CONSTRAINT irrepdat_repid_check");
    } else {
      test_session().execute("DROP TABLE IRREPDAT");
      test_session().execute(("CREATE TABLE IRREPDAT (IID CHAR(32) NOT NULL PRIMARY KEY, REPID " + repid +
                              ", NAME CHAR(254) NOT NULL, KIND VARCHAR(12) NOT NULL, STREAM TEXT)")
                                 .c_str());
    }
    test_session().commit();
  }
  void insert_row(const std::string& repid) {
    std::string values = "('" + iid + "','" + repid + "','N','5','00')";
    test_session().execute(("INSERT INTO IRREPDAT VALUES " + values).c_str());
  }
  // Reads the row back; the message of the error it fails with.
  std::string read_fails() {
    Irrepdat row;
    row.setIid(iid.c_str());
    try {
      row.retrieve();
    } catch (IRStore::Exception& e) {
      EXPECT_EQ(e.code, 7);
      return e.message ? e.message : "";
    }
    ADD_FAILURE() << "read a row whose repository id does not fit its buffer";
    return "";
  }

  TempRepository repository{"VADIRIRI"};
  CapturedReports reports;
  IRDB store{nullptr};
  const std::string iid = iid_of("IDL:Wide:1.0");
};

TEST_F(ColumnWidths, AColumnWiderThanTheStoresIsRefusedWhateverItHolds) {
  remake_objects_table("VARCHAR(8000)");
  insert_row("IDL:Wide:1.0");
  std::string message = read_fails();
  EXPECT_NE(message.find("SQL0302N"), std::string::npos) << message;
  EXPECT_NE(message.find("Column REPID is 8000 characters wide, wider than the 4095 the store keeps there"),
            std::string::npos)
      << message;
}

TEST_F(ColumnWidths, AValueThatWouldOverflowItsBufferIsNeverCopied) {
  remake_objects_table("VARCHAR(8000)");
  insert_row(std::string(6000, 'r'));
  read_fails();
  // The cursor was closed: the session's next query opens it again.
  EXPECT_EQ(query_rows("SELECT REPID FROM IRREPDAT", 1), (Rows{{std::string(6000, 'r')}}));
}

// SQLite keeps what it is given whatever the declared width; PostgreSQL
// refuses it on the way in.
TEST_F(ColumnWidths, AValueLongerThanItsDeclaredColumnIsRefusedNotCut) {
  if (repository.on_postgresql()) GTEST_SKIP() << "PostgreSQL enforces declared widths";
  remake_objects_table("VARCHAR(4095)");
  insert_row(std::string(5000, 'r'));
  std::string message = read_fails();
  EXPECT_NE(message.find("A value of column REPID is longer than its 4095 characters"), std::string::npos)
      << message;
}

}  // namespace
