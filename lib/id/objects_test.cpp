// Objects through the store: created from live IR objects, read back as new
// ones once the cache has let go of the originals, renamed and rewritten.
#include <cstring>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include <qelorirm/definitions.h>
#include <qeloridm/irdb.h>
#include <qeloridm/mrrepdat.h>
#include <qeloridm/storehnd.h>
#include <tarn/tarn.h>

#include "captured_output.h"
#include "owned.h"
#include "temp_repository.h"
#include "test_support.h"

namespace {

template <class T>
using Ref = ObjectReference<T>;

class Objects : public ::testing::Test {
 protected:
  // Stores an object with the state it holds now.
  void store_object(CORBA_Contained_Impl* object) {
    EncapIIOP stream(ENCAP_WRITE);
    object->object_to_stream(stream);
    store.create(object, stream);
  }
  // Reads an object back through the store, from a handle with its
  // repository id.
  template <class T>
  Ref<T> read_back(const char* repid) {
    EXPECT_EQ(irobj_get_from_cache(const_cast<char*>(repid)), nullptr) << "still cached: " << repid;
    StoreHandle handle(CORBA::string_dup(repid), nullptr, 0);
    CORBA_Contained_Impl* object = store.object_from_ID(&handle);
    T* typed = dynamic_cast<T*>(object);
    EXPECT_NE(typed, nullptr) << repid;
    return Ref<T>(typed);
  }

  TempRepository repository{"VADIRIRI"};
  CapturedReports reports;
  IRDB store{nullptr};
};

IRType named(const std::string& spelling, const std::string& repid) { return {spelling, {repid}}; }

// ---- Every kind, there and back ----------------------------------------------------

TEST_F(Objects, EveryKindComesBackWithItsState) {
  {
    Ref<CORBA_Repository_Impl> root(new CORBA_Repository_Impl());
    store_object(root.get());
    Ref<CORBA_ModuleDef_Impl> module(new CORBA_ModuleDef_Impl("M", "IDL:M:1.0"));
    store_object(module.get());

    Ref<CORBA_InterfaceDef_Impl> interface(new CORBA_InterfaceDef_Impl("I", "IDL:M/I:2.3"));
    interface->base_interfaces = {"IDL:M/Base:1.0", "IDL:Other:1.0"};
    interface->is_abstract = true;
    store_object(interface.get());

    Ref<CORBA_OperationDef_Impl> operation(new CORBA_OperationDef_Impl("op", "IDL:M/I/op:1.0"));
    operation->result = named("::M::T", "IDL:M/T:1.0");
    operation->oneway = false;
    operation->parameters = {{"a", {"long", {}}, IRParameterMode::In},
                             {"b", named("sequence<::M::S>", "IDL:M/S:1.0"), IRParameterMode::Out},
                             {"c", {"string", {}}, IRParameterMode::InOut}};
    operation->exceptions = {"IDL:M/E:1.0"};
    operation->contexts = {"ctx"};
    store_object(operation.get());

    Ref<CORBA_AttributeDef_Impl> attribute(new CORBA_AttributeDef_Impl("at", "IDL:M/I/at:1.0"));
    attribute->type = {"unsigned long", {}};
    attribute->readonly = true;
    store_object(attribute.get());

    Ref<CORBA_ConstantDef_Impl> constant(new CORBA_ConstantDef_Impl("C", "IDL:M/C:1.0"));
    constant->type = {"double", {}};
    constant->value = "3.5";
    store_object(constant.get());

    Ref<CORBA_ExceptionDef_Impl> exception(new CORBA_ExceptionDef_Impl("E", "IDL:M/E:1.0"));
    exception->members = {{"why", {"string", {}}}, {"code", {"short", {}}}};
    store_object(exception.get());

    Ref<CORBA_AliasDef_Impl> alias(new CORBA_AliasDef_Impl("T", "IDL:M/T:1.0"));
    alias->original_type = named("sequence<::M::S, 4>", "IDL:M/S:1.0");
    store_object(alias.get());

    Ref<CORBA_StructDef_Impl> structure(new CORBA_StructDef_Impl("S", "IDL:M/S:1.0"));
    structure->members = {{"x", {"float", {}}}, {"next", named("::M::T", "IDL:M/T:1.0")}};
    store_object(structure.get());

    Ref<CORBA_UnionDef_Impl> union_def(new CORBA_UnionDef_Impl("U", "IDL:M/U:1.0"));
    union_def->discriminator_type = {"long", {}};
    union_def->members = {{"one", "1", {"long", {}}}, {"other", "default", {"string", {}}}};
    store_object(union_def.get());

    Ref<CORBA_EnumDef_Impl> enumeration(new CORBA_EnumDef_Impl("Color", "IDL:M/Color:1.0"));
    enumeration->members = {"red", "green", "blue"};
    store_object(enumeration.get());
  }  // every original is released: the cache is empty

  auto root = read_back<CORBA_Repository_Impl>(CORBA_Repository_Impl::kRepositoryId);
  EXPECT_EQ(root->def_kind(), CORBA::dk_Repository);
  auto module = read_back<CORBA_ModuleDef_Impl>("IDL:M:1.0");
  EXPECT_EQ(module->simple_name(), "M");

  auto interface = read_back<CORBA_InterfaceDef_Impl>("IDL:M/I:2.3");
  EXPECT_EQ(interface->def_kind(), CORBA::dk_Interface);
  EXPECT_EQ(interface->simple_name(), "I");  // without the blanks NAME is padded with
  EXPECT_EQ(interface->version_text(), "2.3");
  EXPECT_EQ(interface->base_interfaces, (std::vector<std::string>{"IDL:M/Base:1.0", "IDL:Other:1.0"}));
  EXPECT_TRUE(interface->is_abstract);

  auto operation = read_back<CORBA_OperationDef_Impl>("IDL:M/I/op:1.0");
  EXPECT_EQ(operation->result, named("::M::T", "IDL:M/T:1.0"));
  ASSERT_EQ(operation->parameters.size(), 3u);
  EXPECT_EQ(operation->parameters[1].mode, IRParameterMode::Out);
  EXPECT_EQ(operation->parameters[1].type, named("sequence<::M::S>", "IDL:M/S:1.0"));
  EXPECT_EQ(operation->parameters[2].mode, IRParameterMode::InOut);
  EXPECT_EQ(operation->exceptions, std::vector<std::string>{"IDL:M/E:1.0"});
  EXPECT_EQ(operation->contexts, std::vector<std::string>{"ctx"});

  auto attribute = read_back<CORBA_AttributeDef_Impl>("IDL:M/I/at:1.0");
  EXPECT_EQ(attribute->type.spelling, "unsigned long");
  EXPECT_TRUE(attribute->readonly);

  auto constant = read_back<CORBA_ConstantDef_Impl>("IDL:M/C:1.0");
  EXPECT_EQ(constant->type.spelling, "double");
  EXPECT_EQ(constant->value, "3.5");

  auto exception = read_back<CORBA_ExceptionDef_Impl>("IDL:M/E:1.0");
  EXPECT_EQ(exception->members, (std::vector<IRMember>{{"why", {"string", {}}}, {"code", {"short", {}}}}));

  auto alias = read_back<CORBA_AliasDef_Impl>("IDL:M/T:1.0");
  EXPECT_EQ(alias->original_type, named("sequence<::M::S, 4>", "IDL:M/S:1.0"));

  auto structure = read_back<CORBA_StructDef_Impl>("IDL:M/S:1.0");
  ASSERT_EQ(structure->members.size(), 2u);
  EXPECT_EQ(structure->members[1].type, named("::M::T", "IDL:M/T:1.0"));

  auto union_def = read_back<CORBA_UnionDef_Impl>("IDL:M/U:1.0");
  EXPECT_EQ(union_def->discriminator_type.spelling, "long");
  ASSERT_EQ(union_def->members.size(), 2u);
  EXPECT_EQ(union_def->members[1].label, "default");

  auto enumeration = read_back<CORBA_EnumDef_Impl>("IDL:M/Color:1.0");
  EXPECT_EQ(enumeration->members, (std::vector<std::string>{"red", "green", "blue"}));

  // The rows: the kind in decimal, the name blank-padded.
  Rows rows = query_rows("SELECT REPID, NAME, KIND FROM IRREPDAT WHERE REPID = 'IDL:M/I:2.3'", 3);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0][1], "I" + std::string(253, ' '));
  EXPECT_EQ(rows[0][2], "5");
}

TEST_F(Objects, ALiveObjectIsHandedOutFromTheCacheWithoutReadingTheTable) {
  Ref<CORBA_ModuleDef_Impl> module(new CORBA_ModuleDef_Impl("M", "IDL:M:1.0"));
  store_object(module.get());
  test_session().execute("DELETE FROM IRREPDAT");  // the row is gone, the object lives
  StoreHandle handle(CORBA::string_dup("IDL:M:1.0"), nullptr, 0);
  long before = tarn_statement_count();
  Ref<CORBA_Contained_Impl> found(store.object_from_ID(&handle));
  EXPECT_EQ(found.get(), module.get());
  EXPECT_EQ(tarn_statement_count(), before);
}

TEST_F(Objects, AHandleWithAnIidOnlyGetsItsRepositoryIdFromTheTable) {
  { Ref<CORBA_ModuleDef_Impl> module(new CORBA_ModuleDef_Impl("M", "IDL:M:1.0")); store_object(module.get()); }
  auto* iid = new _IDL_SEQUENCE_CORBA_Char_7(iid_octets(iid_of("IDL:M:1.0")));
  StoreHandle handle(nullptr, iid, 0);
  Ref<CORBA_Contained_Impl> found(store.object_from_ID(&handle));
  ASSERT_NE(found, nullptr);
  EXPECT_STREQ(handle.repid, "IDL:M:1.0");
  EXPECT_EQ(found->simple_name(), "M");

  auto* missing_iid = new _IDL_SEQUENCE_CORBA_Char_7(iid_octets(iid_of("IDL:Nothing:1.0")));
  StoreHandle missing(nullptr, missing_iid, 0);
  try {
    store.object_from_ID(&missing);
    FAIL() << "an object without a row was found";
  } catch (IRStore::NotExist& e) {
    EXPECT_EQ(e.code, 2);
  }
}

TEST_F(Objects, ADuplicateCreateFailsWithCodeOneAndChangesNothing) {
  Ref<CORBA_ModuleDef_Impl> first(new CORBA_ModuleDef_Impl("First", "IDL:M:1.0"));
  store_object(first.get());
  first->set_name("Second");
  try {
    store_object(first.get());
    FAIL() << "a repository id was stored twice";
  } catch (IRStore::Duplicate&) {
    FAIL() << "the duplicate must leave as a plain exception";
  } catch (IRStore::Exception& e) {
    EXPECT_EQ(e.code, 1);
    EXPECT_STREQ(e.sqlstate, "23000");
  }
  EXPECT_EQ(query_rows("SELECT NAME FROM IRREPDAT", 1), (Rows{{"First" + std::string(249, ' ')}}));
}

// Stored data relies on the padding of stream texts of 505 to 509
// characters, which a state of 253 bytes has.
TEST_F(Objects, A253ByteStateIsStoredAs514CharactersAndComesBackPadded) {
  auto state_length = [](CORBA_Contained_Impl* object) {
    EncapIIOP stream(ENCAP_WRITE);
    object->object_to_stream(stream);
    unsigned char* bytes;
    unsigned length;
    stream.access_buffer(bytes, length);
    return length;
  };
  std::string value;
  {
    Ref<CORBA_ConstantDef_Impl> constant(new CORBA_ConstantDef_Impl("C", "IDL:C:1.0"));
    value.assign(253 - state_length(constant.get()), 'v');  // the value's characters come last
    constant->value = value;
    ASSERT_EQ(state_length(constant.get()), 253u);
    store_object(constant.get());
  }
  Rows rows = query_rows("SELECT STREAM FROM IRREPDAT", 1);
  ASSERT_EQ(rows[0][0].size(), 514u);
  EXPECT_EQ(rows[0][0].substr(506), "00000000");
  auto constant = read_back<CORBA_ConstantDef_Impl>("IDL:C:1.0");
  EXPECT_EQ(constant->value, value);
}

TEST_F(Objects, RenamingRewritesTheNameAndNothingElse) {
  { Ref<CORBA_ModuleDef_Impl> module(new CORBA_ModuleDef_Impl("Old", "IDL:M:1.0")); store_object(module.get()); }
  Rows before = query_rows("SELECT IID, REPID, KIND, STREAM FROM IRREPDAT", 4);
  StoreHandle handle(CORBA::string_dup("IDL:M:1.0"), nullptr, 0);
  char name[] = "New";
  store.update_name(&handle, name);
  EXPECT_EQ(query_rows("SELECT IID, REPID, KIND, STREAM FROM IRREPDAT", 4), before);
  EXPECT_EQ(read_back<CORBA_ModuleDef_Impl>("IDL:M:1.0")->simple_name(), "New");

  StoreHandle missing(CORBA::string_dup("IDL:Nothing:1.0"), nullptr, 0);
  EXPECT_THROW(store.update_name(&missing, name), IRStore::NotExist);
  EXPECT_EQ(count_rows("IRREPDAT"), 1);
}

TEST_F(Objects, UpdateStreamWritesTheStateAndRefreshReadsItBack) {
  Ref<CORBA_EnumDef_Impl> stored(new CORBA_EnumDef_Impl("Color", "IDL:Color:1.0"));
  stored->members = {"red"};
  store_object(stored.get());
  stored->members = {"red", "green"};
  store.update_stream(stored.get());
  stored->members = {"changed in memory"};
  store.refresh_object(stored.get());
  EXPECT_EQ(stored->members, (std::vector<std::string>{"red", "green"}));

  Ref<CORBA_EnumDef_Impl> unstored(new CORBA_EnumDef_Impl("Other", "IDL:Other:1.0"));
  EXPECT_THROW(store.update_stream(unstored.get()), IRStore::NotExist);
  EXPECT_THROW(store.refresh_object(unstored.get()), IRStore::NotExist);
  EXPECT_EQ(count_rows("IRREPDAT"), 1);
}

TEST_F(Objects, GettingAnObjectChangesNothingAndNeverFails) {
  Ref<CORBA_ModuleDef_Impl> module(new CORBA_ModuleDef_Impl("M", "IDL:M:1.0"));
  store_object(module.get());
  Rows before = query_rows("SELECT * FROM IRREPDAT", 5);
  StoreHandle handle(CORBA::string_dup("IDL:M:1.0"), nullptr, 0);
  char name[] = "Other";
  EncapIIOP stream(ENCAP_WRITE);
  StoreObject record{&handle, name, CORBA::dk_Interface, &stream};
  long calls = tarn_statement_count();
  EXPECT_NO_THROW(store.Iget_object(&record));
  EXPECT_NO_THROW(store.Iget_object(nullptr));
  // Nothing was read or written, and the record is as it was.
  EXPECT_EQ(tarn_statement_count(), calls);
  EXPECT_EQ(query_rows("SELECT * FROM IRREPDAT", 5), before);
  EXPECT_EQ(handle.iid->length(), 0u);
  EXPECT_STREQ(record.name, "Other");
  EXPECT_EQ(record.kind, CORBA::dk_Interface);
  unsigned char* bytes = nullptr;
  unsigned length = 0;
  stream.access_buffer(bytes, length);
  EXPECT_EQ(length, 1u);  // its byte-order octet only
}

// ---- Input the columns cannot hold ---------------------------------------------------

TEST_F(Objects, OversizeNamesRepositoryIdsAndStatesAreRefusedAndNothingIsWritten) {
  Ref<CORBA_ModuleDef_Impl> long_name(new CORBA_ModuleDef_Impl(std::string(255, 'n').c_str(), "IDL:N:1.0"));
  EXPECT_THROW(store_object(long_name.get()), CORBA::BAD_PARAM);
  std::string long_repid = "IDL:" + std::string(4091, 'r') + ":1";
  Ref<CORBA_ModuleDef_Impl> long_id(new CORBA_ModuleDef_Impl("R", long_repid.c_str()));
  EXPECT_THROW(store_object(long_id.get()), CORBA::BAD_PARAM);
  Ref<CORBA_ConstantDef_Impl> big(new CORBA_ConstantDef_Impl("Big", "IDL:Big:1.0"));
  big->value = std::string(16351, 'b');
  EXPECT_THROW(store_object(big.get()), CORBA::BAD_PARAM);
  EXPECT_EQ(count_rows("IRREPDAT"), 0);

  // The widest that fit are stored.
  Ref<CORBA_ModuleDef_Impl> widest(new CORBA_ModuleDef_Impl(std::string(254, 'n').c_str(),
                                                            ("IDL:" + std::string(4089, 'r') + ":1").c_str()));
  EXPECT_NO_THROW(store_object(widest.get()));
  char long_new_name[256];
  std::memset(long_new_name, 'x', 255);
  long_new_name[255] = '\0';
  Ref<CORBA_ModuleDef_Impl> small(new CORBA_ModuleDef_Impl("Small", "IDL:Small:1.0"));
  store_object(small.get());
  StoreHandle small_handle(CORBA::string_dup("IDL:Small:1.0"), nullptr, 0);
  EXPECT_THROW(store.update_name(&small_handle, long_new_name), CORBA::BAD_PARAM);
  small.reset();
  EXPECT_EQ(read_back<CORBA_ModuleDef_Impl>("IDL:Small:1.0")->simple_name(), "Small");
}

// Names are read back cut at their first blank: one holding a blank would
// come back changed, so it is not stored.
TEST_F(Objects, ANameHoldingABlankIsRefusedAndNothingIsWritten) {
  Ref<CORBA_ModuleDef_Impl> spaced(new CORBA_ModuleDef_Impl("two words", "IDL:Spaced:1.0"));
  EXPECT_THROW(store_object(spaced.get()), CORBA::BAD_PARAM);
  EXPECT_EQ(count_rows("IRREPDAT"), 0);
  Ref<CORBA_ModuleDef_Impl> plain(new CORBA_ModuleDef_Impl("Plain", "IDL:Plain:1.0"));
  store_object(plain.get());
  StoreHandle handle(CORBA::string_dup("IDL:Plain:1.0"), nullptr, 0);
  EXPECT_THROW(store.update_name(&handle, const_cast<char*>("Plain again")), CORBA::BAD_PARAM);
  plain.reset();
  EXPECT_EQ(read_back<CORBA_ModuleDef_Impl>("IDL:Plain:1.0")->simple_name(), "Plain");
}

// A stored stream that is not stream text was not written by the store.
TEST_F(Objects, AStreamThatIsNotStreamTextMakesTheRepositoryIncoherent) {
  for (const char* text : {"zz", "abc", "00FF"}) {
    test_session().execute("DELETE FROM IRREPDAT");
    test_session().execute(("INSERT INTO IRREPDAT VALUES ('" + iid_of("IDL:M:1.0") +
                            "', 'IDL:M:1.0', 'M', '6', '" + text + "')").c_str());
    StoreHandle handle(CORBA::string_dup("IDL:M:1.0"), nullptr, 0);
    EXPECT_THROW(store.object_from_ID(&handle), IRStore::IncoherentIR) << text;
  }
}

// Stream text that decodes to bytes which are no state of the object's kind
// (an encapsulation cut short) fails the read with the IR library's
// CORBA::MARSHAL; no half-built object is handed out or left in the cache,
// and a read of a sound object goes on working.
TEST_F(Objects, StreamTextHoldingMalformedStateFailsTheReadAndLeavesNothingBehind) {
  Ref<CORBA_ModuleDef_Impl> module(new CORBA_ModuleDef_Impl("M", "IDL:M:1.0"));
  store_object(module.get());
  module.reset();
  for (const char* text : {"01", "0100000005", "01000000ffffffff"}) {
    test_session().execute("DELETE FROM IRREPDAT WHERE REPID = 'IDL:I:1.0'");
    test_session().execute(
        ("INSERT INTO IRREPDAT VALUES ('" + iid_of("IDL:I:1.0") + "', 'IDL:I:1.0', 'I', '5', '" + text + "')")
            .c_str());
    StoreHandle handle(CORBA::string_dup("IDL:I:1.0"), nullptr, 0);
    EXPECT_THROW(store.object_from_ID(&handle), CORBA::MARSHAL) << text;
    EXPECT_EQ(irobj_get_from_cache(const_cast<char*>("IDL:I:1.0")), nullptr) << text;
  }
  // Contents built before the malformed member are given up again.
  Ref<CORBA_ModuleDef_Impl> sound(new CORBA_ModuleDef_Impl("Sound", "IDL:M/Sound:1.0"));
  store_object(sound.get());
  sound.reset();
  for (const char* member : {"IDL:M/Sound:1.0", "IDL:I:1.0"}) {
    std::string key = iid_of("IDL:M:1.0") + iid_of(member);
    test_session().execute(("INSERT INTO IRBUCKET VALUES ('" + key + "', '" + iid_of("IDL:M:1.0") + "', '" +
                            iid_of(member) + "')").c_str());
  }
  StoreHandle container(CORBA::string_dup("IDL:M:1.0"), nullptr, 0);
  EXPECT_THROW(store.contents(&container, CORBA::dk_all, 1, -1), CORBA::MARSHAL);
  EXPECT_EQ(irobj_get_from_cache(const_cast<char*>("IDL:M/Sound:1.0")), nullptr);
  EXPECT_EQ(read_back<CORBA_ModuleDef_Impl>("IDL:M:1.0")->simple_name(), "M");
}

// A failure without SQLSTATE from the insert or rewrite must not pass for
// success. The host's report sink raises one while the statement fails.
TEST_F(Objects, AFailureWithoutSqlStateFromTheWriteIsPassedOn) {
  Ref<CORBA_ModuleDef_Impl> module(new CORBA_ModuleDef_Impl("M", "IDL:M:1.0"));
  vekdSetErrorSink([](const VekdReport& report, void*) {
    if (report.code == 0x51450058) throw IRStore::OutOfMemory();
  }, nullptr);
  Irrepdat existing;
  existing.setIid(iid_of("IDL:M:1.0").c_str());
  EXPECT_THROW(existing.retrieve(), IRStore::NotExist);  // the query's shape described once
  long before = tarn_statement_count();
  EXPECT_THROW(existing.retrieve(), IRStore::NotExist);
  long read_calls = tarn_statement_count() - before;

  tarn_fail_statement(static_cast<int>(read_calls) + 1, TARN_SQL_DISK_FULL);  // the insert
  EXPECT_THROW(store_object(module.get()), IRStore::OutOfMemory);
  EXPECT_EQ(count_rows("IRREPDAT"), 0);

  vekdSetErrorSink(nullptr, nullptr);
  store_object(module.get());
  vekdSetErrorSink([](const VekdReport& report, void*) {
    if (report.code == 0x51450058) throw IRStore::OutOfMemory();
  }, nullptr);
  module->set_version("9.9");
  tarn_fail_statement(static_cast<int>(read_calls) + 1, TARN_SQL_DISK_FULL);  // the rewrite
  EXPECT_THROW(store.update_stream(module.get()), IRStore::OutOfMemory);
  vekdSetErrorSink(nullptr, nullptr);
}

}  // namespace
