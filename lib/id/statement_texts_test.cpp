// The statement texts of the records and table-access objects, to the
// character, as the statement trace shows them. This suite runs with
// "com.orvo.CORBA.sqlPrint" set for its whole process.
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include <qeloridm/irdb.h>
#include <qeloridm/mrbucket.h>
#include <qeloridm/mrinher.h>
#include <qeloridm/mrrefer.h>
#include <qeloridm/mrrepdat.h>

#include "captured_output.h"
#include "irtable.h"
#include "temp_repository.h"
#include "test_support.h"

namespace {

class StatementTexts : public ::testing::Test {
 protected:
  // The statements an action runs, one per line.
  template <class Action>
  std::string traced(Action action) {
    ::testing::internal::CaptureStdout();
    try {
      action();
    } catch (IRStore::Exception&) {
    }
    return ::testing::internal::GetCapturedStdout();
  }

  TempRepository repository{"VADIRIRI"};
  CapturedReports reports;
  IRDB store{nullptr};
  const std::string a = iid_of("IDL:A:1.0");
  const std::string b = iid_of("IDL:B:1.0");
  const std::string k = a + b;
};

TEST_F(StatementTexts, RelationRecords) {
  Irbucket bucket;
  bucket.setKey(k.c_str());
  bucket.setBucketiid(a.c_str());
  bucket.setIid(b.c_str());
  EXPECT_EQ(traced([&] { bucket.add(); }),
            "SELECT * FROM IRBUCKET WHERE KEYFIELD = '" + k + "'\n"
            "INSERT INTO IRBUCKET VALUES ('" + k + "','" + a + "','" + b + "')\n");
  EXPECT_EQ(traced([&] { bucket.update(); }),
            "SELECT * FROM IRBUCKET WHERE KEYFIELD = '" + k + "'\n"
            "UPDATE IRBUCKET SET BUCKETIID  = '" + a + "',IID        = '" + b +
                "' WHERE KEYFIELD   = '" + k + "'\n");
  EXPECT_EQ(traced([&] { bucket.del(); }),
            "SELECT * FROM IRBUCKET WHERE KEYFIELD = '" + k + "'\n"
            "DELETE FROM IRBUCKET WHERE KEYFIELD = '" + k + "'\n");

  Irinher inher;
  inher.setKey(k.c_str());
  inher.setIid(a.c_str());
  inher.setParentiid(b.c_str());
  inher.add();
  EXPECT_EQ(traced([&] { inher.update(); }),
            "SELECT * FROM IRINHER WHERE KEYFIELD = '" + k + "'\n"
            "UPDATE IRINHER SET IID        = '" + a + "',PARENTIID  = '" + b +
                "' WHERE KEYFIELD   = '" + k + "'\n");

  Irrefer refer;
  refer.setKey(k.c_str());
  refer.setIid(a.c_str());
  refer.setRefertoiid(b.c_str());
  EXPECT_EQ(traced([&] { refer.add(); }),
            "SELECT * FROM IRREFER WHERE KEYFIELD = '" + k + "'\n"
            "INSERT INTO IRREFER VALUES ('" + k + "','" + a + "','" + b + "')\n");
  std::string update = traced([&] { refer.update(); });
  std::string update_text = update.substr(update.find('\n') + 1);
  EXPECT_EQ(update_text, "UPDATE IRREFER SET IID         = '" + a + "',REFERTOIID  = '" + b +
                             "' WHERE KEYFIELD    = '" + k + "'\n");
  EXPECT_EQ(update_text.size() - 1, 203u);  // the longest relation statement
}

TEST_F(StatementTexts, IrrepdatRecord) {
  Irrepdat row;
  row.setIid(a.c_str());
  EXPECT_EQ(traced([&] { row.retrieve(); }), "SELECT * FROM IRREPDAT WHERE IID = '" + a + "'\n");
  add_object("IDL:A:1.0", "A", 5);
  // The static insert and update are no statement texts of the store's.
  EXPECT_EQ(traced([&] { row.del(); }),
            "SELECT * FROM IRREPDAT WHERE IID = '" + a + "'\n"
            "DELETE FROM IRREPDAT WHERE IID = '" + a + "'\n");
}

TEST_F(StatementTexts, RelationTables) {
  IRBucketTable bucket(nullptr, &store);
  IRInherTable inher(nullptr, &store);
  IRReferTable refer(nullptr, &store);
  IIDOctets oa = iid_octets(a);
  auto related = [&](auto& table, bool direction) {
    return traced([&] { delete table.related_iids(&oa, direction); });
  };
  EXPECT_EQ(related(bucket, true), "SELECT IID FROM IRBUCKET WHERE BUCKETIID = '" + a + "'\n");
  EXPECT_EQ(related(bucket, false), "SELECT BUCKETIID FROM IRBUCKET WHERE IID = '" + a + "'\n");
  EXPECT_EQ(related(inher, true), "SELECT PARENTIID FROM IRINHER WHERE IID = '" + a + "'\n");
  EXPECT_EQ(related(inher, false), "SELECT IID FROM IRINHER WHERE PARENTIID = '" + a + "'\n");
  EXPECT_EQ(related(refer, true), "SELECT REFERTOIID FROM IRREFER WHERE IID = '" + a + "'\n");
  EXPECT_EQ(related(refer, false), "SELECT IID FROM IRREFER WHERE REFERTOIID = '" + a + "'\n");
  EXPECT_EQ(traced([&] { bucket.remove_all(&oa); }), "DELETE FROM IRBUCKET WHERE IID = '" + a + "'\n");
  EXPECT_EQ(traced([&] { inher.remove_all(&oa); }), "DELETE FROM IRINHER WHERE IID = '" + a + "'\n");
  EXPECT_EQ(traced([&] { refer.remove_all(&oa); }), "DELETE FROM IRREFER WHERE IID = '" + a + "'\n");
}

TEST_F(StatementTexts, RepdatTable) {
  IRRepdatTable repdat(nullptr, &store);
  IIDOctets oa = iid_octets(a);
  char name[255], kind[13], repid[4096];
  EXPECT_EQ(traced([&] { repdat.exists_iid(&oa, 0); }),
            "SELECT IID FROM IRREPDAT WHERE IID = '" + a + "'\n");
  EXPECT_EQ(traced([&] { repdat.name_and_kind(a.c_str(), name, kind); }),
            "SELECT NAME, KIND FROM IRREPDAT WHERE IID = '" + a + "'\n");
  EXPECT_EQ(traced([&] { repdat.repid_of(a.c_str(), repid); }),
            "SELECT REPID FROM IRREPDAT WHERE IID = '" + a + "'\n");

  std::string blanks(251, ' ');
  EXPECT_EQ(traced([&] { delete repdat.find_by_name("Foo", "5:8", true); }),
            "SELECT IID FROM IRREPDAT WHERE NAME LIKE 'Foo" + blanks +
                "' AND (KIND = '5' OR KIND = '9' OR KIND = '10' OR KIND = '11' OR KIND = '12')\n");
  EXPECT_EQ(traced([&] { delete repdat.find_by_name("fo%", ":2:7", false); }),
            "SELECT IID FROM IRREPDAT WHERE UCASE(NAME) LIKE 'FO%' AND (KIND = '2' OR KIND = '7')\n");
  EXPECT_EQ(traced([&] { delete repdat.find_by_name("", "6", true); }),
            "SELECT IID FROM IRREPDAT WHERE NAME LIKE '" + std::string(254, ' ') +
                "' AND (KIND = '6')\n");
  EXPECT_EQ(traced([&] { repdat.match_name_and_kind(&oa, "Foo", "5", false); }),
            "SELECT IID FROM IRREPDAT WHERE IID = '" + a + "' AND UCASE(NAME) LIKE 'FOO" + blanks +
                "' AND (KIND = '5')\n");
  EXPECT_EQ(traced([&] { repdat.match_kind(&oa, "8"); }),
            "SELECT IID FROM IRREPDAT WHERE IID = '" + a +
                "' AND (KIND = '9' OR KIND = '10' OR KIND = '11' OR KIND = '12')\n");
}

}  // namespace
