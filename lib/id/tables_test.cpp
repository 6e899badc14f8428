// The table-access objects against real SQLite databases: relation queries
// in both directions, removal of an object's rows, and the name and kind
// searches on IRREPDAT.
#include <algorithm>
#include <cstring>
#include <memory>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include <qeloridm/irdb.h>
#include <qeloridm/mrbucket.h>
#include <qeloridm/mrinher.h>
#include <qeloridm/mrrefer.h>
#include <tarn/tarn.h>

#include "captured_output.h"
#include "irtable.h"
#include "temp_repository.h"
#include "test_support.h"

namespace {

std::vector<std::string> texts(IIDList* raw) {
  std::unique_ptr<IIDList> list(raw);
  std::vector<std::string> iids;
  for (CORBA::ULong i = 0; i < list->length(); ++i) {
    EXPECT_EQ((*list)[i].length(), 33u);
    EXPECT_EQ((*list)[i][32], '\0');
    iids.emplace_back(reinterpret_cast<const char*>((*list)[i].get_buffer()));
  }
  return iids;
}

std::set<std::string> as_set(const std::vector<std::string>& iids) {
  return std::set<std::string>(iids.begin(), iids.end());
}

class Tables : public ::testing::Test {
 protected:
  std::string key(IRTable& table, const std::string& first, const std::string& second) {
    std::unique_ptr<char[]> made(table.make_key(first.c_str(), second.c_str()));
    return made.get();
  }
  void contain(const std::string& container, const std::string& member) {
    Irbucket row;
    row.setKey(key(bucket, container, member).c_str());
    row.setBucketiid(container.c_str());
    row.setIid(member.c_str());
    row.add();
  }
  void inherit(const std::string& derived, const std::string& base) {
    Irinher row;
    row.setKey(key(inher, derived, base).c_str());
    row.setIid(derived.c_str());
    row.setParentiid(base.c_str());
    row.add();
  }
  void refer(const std::string& referrer, const std::string& referred) {
    Irrefer row;
    row.setKey(key(refer_table, referrer, referred).c_str());
    row.setIid(referrer.c_str());
    row.setRefertoiid(referred.c_str());
    row.add();
  }
  // Statement calls made by an action: none means it was refused first.
  template <class Action>
  long calls_of(Action action) {
    long before = tarn_statement_count();
    action();
    return tarn_statement_count() - before;
  }

  TempRepository repository{"VADIRIRI"};
  CapturedReports reports;
  IRDB store{nullptr};
  IRBucketTable bucket{nullptr, &store};
  IRInherTable inher{nullptr, &store};
  IRReferTable refer_table{nullptr, &store};
  IRRepdatTable repdat{nullptr, &store};
  const std::string x = iid_of("IDL:X:1.0");
  const std::string y = iid_of("IDL:Y:1.0");
};

// ---- Keys ------------------------------------------------------------------------

TEST_F(Tables, AKeyIsTheTwoIidsEndToEnd) {
  EXPECT_EQ(key(bucket, x, y), x + y);
  EXPECT_EQ(key(bucket, y, x), y + x);
  // Exactly 32 characters are taken from each argument.
  EXPECT_EQ(key(inher, x + "tail", y), x + y);
  EXPECT_THROW(bucket.make_key("short", y.c_str()), CORBA::BAD_PARAM);
  EXPECT_THROW(bucket.make_key(x.c_str(), ""), CORBA::BAD_PARAM);
}

// ---- Relation queries ----------------------------------------------------------------

TEST_F(Tables, RelatedIidsGoBothWaysInEveryTable) {
  std::string m1 = iid_of("IDL:M1:1.0"), m2 = iid_of("IDL:M2:1.0");
  contain(x, m1);
  contain(x, m2);
  inherit(m1, x);
  refer(m2, m1);
  IIDOctets ox = iid_octets(x), om1 = iid_octets(m1), om2 = iid_octets(m2);

  EXPECT_EQ(as_set(texts(bucket.related_iids(&ox, true))), (std::set<std::string>{m1, m2}));
  EXPECT_EQ(texts(bucket.related_iids(&om1, false)), std::vector<std::string>{x});
  EXPECT_EQ(texts(inher.related_iids(&om1, true)), std::vector<std::string>{x});
  EXPECT_EQ(texts(inher.related_iids(&ox, false)), std::vector<std::string>{m1});
  EXPECT_EQ(texts(refer_table.related_iids(&om2, true)), std::vector<std::string>{m1});
  EXPECT_EQ(texts(refer_table.related_iids(&om1, false)), std::vector<std::string>{m2});
  // Nothing is transitive, and an IID without rows has an empty list.
  EXPECT_TRUE(texts(inher.related_iids(&ox, true)).empty());
  EXPECT_TRUE(texts(refer_table.related_iids(&ox, false)).empty());
}

TEST_F(Tables, RelatedIidsKeepEveryRowAcrossEveryGrowth) {
  for (int count : {0, 10, 11, 23, 41}) {
    std::string container = iid_of("IDL:Container" + std::to_string(count) + ":1.0");
    std::set<std::string> members;
    for (int i = 0; i < count; ++i) {
      std::string member = iid_of("IDL:C" + std::to_string(count) + "/M" + std::to_string(i) + ":1.0");
      contain(container, member);
      members.insert(member);
    }
    IIDOctets octets = iid_octets(container);
    std::unique_ptr<IIDList> list(bucket.related_iids(&octets, true));
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->length(), static_cast<CORBA::ULong>(count));
    EXPECT_GE(list->maximum(), list->length());
    EXPECT_EQ(as_set(texts(list.release())), members) << count;
  }
}

TEST_F(Tables, RemoveAllDeletesOnlyTheRowsInWhichTheObjectIsTheIidColumn) {
  std::string p = iid_of("IDL:P:1.0"), q = iid_of("IDL:Q:1.0");
  contain(p, x);   // x is a member
  contain(x, q);   // x is a container
  inherit(x, p);   // x derives
  inherit(q, x);   // x is a base
  refer(x, p);     // x refers
  refer(q, x);     // x is referred to
  IIDOctets ox = iid_octets(x);
  bucket.remove_all(&ox);
  inher.remove_all(&ox);
  refer_table.remove_all(&ox);
  EXPECT_EQ(query_rows("SELECT BUCKETIID, IID FROM IRBUCKET", 2), (Rows{{x, q}}));
  EXPECT_EQ(query_rows("SELECT IID, PARENTIID FROM IRINHER", 2), (Rows{{q, x}}));
  EXPECT_EQ(query_rows("SELECT IID, REFERTOIID FROM IRREFER", 2), (Rows{{q, x}}));
  EXPECT_NO_THROW(bucket.remove_all(&ox));  // nothing left to delete is fine
}

TEST_F(Tables, TheWorkAndRepdatTablesHaveNothingToRemove) {
  IIDOctets ox = iid_octets(x);
  IRWorkTable work(nullptr, &store);
  EXPECT_EQ(calls_of([&] { work.remove_all(&ox); }), 0);
  EXPECT_EQ(calls_of([&] { repdat.remove_all(&ox); }), 0);
  EXPECT_EQ(calls_of([&] {
              bucket.hook_a();
              bucket.hook_b();
            }),
            0);
  // The base answers nothing about IRREPDAT.
  EXPECT_FALSE(bucket.exists_iid(&ox, 0));
  EXPECT_EQ(bucket.find_by_name("x", "5", true), nullptr);
}

// ---- IRREPDAT questions ------------------------------------------------------------------

TEST_F(Tables, ExistenceFailsAsTheCallerAsks) {
  add_object("IDL:X:1.0", "X", 5);
  IIDOctets ox = iid_octets(x), oy = iid_octets(y);
  EXPECT_TRUE(repdat.exists_iid(&ox, 1));
  try {
    repdat.exists_iid(&oy, 1);
    FAIL() << "a missing IID exists";
  } catch (IRStore::IncoherentIR& e) {
    EXPECT_EQ(e.code, 4);
  }
  for (int action : {0, 2, -1}) {
    try {
      repdat.exists_iid(&oy, action);
      FAIL() << "a missing IID exists";
    } catch (IRStore::NotExist& e) {
      EXPECT_EQ(e.code, 2);
    }
  }
}

TEST_F(Tables, NameKindAndRepositoryIdComeFromTheRowOrLeaveTheBuffersAlone) {
  add_object("IDL:X:1.0", "Foo", 5);
  char name[255] = "untouched", kind[13] = "untouched", repid[4096] = "untouched";
  repdat.name_and_kind(x.c_str(), name, kind);
  EXPECT_EQ(std::string(name), "Foo" + std::string(251, ' '));
  EXPECT_STREQ(kind, "5");
  repdat.repid_of(x.c_str(), repid);
  EXPECT_STREQ(repid, "IDL:X:1.0");

  char other_name[255] = "untouched", other_kind[13] = "untouched", other_repid[4096] = "untouched";
  repdat.name_and_kind(y.c_str(), other_name, other_kind);
  repdat.repid_of(y.c_str(), other_repid);
  EXPECT_STREQ(other_name, "untouched");
  EXPECT_STREQ(other_kind, "untouched");
  EXPECT_STREQ(other_repid, "untouched");
}

class Search : public Tables {
 protected:
  void SetUp() override {
    foo = add_object("IDL:Foo:1.0", "Foo", 5);
    foobar = add_object("IDL:FooBar:1.0", "FooBar", 5);
    upper = add_object("IDL:M/FOO:1.0", "FOO", 5);
    lower = add_object("IDL:N/foo:1.0", "foo", 7);
    alias = add_object("IDL:T:1.0", "T", 9);
    structure = add_object("IDL:S:1.0", "S", 10);
    unions = add_object("IDL:U:1.0", "U", 11);
    enumeration = add_object("IDL:E:1.0", "E", 12);
    typedef_kind = add_object("IDL:D:1.0", "D", 8);
    attribute = add_object("IDL:I/a_b:1.0", "a_b", 2);
    quoted = add_object("IDL:O'Neil:1.0", "O'Neil", 5);
  }
  std::set<std::string> found(const char* pattern, const char* kinds, bool caseSensitive = true) {
    return as_set(texts(repdat.find_by_name(pattern, kinds, caseSensitive)));
  }
  std::string foo, foobar, upper, lower, alias, structure, unions, enumeration, typedef_kind,
      attribute, quoted;
};

TEST_F(Search, APatternWithoutPercentMatchesTheWholePaddedName) {
  EXPECT_EQ(found("Foo", "5"), (std::set<std::string>{foo}));
  EXPECT_EQ(found("Foo%", "5"), (std::set<std::string>{foo, foobar}));
  // The fill makes "%oo" mean a name of three characters ending in "oo".
  EXPECT_EQ(found("%oo", "5"), (std::set<std::string>{foo}));
  EXPECT_EQ(found("%o", "5"), (std::set<std::string>{}));
  EXPECT_EQ(found("F_o", "5"), (std::set<std::string>{foo}));
  EXPECT_EQ(found("foo", "5"), (std::set<std::string>{}));  // case matters
}

TEST_F(Search, ASearchThatIgnoresCaseComparesUpperCasedNames) {
  EXPECT_EQ(found("foo", "5:7", false), (std::set<std::string>{foo, upper, lower}));
  EXPECT_EQ(found("fOo%", "5", false), (std::set<std::string>{foo, foobar, upper}));
}

TEST_F(Search, KindListsSelectKindsAndTheTypedefKindStandsForFourOthers) {
  EXPECT_EQ(found("%", "8"), (std::set<std::string>{alias, structure, unions, enumeration}));
  EXPECT_EQ(found("%", ":2:7"), (std::set<std::string>{attribute, lower}));
  EXPECT_EQ(found("%", "7::"), (std::set<std::string>{lower}));
  EXPECT_EQ(found("%", "1"), (std::set<std::string>{}));  // 1 is compared like any kind
}

TEST_F(Search, QuotesInPatternsAndKindListsAreData) {
  EXPECT_EQ(found("O'Neil", "5"), (std::set<std::string>{quoted}));
  EXPECT_EQ(found("x' OR '1' = '1", "5"), (std::set<std::string>{}));
  EXPECT_EQ(found("%", "5') OR ('1' = '1"), (std::set<std::string>{}));
}

TEST_F(Search, ResultsKeepEveryMatchAcrossEveryGrowth) {
  std::vector<std::string> many;
  for (int i = 0; i < 23; ++i) many.push_back(add_object("IDL:Many" + std::to_string(i) + ":1.0", "Many", 6));
  std::unique_ptr<IIDList> list(repdat.find_by_name("Many", "6", true));
  EXPECT_EQ(list->length(), 23u);
  EXPECT_EQ(as_set(texts(list.release())), as_set(many));
}

// NAME is 254 characters wide: a pattern shorter than that is filled with
// blanks to it, one of 254 characters is the whole name, and one of 255
// matches only through a final "%".
TEST_F(Search, PatternsAroundTheWidthOfName) {
  std::string name253(253, 'n'), name254(254, 'm');
  std::string object253 = add_object("IDL:Long253:1.0", name253, 5);
  std::string object254 = add_object("IDL:Long254:1.0", name254, 5);
  EXPECT_EQ(found(name253.c_str(), "5"), (std::set<std::string>{object253}));
  EXPECT_EQ(found(name254.c_str(), "5"), (std::set<std::string>{object254}));
  EXPECT_EQ(found((name254 + "%").c_str(), "5"), (std::set<std::string>{object254}));
  EXPECT_EQ(found(std::string(255, 'm').c_str(), "5"), (std::set<std::string>{}));
  // "_" matches a blank of the fill too: 253 of them and the one blank of
  // fill match every name of up to 253 characters, and no longer one.
  std::set<std::string> short_names = found(std::string(253, '_').c_str(), "5");
  EXPECT_EQ(short_names.count(object253), 1u);
  EXPECT_EQ(short_names.count(object254), 0u);
  EXPECT_EQ(found(std::string(254, '_').c_str(), "5").count(object254), 1u);
}

TEST_F(Search, AKindPieceIsTakenForItsValue) {
  EXPECT_EQ(found("%", "08"), found("%", "8"));
  EXPECT_EQ(found("%", ":08:"), (std::set<std::string>{alias, structure, unions, enumeration}));
  EXPECT_EQ(found("%", "05"), (std::set<std::string>{}));  // compared as text, as stored
}

TEST_F(Search, MatchesAskAboutOneObject) {
  IIDOctets ofoo = iid_octets(foo), olower = iid_octets(lower);
  EXPECT_TRUE(repdat.match_name_and_kind(&ofoo, "Foo", "5", true));
  EXPECT_FALSE(repdat.match_name_and_kind(&ofoo, "Foo", "7", true));
  EXPECT_FALSE(repdat.match_name_and_kind(&ofoo, "foo", "5", true));
  EXPECT_TRUE(repdat.match_name_and_kind(&ofoo, "FOO", "5", false));
  EXPECT_TRUE(repdat.match_kind(&olower, ":2:7"));
  EXPECT_FALSE(repdat.match_kind(&olower, "8"));
}

TEST_F(Search, OversizeAndEmptyInputIsRefusedBeforeAnyStatementRuns) {
  IIDOctets ofoo = iid_octets(foo);
  auto refused = [this](auto action) {
    EXPECT_EQ(calls_of([&] { EXPECT_THROW(action(), CORBA::BAD_PARAM); }), 0);
  };
  refused([&] { delete repdat.find_by_name(std::string(256, '%').c_str(), "5", true); });
  refused([&] { delete repdat.find_by_name("Foo", std::string(32, '5').c_str(), true); });
  refused([&] { delete repdat.find_by_name("Foo", "", true); });
  refused([&] { delete repdat.find_by_name("Foo", ":::", true); });
  refused([&] { delete repdat.find_by_name(nullptr, "5", true); });
  refused([&] { delete repdat.find_by_name("Foo", nullptr, true); });
  refused([&] { repdat.match_name_and_kind(&ofoo, nullptr, "5", true); });
  refused([&] { repdat.match_name_and_kind(&ofoo, "Foo", nullptr, true); });
  refused([&] { repdat.match_kind(&ofoo, nullptr); });
  refused([&] { repdat.match_kind(&ofoo, ""); });
  refused([&] { repdat.match_name_and_kind(&ofoo, std::string(300, 'x').c_str(), "5", false); });
  IIDOctets wide = iid_octets(std::string(40, 'a'));
  wide.length(41);
  std::memset(wide.get_buffer(), 'a', 40);
  wide[40] = '\0';
  refused([&] { repdat.exists_iid(&wide, 0); });
  refused([&] { delete bucket.related_iids(&wide, true); });
  refused([&] { bucket.remove_all(&wide); });
  // An IID's octets must hold its NUL: text without one would be read past
  // the end of the octets.
  for (CORBA::ULong length : {1u, 32u, 33u}) {
    IIDOctets unended(length);
    unended.length(length);
    std::memset(unended.get_buffer(), 'a', length);
    refused([&] { repdat.exists_iid(&unended, 0); });
    refused([&] { repdat.match_kind(&unended, "5"); });
    refused([&] { delete inher.related_iids(&unended, false); });
  }
  IIDOctets empty;
  refused([&] { repdat.exists_iid(&empty, 1); });
  char name[255], kind[13];
  refused([&] { repdat.name_and_kind(std::string(33, 'a').c_str(), name, kind); });
  // The longest accepted inputs still run.
  EXPECT_NO_THROW(delete repdat.find_by_name(std::string(255, '%').c_str(),
                                             "1:2:3:4:5:6:7:8:8:8:8:8:8:8:8:8", true));
}

}  // namespace
