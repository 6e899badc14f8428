// Bad input over the wire gets the system exception an Interface Repository
// gives, and the server goes on answering.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <vector>

#include "served_repository.h"
#include "standard_minor_codes.h"

namespace {

using namespace standard_minor;

const std::string kDoomed = "IDL:irstore.test/ServeTest/Doomed:1.0";

class BadInput : public testing::Test {
 protected:
  void TearDown() override {
    // Whatever came before, the server answers.
    CORBA::Contained_var point = repository_->lookup_id("IDL:irstore.test/ServeTest/Point:1.0");
    EXPECT_FALSE(CORBA::is_nil(point));
  }

  CORBA::Repository_var repository_ = ServedRepository::shared().repository();
};

TEST_F(BadInput, UnknownIdsAreNilAndOversizeOnesBadParam) {
  for (const char* unknown : {"", "IDL:irstore.test/Nowhere:1.0", "no id at all", "LOCAL:irstore/Repository"}) {
    CORBA::Contained_var nothing = repository_->lookup_id(unknown);
    EXPECT_TRUE(CORBA::is_nil(nothing)) << unknown;
  }
  std::string oversize = "IDL:" + std::string(5000, 'x') + ":1.0";
  expect_raises<CORBA::BAD_PARAM>([&] { repository_->lookup_id(oversize.c_str()); }, kInvalidRepositoryId);
}

TEST_F(BadInput, NamesThatNoIdentifierCanBeAreBadParam) {
  for (const char* name : {"a b", "", "Point ", "::", "ServeTest::", "Serve\tTest"}) {
    SCOPED_TRACE(name);
    expect_raises<CORBA::BAD_PARAM>([&] { repository_->lookup(name); }, kInvalidName);
  }
  for (const char* name : {"a b", "", "ServeTest::Point"}) {
    SCOPED_TRACE(name);
    expect_raises<CORBA::BAD_PARAM>([&] { repository_->lookup_name(name, -1, CORBA::dk_all, false); },
                                    kInvalidName);
  }
  std::string oversize(300, 'n');
  expect_raises<CORBA::BAD_PARAM>([&] { repository_->lookup_name(oversize.c_str(), -1, CORBA::dk_all, false); },
                                  kInvalidName);
  CORBA::Contained_var nothing = repository_->lookup("::ServeTest::Nowhere");
  EXPECT_TRUE(CORBA::is_nil(nothing));
}

TEST_F(BadInput, AKindAskedForWhatItIsNot) {
  CORBA::Contained_var alias = repository_->lookup_id("IDL:irstore.test/ServeTest/Count:1.0");
  CORBA::StructDef_var not_a_struct = CORBA::StructDef::_narrow(alias);
  EXPECT_TRUE(CORBA::is_nil(not_a_struct));
  // Asked anyway: the alias's servant has no such operation.
  CORBA::StructDef_var forced = CORBA::StructDef::_unchecked_narrow(alias);
  EXPECT_THROW(CORBA::StructMemberSeq_var members = forced->members(), CORBA::BAD_OPERATION);

  EXPECT_THROW(repository_->get_primitive(CORBA::pk_null), CORBA::BAD_PARAM);
  EXPECT_THROW(repository_->create_string(0), CORBA::BAD_PARAM);
  EXPECT_THROW(repository_->create_sequence(1, CORBA::IDLType::_nil()), CORBA::BAD_PARAM);
  EXPECT_THROW(repository_->create_fixed(40, 2), CORBA::BAD_PARAM);
  // A kind outside DefinitionKind does not even reach the servant.
  EXPECT_THROW(repository_->contents(static_cast<CORBA::DefinitionKind>(99), false), CORBA::MARSHAL);
}

// Without --writable, every change is NO_PERMISSION and writes nothing.
TEST_F(BadInput, TheRepositoryIsReadOnly) {
  CORBA::ModuleDef_var module = served<CORBA::ModuleDef>("IDL:irstore.test/ServeTest:1.0");
  CORBA::InterfaceDef_var base = served<CORBA::InterfaceDef>("IDL:irstore.test/ServeTest/Base:1.0");
  CORBA::IDLType_var long_type = repository_->get_primitive(CORBA::pk_long);
  CORBA::StringDef_var bounded = repository_->create_string(4);
  std::vector<std::function<void()>> writes = {
      [&] { module->create_module("IDL:irstore.test/ServeTest/New:1.0", "New", "1.0"); },
      [&] { repository_->create_alias("IDL:New:1.0", "New", "1.0", long_type); },
      [&] { base->create_attribute("IDL:irstore.test/ServeTest/Base/n:1.0", "n", "1.0", long_type,
                                   CORBA::ATTR_NORMAL); },
      [&] { module->create_native("IDL:irstore.test/ServeTest/N:1.0", "N", "1.0"); },
      [&] { module->name("Renamed"); },
      [&] { module->id("IDL:Renamed:1.0"); },
      [&] { module->version("2.0"); },
      [&] { module->move(repository_, "Moved", "1.0"); },
      [&] { module->destroy(); },
      [&] { base->base_interfaces(CORBA::InterfaceDefSeq()); },
      [&] { bounded->bound(5); },
      [&] { bounded->destroy(); },
  };
  for (std::size_t i = 0; i < writes.size(); ++i) EXPECT_THROW(writes[i](), CORBA::NO_PERMISSION) << i;
  expect_raises<CORBA::BAD_INV_ORDER>([&] { repository_->destroy(); }, kIndestructible);
  CORBA::PrimitiveDef_var primitive = repository_->get_primitive(CORBA::pk_long);
  expect_raises<CORBA::BAD_INV_ORDER>([&] { primitive->destroy(); }, kIndestructible);
  CORBA::String_var name = module->name();
  EXPECT_STREQ(name.in(), "ServeTest");
  EXPECT_EQ(ServedRepository::shared().store().kind_of("IDL:irstore.test/ServeTest/New:1.0"),
            irstore::access::Kind::None);
}

TEST_F(BadInput, AReferenceToARemovedDefinitionNoLongerExists) {
  CORBA::StructDef_var doomed = served<CORBA::StructDef>(kDoomed);
  ASSERT_FALSE(CORBA::is_nil(doomed));
  CORBA::AliasDef_var grid = served<CORBA::AliasDef>("IDL:irstore.test/ServeTest/Grid:1.0");
  CORBA::IDLType_var array = grid->original_type_def();
  CORBA::SequenceDef_var sequence = repository_->create_sequence(0, doomed);

  ProgramRun removed = ServedRepository::shared().tool({"rm", "::ServeTest::Doomed"});
  ASSERT_EQ(removed.status, 0) << removed.err;
  EXPECT_THROW(CORBA::String_var name = doomed->name(), CORBA::OBJECT_NOT_EXIST);
  EXPECT_THROW(doomed->def_kind(), CORBA::OBJECT_NOT_EXIST);
  EXPECT_TRUE(doomed->_non_existent());
  EXPECT_THROW(CORBA::TypeCode_var type = sequence->type(), CORBA::OBJECT_NOT_EXIST);  // its element is gone
  CORBA::Contained_var gone = repository_->lookup_id(kDoomed.c_str());
  EXPECT_TRUE(CORBA::is_nil(gone));

  // The id comes back as another kind: the old reference still names a
  // struct, which does not exist.
  std::string idl = std::string(::testing::TempDir()) + "/doomed_again.idl";
  std::ofstream(idl) << "#pragma prefix \"irstore.test\"\nmodule ServeTest { typedef long Doomed; };\n";
  ProgramRun loaded = ServedRepository::shared().tool({"load", idl});
  ASSERT_EQ(loaded.status, 0) << loaded.err;
  EXPECT_THROW(CORBA::StructMemberSeq_var members = doomed->members(), CORBA::OBJECT_NOT_EXIST);
  CORBA::Contained_var alias = repository_->lookup_id(kDoomed.c_str());
  EXPECT_EQ(alias->def_kind(), CORBA::dk_Alias);

  // The anonymous type of a definition that stays is untouched.
  EXPECT_EQ(array->def_kind(), CORBA::dk_Array);
}

}  // namespace
