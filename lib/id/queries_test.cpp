// The store's read-only questions on small repositories built through the
// store itself: containment lookups, inheritance queries and the search.
#include <algorithm>
#include <memory>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include <qelorirm/definitions.h>
#include <qeloridm/irdb.h>
#include <tarn/tarn.h>

#include "captured_output.h"
#include "irdb_results.h"
#include "temp_repository.h"
#include "test_support.h"

namespace {

using Strings = std::vector<std::string>;

// Module M holds J, I (deriving from J) and module N, which holds X.
class Queries : public ::testing::Test {
 protected:
  void SetUp() override {
    build.define<CORBA_ModuleDef_Impl>("M", "IDL:M:1.0");
    build.define<CORBA_InterfaceDef_Impl>("J", "IDL:M/J:1.0", "IDL:M:1.0");
    build.define<CORBA_OperationDef_Impl>("op", "IDL:M/J/op:1.0", "IDL:M/J:1.0");
    build.define<CORBA_AttributeDef_Impl>("at", "IDL:M/J/at:1.0", "IDL:M/J:1.0");
    build.define<CORBA_AliasDef_Impl>("T", "IDL:M/J/T:1.0", "IDL:M/J:1.0");
    build.define<CORBA_OperationDef_Impl>("twin", "IDL:M/J/twin:1.0", "IDL:M/J:1.0");
    build.define<CORBA_InterfaceDef_Impl>("I", "IDL:M/I:1.0", "IDL:M:1.0");
    build.inherit("IDL:M/I:1.0", "IDL:M/J:1.0");
    build.define<CORBA_OperationDef_Impl>("op", "IDL:M/I/op:1.0", "IDL:M/I:1.0");
    build.define<CORBA_AttributeDef_Impl>("at2", "IDL:M/I/at2:1.0", "IDL:M/I:1.0");
    build.define<CORBA_StructDef_Impl>("S", "IDL:M/I/S:1.0", "IDL:M/I:1.0");
    build.define<CORBA_AttributeDef_Impl>("twin", "IDL:M/I/twin:1.0", "IDL:M/I:1.0");
    build.define<CORBA_ModuleDef_Impl>("N", "IDL:M/N:1.0", "IDL:M:1.0");
    build.define<CORBA_InterfaceDef_Impl>("X", "IDL:M/N/X:1.0", "IDL:M/N:1.0");
  }
  Strings lookup(const std::string& container, const char* name, int levels,
                 CORBA::DefinitionKind kind = CORBA::dk_all, bool excludeInherited = false) {
    return repids_of(store.lookup_name(handle_of(container).get(), const_cast<char*>(name), levels,
                                       kind, excludeInherited));
  }
  Strings contents(const std::string& container, CORBA::DefinitionKind kind, bool excludeInherited,
                   int maxReturned = -1) {
    return repids_of(store.contents(handle_of(container).get(), kind, excludeInherited, maxReturned));
  }
  static std::set<std::string> as_set(Strings::const_iterator from, Strings::const_iterator to) {
    return std::set<std::string>(from, to);
  }
  static std::set<std::string> as_set(const Strings& all) { return as_set(all.begin(), all.end()); }

  TempRepository repository{"VADIRIRI"};
  CapturedReports reports;
  IRDB store{nullptr};
  RepositoryBuilder build{store};
};

// ---- lookup_name -------------------------------------------------------------------

TEST_F(Queries, LookupFindsInheritedDefinitionsFirstAndTheContainersOwnLast) {
  EXPECT_EQ(lookup("IDL:M/I:1.0", "op", 1), (Strings{"IDL:M/J/op:1.0", "IDL:M/I/op:1.0"}));
  EXPECT_EQ(lookup("IDL:M/I:1.0", "op", 1, CORBA::dk_all, true), Strings{"IDL:M/I/op:1.0"});
  // Unlike contents, a lookup finds inherited typedefs.
  EXPECT_EQ(lookup("IDL:M/I:1.0", "T", 1), Strings{"IDL:M/J/T:1.0"});
}

TEST_F(Queries, LookupComparesKindsAndExactNames) {
  EXPECT_EQ(lookup("IDL:M/I:1.0", "twin", 1), (Strings{"IDL:M/J/twin:1.0", "IDL:M/I/twin:1.0"}));
  EXPECT_EQ(lookup("IDL:M/I:1.0", "twin", 1, CORBA::dk_Operation), Strings{"IDL:M/J/twin:1.0"});
  EXPECT_TRUE(lookup("IDL:M/I:1.0", "Op", 1).empty());
  EXPECT_TRUE(lookup("IDL:M/I:1.0", "o", 1).empty());
}

TEST_F(Queries, LookupSearchesAsManyLevelsAsAsked) {
  EXPECT_TRUE(lookup("IDL:M:1.0", "X", 1).empty());
  EXPECT_EQ(lookup("IDL:M:1.0", "X", -1), Strings{"IDL:M/N/X:1.0"});
  EXPECT_EQ(lookup("IDL:M:1.0", "X", 2), Strings{"IDL:M/N/X:1.0"});
  EXPECT_TRUE(lookup("IDL:M:1.0", "N", 0).empty());
  EXPECT_THROW(lookup("IDL:Nothing:1.0", "X", 1), IRStore::NotExist);
}

// ---- contents ------------------------------------------------------------------------

TEST_F(Queries, ContentsAreTheOwnMembersThenInheritedAttributesAndOperations) {
  Strings all = contents("IDL:M/I:1.0", CORBA::dk_all, false);
  ASSERT_EQ(all.size(), 7u);
  EXPECT_EQ(as_set(all.begin(), all.begin() + 4),
            (std::set<std::string>{"IDL:M/I/op:1.0", "IDL:M/I/at2:1.0", "IDL:M/I/S:1.0", "IDL:M/I/twin:1.0"}));
  EXPECT_EQ(as_set(all.begin() + 4, all.end()),
            (std::set<std::string>{"IDL:M/J/op:1.0", "IDL:M/J/at:1.0", "IDL:M/J/twin:1.0"}));
  EXPECT_EQ(contents("IDL:M/I:1.0", CORBA::dk_all, true).size(), 4u);
  EXPECT_EQ(as_set(contents("IDL:M/I:1.0", CORBA::dk_Attribute, false)),
            (std::set<std::string>{"IDL:M/I/at2:1.0", "IDL:M/I/twin:1.0", "IDL:M/J/at:1.0"}));
  EXPECT_EQ(contents("IDL:M/I:1.0", CORBA::dk_Struct, false), Strings{"IDL:M/I/S:1.0"});
}

TEST_F(Queries, ContentsOfTypedefsNeverConsultTheBases) {
  contents("IDL:M/I:1.0", CORBA::dk_all, false);  // each query shape described once
  long before = tarn_statement_count();
  EXPECT_TRUE(contents("IDL:M/I:1.0", CORBA::dk_Typedef, false).empty());
  long with_bases_allowed = tarn_statement_count() - before;
  before = tarn_statement_count();
  contents("IDL:M/I:1.0", CORBA::dk_Typedef, true);
  EXPECT_EQ(tarn_statement_count() - before, with_bases_allowed);
  EXPECT_EQ(contents("IDL:M/J:1.0", CORBA::dk_Alias, false), Strings{"IDL:M/J/T:1.0"});
}

TEST_F(Queries, ContentsStopAtTheMaximumAskedFor) {
  EXPECT_EQ(contents("IDL:M/I:1.0", CORBA::dk_all, false, 2).size(), 2u);
  EXPECT_TRUE(contents("IDL:M/I:1.0", CORBA::dk_all, false, 0).empty());
  EXPECT_EQ(contents("IDL:M/I:1.0", CORBA::dk_all, false, -1).size(), 7u);
  EXPECT_EQ(contents("IDL:M/I:1.0", CORBA::dk_all, false, 5).size(), 5u);  // across the bases
}

// ---- Names, kinds and containers ----------------------------------------------------------

TEST_F(Queries, DefinedInNeedsExactlyOneContainer) {
  std::unique_ptr<StoreHandle> container(store.defined_in(handle_of("IDL:M/N:1.0").get()));
  EXPECT_STREQ(container->repid, "IDL:M:1.0");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(container->iid->get_buffer())), iid_of("IDL:M:1.0"));

  ObjectReference<CORBA_ModuleDef_Impl> loose(new CORBA_ModuleDef_Impl("Loose", "IDL:Loose:1.0"));
  EncapIIOP stream(ENCAP_WRITE);
  loose->object_to_stream(stream);
  store.create(loose.get(), stream);
  EXPECT_THROW(delete store.defined_in(handle_of("IDL:Loose:1.0").get()), IRStore::NotExist);
  build.contain("IDL:M/N/X:1.0", "IDL:M:1.0");  // X is in N and in M
  EXPECT_THROW(delete store.defined_in(handle_of("IDL:M/N/X:1.0").get()), IRStore::IncoherentIR);
  EXPECT_THROW(delete store.defined_in(handle_of("IDL:Nothing:1.0").get()), IRStore::NotExist);
}

TEST_F(Queries, MembersAreFoundByNameAndListedByName) {
  char name[] = "N";
  std::unique_ptr<StoreHandle> found(store.is_name_in_bucket(name, handle_of("IDL:M:1.0").get()));
  ASSERT_NE(found, nullptr);
  EXPECT_STREQ(found->repid, "IDL:M/N:1.0");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(found->iid->get_buffer())), iid_of("IDL:M/N:1.0"));
  char other[] = "Nothing";
  EXPECT_EQ(store.is_name_in_bucket(other, handle_of("IDL:M:1.0").get()), nullptr);
  EXPECT_THROW(store.is_name_in_bucket(name, handle_of("IDL:Nothing:1.0").get()), IRStore::IncoherentIR);

  std::unique_ptr<CORBA::_IDL_SEQUENCE_CORBA_String_0> names(store.names_in_bucket(handle_of("IDL:M:1.0").get()));
  std::set<std::string> listed;
  for (CORBA::ULong i = 0; i < names->length(); ++i) listed.insert((*names)[i]);
  EXPECT_EQ(listed, (std::set<std::string>{"J", "I", "N"}));
  std::unique_ptr<CORBA::_IDL_SEQUENCE_CORBA_String_0> none(store.names_in_bucket(handle_of("IDL:M/N/X:1.0").get()));
  EXPECT_EQ(none->length(), 0u);
}

TEST_F(Queries, KindsAndNamesOfMissingObjects) {
  EXPECT_EQ(store.kind_from_ID(handle_of("IDL:M/I:1.0").get()), CORBA::dk_Interface);
  EXPECT_EQ(store.kind_from_ID(handle_of("IDL:Nothing:1.0").get()), CORBA::dk_none);
  CorbaString name(store.name_from_ID(handle_of("IDL:M/I/at2:1.0").get()));
  EXPECT_STREQ(name.get(), "at2");
  EXPECT_THROW(store.name_from_ID(handle_of("IDL:Nothing:1.0").get()), IRStore::NotExist);
}

// A member named by a relation row without a row of its own contradicts the
// rows: it is never taken for the member before it.
TEST_F(Queries, AMemberWithoutItsOwnRowMakesTheRepositoryIncoherent) {
  test_session().execute(("DELETE FROM IRREPDAT WHERE IID = '" + iid_of("IDL:M/N:1.0") + "'").c_str());
  char name[] = "N";
  EXPECT_THROW(store.is_name_in_bucket(name, handle_of("IDL:M:1.0").get()), IRStore::IncoherentIR);
  EXPECT_THROW(delete store.names_in_bucket(handle_of("IDL:M:1.0").get()), IRStore::IncoherentIR);
  EXPECT_THROW(lookup("IDL:M:1.0", "N", 1), IRStore::IncoherentIR);
}

// ---- Duplicate names ------------------------------------------------------------------------

class DuplicateNames : public Queries {
 protected:
  // B, D deriving from B and from E; E holds "fromOther", D holds "a_b".
  void SetUp() override {
    Queries::SetUp();
    build.define<CORBA_InterfaceDef_Impl>("B", "IDL:B:1.0");
    build.define<CORBA_InterfaceDef_Impl>("E", "IDL:E:1.0");
    build.define<CORBA_InterfaceDef_Impl>("D", "IDL:D:1.0");
    build.define<CORBA_InterfaceDef_Impl>("Alone", "IDL:Alone:1.0");
    build.inherit("IDL:D:1.0", "IDL:B:1.0");
    build.inherit("IDL:D:1.0", "IDL:E:1.0");
    build.define<CORBA_OperationDef_Impl>("inDerived", "IDL:D/inDerived:1.0", "IDL:D:1.0");
    build.define<CORBA_AttributeDef_Impl>("inBase", "IDL:B/inBase:1.0", "IDL:B:1.0");
    build.define<CORBA_OperationDef_Impl>("fromOther", "IDL:E/fromOther:1.0", "IDL:E:1.0");
    build.define<CORBA_OperationDef_Impl>("axb", "IDL:D/axb:1.0", "IDL:D:1.0");
    build.define<CORBA_OperationDef_Impl>("inAlone", "IDL:Alone/inAlone:1.0", "IDL:Alone:1.0");
  }
  bool duplicate(const char* interface, const char* name) {
    return store.is_duplicate_name(handle_of(interface).get(), const_cast<char*>(name)) != 0;
  }
};

TEST_F(DuplicateNames, ANameCountsInDerivedInterfacesAndEveryBaseOfThem) {
  EXPECT_TRUE(duplicate("IDL:B:1.0", "inDerived"));
  EXPECT_TRUE(duplicate("IDL:B:1.0", "inBase"));
  EXPECT_TRUE(duplicate("IDL:B:1.0", "fromOther"));
  EXPECT_FALSE(duplicate("IDL:B:1.0", "elsewhere"));
  EXPECT_FALSE(duplicate("IDL:B:1.0", "inAlone"));  // Alone is no relative
  EXPECT_FALSE(duplicate("IDL:Alone:1.0", "inAlone"));  // no derived interface at all
  EXPECT_THROW(duplicate("IDL:Nothing:1.0", "x"), IRStore::NotExist);
}

// An underscore is one of the commonest characters of IDL names: it must
// not match any character here.
TEST_F(DuplicateNames, NamesAreComparedExactlyNotAsPatterns) {
  EXPECT_FALSE(duplicate("IDL:B:1.0", "a_b"));  // "axb" is another name
  EXPECT_FALSE(duplicate("IDL:B:1.0", "%"));
  build.define<CORBA_OperationDef_Impl>("a_b", "IDL:D/a_b:1.0", "IDL:D:1.0");
  EXPECT_TRUE(duplicate("IDL:B:1.0", "a_b"));
}

// ---- Inheritance ----------------------------------------------------------------------------

class Inheritance : public Queries {
 protected:
  void SetUp() override {
    Queries::SetUp();
    for (const char* name : {"Root", "Middle", "Leaf", "Second", "Third"}) {
      build.define<CORBA_InterfaceDef_Impl>(name, std::string("IDL:") + name + ":1.0");
    }
    build.inherit("IDL:Leaf:1.0", "IDL:Middle:1.0");
    build.inherit("IDL:Middle:1.0", "IDL:Root:1.0");
    build.inherit("IDL:Second:1.0", "IDL:Root:1.0");
    build.inherit("IDL:Third:1.0", "IDL:Root:1.0");
  }
  bool inherits(const char* derived, const char* base) {
    return store.inherits_from(handle_of(derived).get(), handle_of(base).get()) != 0;
  }
};

TEST_F(Inheritance, InheritsFromIsTransitiveAndNotReflexive) {
  EXPECT_TRUE(inherits("IDL:Leaf:1.0", "IDL:Root:1.0"));
  EXPECT_TRUE(inherits("IDL:Leaf:1.0", "IDL:Middle:1.0"));
  EXPECT_FALSE(inherits("IDL:Root:1.0", "IDL:Leaf:1.0"));
  EXPECT_FALSE(inherits("IDL:Leaf:1.0", "IDL:Leaf:1.0"));
  EXPECT_FALSE(inherits("IDL:Nothing:1.0", "IDL:Root:1.0"));
}

TEST_F(Inheritance, ParentsAndChildrenAreHandlesWithAndWithoutRepositoryIds) {
  OwnedHandleSeq parents(store.parents(handle_of("IDL:Leaf:1.0").get()));
  ASSERT_EQ(parents->length, 1u);
  EXPECT_EQ(parents->maximum, 1u);
  EXPECT_STREQ(parents->buffer[0]->repid, "IDL:Middle:1.0");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(parents->buffer[0]->iid->get_buffer())),
            iid_of("IDL:Middle:1.0"));
  OwnedHandleSeq none(store.parents(handle_of("IDL:Root:1.0").get()));
  EXPECT_EQ(none->length, 0u);
  EXPECT_EQ(none->maximum, 0u);

  OwnedHandleSeq bare(store.children(handle_of("IDL:Middle:1.0").get(), 0));
  ASSERT_EQ(bare->length, 1u);
  EXPECT_EQ(bare->buffer[0]->repid, nullptr);
  OwnedHandleSeq named(store.children(handle_of("IDL:Middle:1.0").get(), 1));
  EXPECT_STREQ(named->buffer[0]->repid, "IDL:Leaf:1.0");

  OwnedHandleSeq three(store.children(handle_of("IDL:Root:1.0").get(), 1));
  Strings children;
  for (unsigned i = 0; i < three->length; ++i) children.emplace_back(three->buffer[i]->repid);
  EXPECT_EQ(repids_of(store.interface_children(handle_of("IDL:Root:1.0").get())), children);
  EXPECT_EQ(std::set<std::string>(children.begin(), children.end()),
            (std::set<std::string>{"IDL:Middle:1.0", "IDL:Second:1.0", "IDL:Third:1.0"}));
  EXPECT_TRUE(repids_of(store.interface_children(handle_of("IDL:Leaf:1.0").get())).empty());
  EXPECT_THROW(store.parents(handle_of("IDL:Nothing:1.0").get()), IRStore::NotExist);
  EXPECT_THROW(store.interface_children(handle_of("IDL:Nothing:1.0").get()), IRStore::NotExist);
}

// ---- find_objects ----------------------------------------------------------------------------

class Find : public Queries {
 protected:
  void SetUp() override {
    Queries::SetUp();
    build.define<CORBA_InterfaceDef_Impl>("Foo", "IDL:M/Foo:1.0", "IDL:M:1.0");
    build.define<CORBA_InterfaceDef_Impl>("Foo", "IDL:M/N/Foo:1.0", "IDL:M/N:1.0");
    build.define<CORBA_InterfaceDef_Impl>("Foo", "IDL:Foo:1.0");
    build.define<CORBA_InterfaceDef_Impl>("FooBar", "IDL:FooBar:1.0");
    build.define<CORBA_InterfaceDef_Impl>("FOO", "IDL:FOO:1.0");
    build.define<CORBA_EnumDef_Impl>("Color", "IDL:M/Color:1.0", "IDL:M:1.0");
  }
  std::set<std::string> find(const char* pattern, const char* kinds, bool caseSensitive = true,
                             const char* scope = nullptr) {
    std::unique_ptr<StoreHandle> scope_handle = scope ? handle_of(scope) : nullptr;
    Strings found = repids_of(store.find_objects(const_cast<char*>(pattern), const_cast<char*>(kinds),
                                                 caseSensitive, scope_handle.get()));
    return std::set<std::string>(found.begin(), found.end());
  }
};

TEST_F(Find, AcrossTheRepository) {
  EXPECT_EQ(find("Foo", "5"), (std::set<std::string>{"IDL:M/Foo:1.0", "IDL:M/N/Foo:1.0", "IDL:Foo:1.0"}));
  EXPECT_EQ(find("Foo%", "5").size(), 4u);
  EXPECT_EQ(find("foo", "5", false).size(), 4u);
  EXPECT_EQ(find("%", "8"), (std::set<std::string>{"IDL:M/J/T:1.0", "IDL:M/I/S:1.0", "IDL:M/Color:1.0"}));
  EXPECT_TRUE(find("Nothing", "5").empty());
}

TEST_F(Find, WithinAScopeAndItsNestedScopesInIidOrder) {
  Strings found = repids_of(store.find_objects(const_cast<char*>("Foo"), const_cast<char*>("5"), 1,
                                               handle_of("IDL:M:1.0").get()));
  Strings expected = {"IDL:M/Foo:1.0", "IDL:M/N/Foo:1.0"};
  std::sort(expected.begin(), expected.end(),
            [](const std::string& a, const std::string& b) { return iid_of(a) < iid_of(b); });
  EXPECT_EQ(found, expected);
  // The scope itself is never part of the result.
  EXPECT_EQ(find("M", "6", true, "IDL:M:1.0"), (std::set<std::string>{}));
  EXPECT_EQ(find("%", "6", true, "IDL:M:1.0"), (std::set<std::string>{"IDL:M/N:1.0"}));
  EXPECT_TRUE(find("%", "5", true, "IDL:M/N/X:1.0").empty());
  EXPECT_THROW(find("%", "5", true, "IDL:Nothing:1.0"), IRStore::NotExist);
}

// The pattern and the kind list are checked before anything else, as they
// are without a scope: a scope without contents does not hide a bad one.
TEST_F(Find, APatternOrKindListThatCannotBeUsedIsRefusedWhateverTheScopeHolds) {
  for (const char* scope : {"IDL:M/N/X:1.0", "IDL:M:1.0", static_cast<const char*>(nullptr)}) {
    EXPECT_THROW(find("%", "", true, scope), CORBA::BAD_PARAM) << scope;
    EXPECT_THROW(find("%", "::", true, scope), CORBA::BAD_PARAM) << scope;
    EXPECT_THROW(find("%", std::string(32, '5').c_str(), true, scope), CORBA::BAD_PARAM) << scope;
    EXPECT_THROW(find(nullptr, "5", true, scope), CORBA::BAD_PARAM) << scope;
    EXPECT_THROW(find("%", nullptr, true, scope), CORBA::BAD_PARAM) << scope;
    EXPECT_THROW(find(std::string(256, '%').c_str(), "5", true, scope), CORBA::BAD_PARAM) << scope;
  }
  // ... before the scope is looked for.
  EXPECT_THROW(find("%", "", true, "IDL:Nothing:1.0"), CORBA::BAD_PARAM);
}

}  // namespace
