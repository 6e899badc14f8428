// Units of work, destroy with the deletion set, move, references and the
// change of a repository id, against real SQLite databases.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include <qelorirm/definitions.h>
#include <qeloridm/irdb.h>
#include <tarn/tarn.h>

#include "captured_output.h"
#include "temp_repository.h"
#include "test_support.h"

namespace {

using Strings = std::vector<std::string>;

// Counts a table's rows on a connection of its own, as another process
// would see them: only what is committed.
int committed_rows(const std::string& table) {
  int rows = -1;
  std::thread reader([&] {
    sqlca ca{};
    void* context = nullptr;
    tarn_begin_context(&context, &ca);
    tarn_attach_context(context, &ca);
    std::unique_ptr<tarn_input, decltype(&tarn_input_free)> vars(tarn_input_alloc(1), &tarn_input_free);
    char alias[] = "VADIRIRI";
    tarn_input_set(vars.get(), 0, TARN_CSTRING, 8, alias, nullptr);
    tarn_connect(vars.get(), &ca);
    if (ca.sqlcode == 0) {
      tarn_prepare(1, ("SELECT * FROM " + table).c_str(), &ca);
      tarn_open(1, 1, &ca);
      sqlda da{};
      da.sqln = 0;
      rows = 0;
      for (tarn_fetch(1, &da, &ca); ca.sqlcode == 0; tarn_fetch(1, &da, &ca)) ++rows;
      tarn_close(1, &ca);
    }
    tarn_detach_context(context, &ca);
    tarn_end_context(context, &ca);
  });
  reader.join();
  return rows;
}

class Lifecycle : public ::testing::Test {
 protected:
  void SetUp() override { store.endUpdate(); }  // the root is committed
  std::string make(const std::string& name, const std::string& container = "") {
    return build.define<CORBA_InterfaceDef_Impl>(name, "IDL:" + name + ":1.0", container);
  }
  int objects() { return count_rows("IRREPDAT"); }
  // Every row of every table, sorted.
  static std::string table_snapshot() {
    std::string text;
    for (const char* table : {"IRREPDAT", "IRBUCKET", "IRINHER", "IRREFER"}) {
      Rows rows = query_rows(std::string("SELECT * FROM ") + table, std::string(table) == "IRREPDAT" ? 5 : 3);
      std::sort(rows.begin(), rows.end());
      for (const auto& row : rows) {
        for (const auto& column : row) text += column + "|";
        text += "\n";
      }
    }
    return text;
  }
  // The containers of an object, as committed.
  static Rows containers_of(const std::string& repid) {
    return query_rows("SELECT BUCKETIID FROM IRBUCKET WHERE IID = '" + iid_of(repid) + "' ORDER BY BUCKETIID",
                      1);
  }

  TempRepository repository{"VADIRIRI"};
  CapturedReports reports;
  IRDB store{nullptr};
  RepositoryBuilder build{store};
};

// ---- Updates and user transactions -----------------------------------------------

TEST_F(Lifecycle, AnUpdateCommitsAtItsEnd) {
  store.beginUpdate();
  make("A");
  EXPECT_EQ(committed_rows("IRREPDAT"), 1);  // the root only
  store.endUpdate();
  EXPECT_EQ(committed_rows("IRREPDAT"), 2);
}

TEST_F(Lifecycle, InsideAUserTransactionOnlyItsEndCommits) {
  store.beginUserTransaction();
  store.beginUpdate();
  make("A");
  store.endUpdate();
  EXPECT_EQ(committed_rows("IRREPDAT"), 1);
  store.beginUserTransaction();  // ignored
  make("B");
  store.endUserTransaction();
  EXPECT_EQ(committed_rows("IRREPDAT"), 3);
  store.endUserTransaction();  // none open: nothing happens
}

TEST_F(Lifecycle, CancellingAnUpdateRollsBackAndEndsTheUserTransaction) {
  store.beginUserTransaction();
  make("A");
  store.cancelUpdate();
  EXPECT_EQ(objects(), 1);
  make("B");
  store.endUserTransaction();  // the transaction ended with the cancel
  EXPECT_EQ(committed_rows("IRREPDAT"), 1);
  store.endUpdate();
  EXPECT_EQ(committed_rows("IRREPDAT"), 2);

  store.beginUserTransaction();
  make("C");
  store.cancelUserTransaction();
  EXPECT_EQ(objects(), 2);
  store.cancelUserTransaction();  // none open
}

TEST(UncommittedWork, StaysUncommittedUntilTheStoreIsGoneAndThenIsLost) {
  TempRepository repository{"VADIRIRI"};
  CapturedReports reports;
  {
    IRDB store(nullptr);
    RepositoryBuilder build(store);
    store.endUpdate();  // the root is committed
    build.define<CORBA_InterfaceDef_Impl>("A", "IDL:A:1.0");
    EXPECT_EQ(committed_rows("IRREPDAT"), 1);
  }
  EXPECT_EQ(committed_rows("IRREPDAT"), 1);
  EXPECT_EQ(committed_rows("IRBUCKET"), 0);
  IRDB store(nullptr);
  EXPECT_EQ(store.kind_from_ID(handle_of("IDL:A:1.0").get()), CORBA::dk_none);
  EXPECT_EQ(store.kind_from_ID(handle_of(CORBA_Repository_Impl::kRepositoryId).get()), CORBA::dk_Repository);
}

// A writer killed in the middle of a user transaction leaves the repository
// as it was at its last commit.
TEST(Crash, AKilledWriterLeavesWhatWasLastCommitted) {
  TempRepository repository{"VADIRIRI"};
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  pid_t writer = fork();
  ASSERT_GE(writer, 0);
  if (writer == 0) {
    close(ready[0]);
    {
      IRDB store(nullptr);
      RepositoryBuilder build(store);
      build.define<CORBA_ModuleDef_Impl>("Kept", "IDL:Kept:1.0");
      store.endUpdate();
      store.beginUserTransaction();
      for (int i = 0; i < 50; ++i) {
        build.define<CORBA_ModuleDef_Impl>("Lost" + std::to_string(i), "IDL:Lost" + std::to_string(i) + ":1.0");
      }
      if (write(ready[1], "x", 1) != 1) _exit(2);
      pause();  // killed here, in the middle of the user transaction
    }
    _exit(0);
  }
  close(ready[1]);
  char byte;
  ASSERT_EQ(read(ready[0], &byte, 1), 1);
  close(ready[0]);
  kill(writer, SIGKILL);
  int status = 0;
  waitpid(writer, &status, 0);
  ASSERT_TRUE(WIFSIGNALED(status));

  CapturedReports reports;
  IRDB store(nullptr);
  Rows rows = query_rows("SELECT REPID FROM IRREPDAT", 1);
  Strings repids;
  for (const auto& row : rows) repids.push_back(row[0]);
  std::sort(repids.begin(), repids.end());
  EXPECT_EQ(repids, (Strings{"IDL:Kept:1.0", CORBA_Repository_Impl::kRepositoryId}));
  EXPECT_EQ(count_rows("IRBUCKET"), 1);
  // And the repository takes writes again.
  RepositoryBuilder build(store);
  EXPECT_NO_THROW(build.define<CORBA_ModuleDef_Impl>("After", "IDL:After:1.0"));
}

// ---- destroy -----------------------------------------------------------------------

TEST_F(Lifecycle, DestroyRemovesTheObjectAndEverythingThatDependsOnIt) {
  build.define<CORBA_ModuleDef_Impl>("M", "IDL:M:1.0");
  make("I", "IDL:M:1.0");
  std::string j = make("J");
  build.inherit(j, "IDL:I:1.0");
  std::string r = build.define<CORBA_AttributeDef_Impl>("R", "IDL:R:1.0");
  build.refer(r, "IDL:I:1.0");
  make("Bystander");

  Strings preview = repids_of(store.get_objects_2b_deleted(handle_of("IDL:M:1.0").get()));
  Strings expected = {"IDL:I:1.0", "IDL:J:1.0", "IDL:R:1.0"};
  std::sort(expected.begin(), expected.end(),
            [](const std::string& a, const std::string& b) { return iid_of(a) < iid_of(b); });
  EXPECT_EQ(preview, expected);
  EXPECT_EQ(objects(), 6);  // the preview changes nothing

  store.destroy(handle_of("IDL:M:1.0").get());
  EXPECT_EQ(query_rows("SELECT REPID FROM IRREPDAT ORDER BY REPID", 1),
            (Rows{{"IDL:Bystander:1.0"}, {CORBA_Repository_Impl::kRepositoryId}}));
  EXPECT_EQ(query_rows("SELECT BUCKETIID, IID FROM IRBUCKET", 2),
            (Rows{{iid_of(CORBA_Repository_Impl::kRepositoryId), iid_of("IDL:Bystander:1.0")}}));
  EXPECT_EQ(count_rows("IRINHER"), 0);
  EXPECT_EQ(count_rows("IRREFER"), 0);
  EXPECT_THROW(store.destroy(handle_of("IDL:M:1.0").get()), IRStore::NotExist);
}

TEST_F(Lifecycle, DestroyOfAnObjectWithoutDependantsTouchesNothingElse) {
  std::string base = make("Base");
  std::string lone = make("Lone");
  build.inherit(lone, base);  // its own link to a base goes with it
  build.refer(lone, base);
  std::string other = make("Other");
  build.inherit(other, base);
  EXPECT_TRUE(repids_of(store.get_objects_2b_deleted(handle_of(lone).get())).empty());

  store.destroy(handle_of(lone).get());
  EXPECT_EQ(objects(), 3);  // root, Base, Other
  EXPECT_EQ(query_rows("SELECT IID, PARENTIID FROM IRINHER", 2), (Rows{{iid_of(other), iid_of(base)}}));
  EXPECT_EQ(count_rows("IRREFER"), 0);
  EXPECT_EQ(count_rows("IRBUCKET"), 2);
}

TEST_F(Lifecycle, DestroyOfAMissingObjectLeavesTheRepositoryAsItWas) {
  std::string a = make("A");
  build.refer(make("B"), a);
  store.endUpdate();
  std::string before = table_snapshot();
  EXPECT_THROW(store.destroy(handle_of("IDL:Nothing:1.0").get()), IRStore::NotExist);
  EXPECT_EQ(table_snapshot(), before);
  store.endUpdate();
  EXPECT_EQ(committed_rows("IRREPDAT"), 3);
  EXPECT_EQ(committed_rows("IRREFER"), 1);
}

TEST_F(Lifecycle, AReferenceCycleDeletesEachRowOnce) {
  std::string a = make("A"), b = make("B");
  build.refer(a, b);
  build.refer(b, a);
  EXPECT_EQ(repids_of(store.get_objects_2b_deleted(handle_of(a).get())).size(), 2u);  // A itself, through B
  EXPECT_NO_THROW(store.destroy(handle_of(a).get()));
  EXPECT_EQ(objects(), 1);
  EXPECT_EQ(count_rows("IRREFER"), 0);
}

// ---- move --------------------------------------------------------------------------

TEST_F(Lifecycle, MoveChangesTheContainerAndOptionallyTheName) {
  build.define<CORBA_ModuleDef_Impl>("P", "IDL:P:1.0");
  build.define<CORBA_ModuleDef_Impl>("Q", "IDL:Q:1.0");
  std::string x = make("X", "IDL:P:1.0");
  store.move(handle_of(x).get(), handle_of("IDL:Q:1.0").get(), nullptr);
  EXPECT_EQ(query_rows("SELECT BUCKETIID FROM IRBUCKET WHERE IID = '" + iid_of(x) + "'", 1),
            (Rows{{iid_of("IDL:Q:1.0")}}));
  CorbaString name(store.name_from_ID(handle_of(x).get()));
  EXPECT_STREQ(name.get(), "X");

  char renamed[] = "Y";
  store.move(handle_of(x).get(), handle_of("IDL:P:1.0").get(), renamed);
  EXPECT_EQ(query_rows("SELECT BUCKETIID FROM IRBUCKET WHERE IID = '" + iid_of(x) + "'", 1),
            (Rows{{iid_of("IDL:P:1.0")}}));
  CorbaString new_name(store.name_from_ID(handle_of(x).get()));
  EXPECT_STREQ(new_name.get(), "Y");
}

TEST_F(Lifecycle, MovingIntoTheSameContainerFailsAndChangesNothing) {
  build.define<CORBA_ModuleDef_Impl>("P", "IDL:P:1.0");
  std::string x = make("X", "IDL:P:1.0");
  Rows before = query_rows("SELECT * FROM IRBUCKET", 3);
  try {
    store.move(handle_of(x).get(), handle_of("IDL:P:1.0").get(), const_cast<char*>("Renamed"));
    FAIL() << "moved into its own container";
  } catch (IRStore::Exception& e) {
    EXPECT_EQ(e.code, 1);
    EXPECT_STREQ(e.sqlstate, "23000");
  }
  EXPECT_EQ(query_rows("SELECT * FROM IRBUCKET", 3), before);
  CorbaString name(store.name_from_ID(handle_of(x).get()));
  EXPECT_STREQ(name.get(), "X");
  EXPECT_THROW(store.move(handle_of("IDL:None:1.0").get(), handle_of("IDL:P:1.0").get(), nullptr),
               IRStore::NotExist);
}

// On a server, another process may take the object out of its old
// container between the move's reading of that row and its DELETE, which
// then changes no row. The move fails, and takes its new row back.
TEST_F(Lifecycle, AMoveWhoseOldRowWentMeanwhileLeavesTheObjectInOneContainer) {
  build.define<CORBA_ModuleDef_Impl>("P", "IDL:P:1.0");
  build.define<CORBA_ModuleDef_Impl>("Q", "IDL:Q:1.0");
  std::string x = make("X", "IDL:P:1.0");
  std::string y = make("Y", "IDL:P:1.0");
  std::string z = make("Z", "IDL:P:1.0");
  store.endUpdate();
  store.move(handle_of(z).get(), handle_of("IDL:Q:1.0").get(), nullptr);  // each query shape described once
  long before = tarn_statement_count();
  store.move(handle_of(y).get(), handle_of("IDL:Q:1.0").get(), nullptr);
  int calls = static_cast<int>(tarn_statement_count() - before);  // the last: the old row's DELETE

  tarn_fail_statement(calls, TARN_SQL_NOT_FOUND);
  EXPECT_THROW(store.move(handle_of(x).get(), handle_of("IDL:Q:1.0").get(), nullptr), IRStore::NotExist);
  tarn_fail_statement(0, 0);
  EXPECT_EQ(query_rows("SELECT BUCKETIID FROM IRBUCKET WHERE IID = '" + iid_of(x) + "'", 1),
            (Rows{{iid_of("IDL:P:1.0")}}));
}

// Everything a move checks is checked before its first write: a refused
// move leaves nothing that the end of the update would commit.
TEST_F(Lifecycle, AMoveWithANameThatCannotBeStoredMovesNothing) {
  build.define<CORBA_ModuleDef_Impl>("P", "IDL:P:1.0");
  build.define<CORBA_ModuleDef_Impl>("Q", "IDL:Q:1.0");
  std::string x = make("X", "IDL:P:1.0");
  store.endUpdate();
  std::string before = table_snapshot();
  for (std::string name : {std::string("two words"), std::string(255, 'n')}) {
    EXPECT_THROW(store.move(handle_of(x).get(), handle_of("IDL:Q:1.0").get(), name.data()), CORBA::BAD_PARAM)
        << name;
  }
  EXPECT_EQ(table_snapshot(), before);
  store.endUpdate();
  EXPECT_EQ(containers_of(x), (Rows{{iid_of("IDL:P:1.0")}}));
  CorbaString name(store.name_from_ID(handle_of(x).get()));
  EXPECT_STREQ(name.get(), "X");
  // The longest name that fits is taken.
  std::string longest(254, 'n');
  store.move(handle_of(x).get(), handle_of("IDL:Q:1.0").get(), longest.data());
  CorbaString renamed(store.name_from_ID(handle_of(x).get()));
  EXPECT_EQ(renamed.get(), longest);
}

TEST_F(Lifecycle, AnObjectInNoContainerOrInTwoIsNotMoved) {
  build.define<CORBA_ModuleDef_Impl>("P", "IDL:P:1.0");
  build.define<CORBA_ModuleDef_Impl>("Q", "IDL:Q:1.0");
  ObjectReference<CORBA_InterfaceDef_Impl> loose(new CORBA_InterfaceDef_Impl("Loose", "IDL:Loose:1.0"));
  EncapIIOP stream(ENCAP_WRITE);
  loose->object_to_stream(stream);
  store.create(loose.get(), stream);  // in no container
  std::string twice = make("Twice", "IDL:P:1.0");
  build.contain(twice, "IDL:Q:1.0");
  std::string before = table_snapshot();
  EXPECT_THROW(store.move(handle_of("IDL:Loose:1.0").get(), handle_of("IDL:Q:1.0").get(), nullptr),
               IRStore::NotExist);
  EXPECT_THROW(store.move(handle_of(twice).get(), handle_of(CORBA_Repository_Impl::kRepositoryId).get(),
                          const_cast<char*>("Renamed")),
               IRStore::IncoherentIR);
  EXPECT_EQ(table_snapshot(), before);
}

// A container moved into itself or into what it holds would leave the tree
// of containers, its subtree with it.
TEST_F(Lifecycle, MovingAContainerIntoItselfOrItsOwnContentsIsRefused) {
  build.define<CORBA_ModuleDef_Impl>("P", "IDL:P:1.0");
  build.define<CORBA_ModuleDef_Impl>("Q", "IDL:P/Q:1.0", "IDL:P:1.0");
  make("X", "IDL:P/Q:1.0");
  Rows before = query_rows("SELECT * FROM IRBUCKET", 3);
  EXPECT_THROW(store.move(handle_of("IDL:P:1.0").get(), handle_of("IDL:P:1.0").get(), nullptr), CORBA::BAD_PARAM);
  EXPECT_THROW(store.move(handle_of("IDL:P:1.0").get(), handle_of("IDL:P/Q:1.0").get(), nullptr), CORBA::BAD_PARAM);
  EXPECT_THROW(store.move(handle_of("IDL:P:1.0").get(), handle_of("IDL:X:1.0").get(), nullptr), CORBA::BAD_PARAM);
  EXPECT_EQ(query_rows("SELECT * FROM IRBUCKET", 3), before);
  EXPECT_NO_THROW(store.move(handle_of("IDL:X:1.0").get(), handle_of("IDL:P:1.0").get(), nullptr));
}

// The check walks up from the new container: it costs the nesting depth,
// whatever the moved object holds.
TEST_F(Lifecycle, TheCheckAgainstMovingIntoItselfCostsTheSameWhateverTheObjectHolds) {
  build.define<CORBA_ModuleDef_Impl>("Q", "IDL:Q:1.0");
  build.define<CORBA_ModuleDef_Impl>("Full", "IDL:Full:1.0");
  for (int i = 0; i < 40; ++i) {
    std::string member = "IDL:Full/M" + std::to_string(i) + ":1.0";
    build.define<CORBA_ModuleDef_Impl>("M" + std::to_string(i), member, "IDL:Full:1.0");
    make("I" + std::to_string(i), member);
  }
  build.define<CORBA_ModuleDef_Impl>("Empty", "IDL:Empty:1.0");
  build.define<CORBA_ModuleDef_Impl>("Warm", "IDL:Warm:1.0");
  auto calls_to_move = [this](const char* repid) {
    long before = tarn_statement_count();
    store.move(handle_of(repid).get(), handle_of("IDL:Q:1.0").get(), nullptr);
    return tarn_statement_count() - before;
  };
  calls_to_move("IDL:Warm:1.0");  // each query shape described once
  EXPECT_EQ(calls_to_move("IDL:Full:1.0"), calls_to_move("IDL:Empty:1.0"));
  EXPECT_EQ(containers_of("IDL:Full:1.0"), (Rows{{iid_of("IDL:Q:1.0")}}));
}

// ---- References --------------------------------------------------------------------

TEST_F(Lifecycle, ReferrersAreListedDirectlyAndFilteredByKind) {
  std::string t = make("T");
  std::string r1 = build.define<CORBA_OperationDef_Impl>("r1", "IDL:r1:1.0");
  std::string r2 = build.define<CORBA_AttributeDef_Impl>("r2", "IDL:r2:1.0");
  std::string s = make("S");
  build.refer(r1, t);
  build.refer(r2, t);
  build.refer(s, r1);  // a chain is not followed

  std::unique_ptr<CORBA::_IDL_SEQUENCE_CORBA_String_0> repids(store.get_references(handle_of(t).get()));
  std::set<std::string> referrers;
  for (CORBA::ULong i = 0; i < repids->length(); ++i) referrers.insert((*repids)[i]);
  EXPECT_EQ(referrers, (std::set<std::string>{r1, r2}));
  std::unique_ptr<CORBA::_IDL_SEQUENCE_CORBA_String_0> none(store.get_references(handle_of(r2).get()));
  EXPECT_EQ(none->length(), 0u);

  EXPECT_EQ(repids_of(store.get_refs_object(handle_of(t).get(), const_cast<char*>("7"))), Strings{r1});
  EXPECT_EQ(repids_of(store.get_refs_object(handle_of(t).get(), const_cast<char*>(":2:7"))).size(), 2u);
  EXPECT_TRUE(repids_of(store.get_refs_object(handle_of(s).get(), const_cast<char*>("7"))).empty());
  EXPECT_THROW(store.get_refs_object(handle_of(t).get(), const_cast<char*>("")), CORBA::BAD_PARAM);
  EXPECT_THROW(store.get_references(handle_of("IDL:None:1.0").get()), IRStore::NotExist);
}

// ---- Repository-id change ------------------------------------------------------------

class RepositoryIdChange : public Lifecycle {
 protected:
  // I in module M, with base B, containing operation O, referred to by A.
  void SetUp() override {
    Lifecycle::SetUp();
    build.define<CORBA_ModuleDef_Impl>("M", "IDL:M:1.0");
    make("I", "IDL:M:1.0");
    make("B");
    build.inherit("IDL:I:1.0", "IDL:B:1.0");
    build.define<CORBA_OperationDef_Impl>("O", "IDL:I/O:1.0", "IDL:I:1.0");
    build.define<CORBA_AttributeDef_Impl>("A", "IDL:A:1.0");
    build.refer("IDL:A:1.0", "IDL:I:1.0");
  }
  std::string all_rows() {
    std::string text;
    for (const char* table : {"IRREPDAT", "IRBUCKET", "IRINHER", "IRREFER"}) {
      for (const auto& row : query_rows(std::string("SELECT * FROM ") + table, 3)) {
        for (const auto& column : row) text += column + "|";
      }
    }
    return text;
  }
};

TEST_F(RepositoryIdChange, EveryRowAndKeyNamesTheNewIid) {
  Rows old_row = query_rows("SELECT NAME, KIND, STREAM FROM IRREPDAT WHERE IID = '" + iid_of("IDL:I:1.0") + "'", 3);
  store.update_repositoryID(handle_of("IDL:I:1.0").get(), handle_of("IDL:I:2.0").get());
  std::string old_iid = iid_of("IDL:I:1.0"), new_iid = iid_of("IDL:I:2.0");
  EXPECT_EQ(all_rows().find(old_iid), std::string::npos);
  EXPECT_EQ(query_rows("SELECT REPID, NAME, KIND, STREAM FROM IRREPDAT WHERE IID = '" + new_iid + "'", 4),
            (Rows{{"IDL:I:2.0", old_row[0][0], old_row[0][1], old_row[0][2]}}));
  std::string m = iid_of("IDL:M:1.0"), b = iid_of("IDL:B:1.0"), o = iid_of("IDL:I/O:1.0"), a = iid_of("IDL:A:1.0");
  Rows buckets = query_rows("SELECT * FROM IRBUCKET WHERE BUCKETIID = '" + new_iid + "' OR IID = '" + new_iid + "'", 3);
  std::sort(buckets.begin(), buckets.end());
  Rows expected_buckets = {{m + new_iid, m, new_iid}, {new_iid + o, new_iid, o}};
  std::sort(expected_buckets.begin(), expected_buckets.end());
  EXPECT_EQ(buckets, expected_buckets);
  EXPECT_EQ(query_rows("SELECT * FROM IRINHER", 3), (Rows{{new_iid + b, new_iid, b}}));
  EXPECT_EQ(query_rows("SELECT * FROM IRREFER", 3), (Rows{{a + new_iid, a, new_iid}}));
  // The queries follow the new id.
  std::unique_ptr<StoreHandle> container(store.defined_in(handle_of("IDL:I/O:1.0").get()));
  EXPECT_STREQ(container->repid, "IDL:I:2.0");
}

TEST_F(RepositoryIdChange, AnObjectWithoutRelationsMovesOnlyItsRow) {
  ObjectReference<CORBA_ModuleDef_Impl> free_object(new CORBA_ModuleDef_Impl("F", "IDL:F:1.0"));
  EncapIIOP stream(ENCAP_WRITE);
  free_object->object_to_stream(stream);
  store.create(free_object.get(), stream);
  std::string before = all_rows();
  store.update_repositoryID(handle_of("IDL:F:1.0").get(), handle_of("IDL:G:1.0").get());
  std::string after = all_rows();
  EXPECT_EQ(after.find(iid_of("IDL:F:1.0")), std::string::npos);
  EXPECT_NE(after.find(iid_of("IDL:G:1.0")), std::string::npos);
  EXPECT_EQ(count_rows("IRBUCKET") + count_rows("IRINHER") + count_rows("IRREFER"), 7);
}

TEST_F(RepositoryIdChange, OntoAStoredIdNothingChanges) {
  std::string before = all_rows();
  try {
    store.update_repositoryID(handle_of("IDL:I:1.0").get(), handle_of("IDL:B:1.0").get());
    FAIL() << "two objects got one repository id";
  } catch (IRStore::Exception& e) {
    EXPECT_EQ(e.code, 1);
    EXPECT_STREQ(e.sqlstate, "23000");
  }
  EXPECT_EQ(all_rows(), before);
  EXPECT_THROW(store.update_repositoryID(handle_of("IDL:None:1.0").get(), handle_of("IDL:New:1.0").get()),
               IRStore::NotExist);
  EXPECT_EQ(all_rows(), before);
}

TEST_F(RepositoryIdChange, ASelfReferenceEndsNamingTheNewIidTwice) {
  build.refer("IDL:B:1.0", "IDL:B:1.0");
  store.update_repositoryID(handle_of("IDL:B:1.0").get(), handle_of("IDL:B:2.0").get());
  std::string n = iid_of("IDL:B:2.0");
  Rows refers = query_rows("SELECT * FROM IRREFER WHERE IID = '" + n + "'", 3);
  EXPECT_EQ(refers, (Rows{{n + n, n, n}}));
  EXPECT_EQ(all_rows().find(iid_of("IDL:B:1.0")), std::string::npos);
}

}  // namespace
