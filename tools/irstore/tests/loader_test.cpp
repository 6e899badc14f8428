// The loader and the state helpers in process, on units built by hand: what
// a failing unit leaves behind, forward declarations, nested definitions,
// and the edits of stored state.
#include <gtest/gtest.h>

#include "definition_state.h"
#include "idl_printer.h"
#include "loader.h"
#include "names.h"
#include "temp_repository.h"
#include "tool_error.h"

namespace {

IdlDefinition define(CORBA::DefinitionKind kind, const std::string& name, const std::string& repid,
                     const std::string& container = "") {
  IdlDefinition d;
  d.kind = kind;
  d.name = name;
  d.repid = repid;
  d.container = container;
  d.where = {"unit.idl", 1};
  return d;
}

IdlDefinition alias(const std::string& name, const std::string& repid, const std::string& container, IRType type) {
  IdlDefinition d = define(CORBA::dk_Alias, name, repid, container);
  d.type = std::move(type);
  return d;
}

class Loading : public ::testing::Test {
 protected:
  // M holds T (long) and I, whose op takes a T.
  IdlUnit base_unit() {
    IdlUnit unit;
    unit.definitions.push_back(define(CORBA::dk_Module, "M", "IDL:M:1.0"));
    unit.definitions.push_back(alias("T", "IDL:M/T:1.0", "IDL:M:1.0", {"long", {}}));
    unit.definitions.push_back(define(CORBA::dk_Interface, "I", "IDL:M/I:1.0", "IDL:M:1.0"));
    IdlDefinition op = define(CORBA::dk_Operation, "op", "IDL:M/I/op:1.0", "IDL:M/I:1.0");
    op.type = {"void", {}};
    op.parameters.push_back({"t", {"::M::T", {"IDL:M/T:1.0"}}, IRParameterMode::In});
    unit.definitions.push_back(op);
    return unit;
  }
  std::string state_of(const std::string& repid) { return encoded_state(*repository.object(repid)); }

  TempRepository home{"VADIRIRI"};
  Repository repository{"VADIRIRI"};
  Names names{repository};
};

TEST_F(Loading, AFailureLateInAUnitUndoesItsNewAndChangedDefinitions) {
  load_unit(repository, base_unit());
  std::string t_before = state_of("IDL:M/T:1.0");
  IdlUnit unit = base_unit();
  unit.definitions[1].type = {"short", {}};                                         // a change
  unit.definitions.push_back(alias("U", "IDL:M/U:1.0", "IDL:M:1.0", {"long", {}}));  // a new one
  unit.definitions.push_back(alias("V", "IDL:M/V:1.0", "IDL:M:1.0", {"::X", {"IDL:X:1.0"}}));
  try {
    load_unit(repository, unit);
    FAIL() << "a use of an unstored definition was loaded";
  } catch (const ToolError& e) {
    EXPECT_STREQ(e.what(), "unit.idl:1: V: it uses IDL:X:1.0, which is not in the repository");
  }
  EXPECT_EQ(repository.kind_of("IDL:M/U:1.0"), CORBA::dk_none);
  EXPECT_EQ(repository.kind_of("IDL:M/V:1.0"), CORBA::dk_none);
  EXPECT_EQ(state_of("IDL:M/T:1.0"), t_before);
}

TEST_F(Loading, AForwardDeclarationNeverReplacesTheDefinition) {
  IdlUnit full;
  full.definitions.push_back(define(CORBA::dk_Interface, "B", "IDL:B:1.0"));
  IdlDefinition a = define(CORBA::dk_Interface, "A", "IDL:A:1.0");
  a.bases = {"IDL:B:1.0"};
  full.definitions.push_back(a);
  load_unit(repository, full);
  std::string before = state_of("IDL:A:1.0");

  IdlUnit forward;
  IdlDefinition declared = define(CORBA::dk_Interface, "A", "IDL:A:1.0");
  declared.forward = true;
  forward.definitions.push_back(declared);
  forward.definitions.push_back(declared);  // a repeat counts once
  LoadCounts counts = load_unit(repository, forward);
  EXPECT_EQ(counts.unchanged, 1);
  EXPECT_EQ(state_of("IDL:A:1.0"), before);
  EXPECT_EQ(repository.parents("IDL:A:1.0"), std::vector<std::string>{"IDL:B:1.0"});
  // Alone, it creates the interface.
  IdlDefinition lone = define(CORBA::dk_Interface, "Lone", "IDL:Lone:1.0");
  lone.forward = true;
  IdlUnit only;
  only.definitions.push_back(lone);
  EXPECT_EQ(load_unit(repository, only).created, 1);
  EXPECT_EQ(names.scoped("IDL:Lone:1.0"), "::Lone");
}

TEST_F(Loading, DefinitionsGoIntoTheirContainersAndReferToWhatTheyUse) {
  load_unit(repository, base_unit());
  IdlUnit unit = base_unit();
  IdlDefinition s = define(CORBA::dk_Struct, "S", "IDL:M/S:1.0", "IDL:M:1.0");
  s.members.push_back({"inner", {"::M::S::E", {"IDL:M/S/E:1.0"}}});
  s.members.push_back({"self", {"sequence<::M::S>", {"IDL:M/S:1.0"}}});
  unit.definitions.push_back(s);
  IdlDefinition e = define(CORBA::dk_Enum, "E", "IDL:M/S/E:1.0", "IDL:M/S:1.0");
  e.enumerators = {"a", "b"};
  unit.definitions.push_back(e);
  LoadCounts counts = load_unit(repository, unit);
  EXPECT_EQ(counts.created, 2);
  EXPECT_EQ(counts.unchanged, 4);
  EXPECT_EQ(names.scoped("IDL:M/S/E:1.0"), "::M::S::E");
  std::vector<std::string> users = repository.referrers("IDL:M/S:1.0");
  EXPECT_EQ(users, std::vector<std::string>{"IDL:M/S:1.0"});  // itself, through its sequence
  EXPECT_EQ(repository.referrers("IDL:M/T:1.0"), std::vector<std::string>{"IDL:M/I/op:1.0"});
  // A struct may not hold an operation: the loader says so instead of storing it.
  IdlUnit wrong;
  wrong.definitions.push_back(define(CORBA::dk_Operation, "f", "IDL:M/S/f:1.0", "IDL:M/S:1.0"));
  EXPECT_THROW(load_unit(repository, wrong), ToolError);
}

TEST_F(Loading, StoredStateIsPrintedAsIdl) {
  IdlUnit unit;
  IdlDefinition u = define(CORBA::dk_Union, "U", "IDL:U:1.0");
  u.type = {"char", {}};
  u.cases = {{"x", "'a'", {"long", {}}}, {"x", "'b'", {"long", {}}}, {"y", "default", {"string<4>", {}}}};
  unit.definitions.push_back(u);
  IdlDefinition e = define(CORBA::dk_Exception, "Empty", "IDL:Empty:1.0");
  unit.definitions.push_back(e);
  IdlDefinition i = define(CORBA::dk_Interface, "L", "IDL:L:1.0");
  i.is_local = true;
  unit.definitions.push_back(i);
  IdlDefinition op = define(CORBA::dk_Operation, "f", "IDL:L/f:1.0", "IDL:L:1.0");
  op.type = {"long[2]", {}};
  op.raises = {"IDL:Empty:1.0"};
  unit.definitions.push_back(op);
  load_unit(repository, unit);
  // State may name what is no longer stored (the loader never writes such).
  ObjectRef stored = repository.object("IDL:L/f:1.0");
  dynamic_cast<CORBA_OperationDef_Impl&>(*stored).exceptions.push_back("IDL:Gone:1.0");
  repository.update_state(*stored);
  stored.reset();
  IdlPrinter printer(repository, names);
  EXPECT_EQ(printer.print("IDL:U:1.0"),
            "// IDL:U:1.0\nunion U switch (char) {\n  case 'a':\n  case 'b': long x;\n  default: string<4> y;\n};\n");
  EXPECT_EQ(printer.print("IDL:Empty:1.0"), "// IDL:Empty:1.0\nexception Empty {};\n");
  EXPECT_EQ(printer.print("IDL:L:1.0"),
            "// IDL:L:1.0\nlocal interface L {\n"
            "  long[2] f() raises (::Empty, /* not stored: IDL:Gone:1.0 */);\n};\n");
}

TEST(ScopedNames, RenamingReplacesWholeNamesOnly) {
  CORBA_ConstantDef_Impl constant("C", "IDL:C:1.0");
  constant.type = {"::M::T", {"IDL:M/T:1.0"}};
  constant.value = "::M::T";
  EXPECT_TRUE(rename_scoped_names(constant, {{"::M::T", "::N::T"}}));
  EXPECT_EQ(constant.type.spelling, "::N::T");
  EXPECT_EQ(constant.value, "::N::T");

  CORBA_StructDef_Impl s("S", "IDL:S:1.0");
  s.members = {{"a", {"sequence<::M::Type, 2>", {}}}, {"b", {"::M::T::U", {}}}, {"c", {"sequence<::M::T>", {}}}};
  EXPECT_TRUE(rename_scoped_names(s, {{"::M::T", "::N::T"}}));
  EXPECT_EQ(s.members[0].type.spelling, "sequence<::M::Type, 2>");
  EXPECT_EQ(s.members[1].type.spelling, "::M::T::U");
  EXPECT_EQ(s.members[2].type.spelling, "sequence<::N::T>");

  CORBA_ConstantDef_Impl text("X", "IDL:X:1.0");
  text.type = {"string", {}};
  text.value = "\"::M::T\"";  // a string that looks like a name stays as it is
  EXPECT_FALSE(rename_scoped_names(text, {{"::M::T", "::N::T"}}));
}

TEST(ScopedNames, RepositoryIdsAreToldFromScopedNames) {
  EXPECT_TRUE(looks_like_repository_id("IDL:omg.org/CosNaming:1.0"));
  EXPECT_TRUE(looks_like_repository_id("LOCAL:bank/Frozen"));
  EXPECT_FALSE(looks_like_repository_id("::CosNaming::NamingContext"));
  EXPECT_FALSE(looks_like_repository_id("CosNaming"));
}

TEST(StateIds, EveryHeldIdIsVisitedAndOnlyUsesAreReferences) {
  CORBA_OperationDef_Impl op("op", "IDL:op:1.0");
  op.result = {"::A", {"IDL:A:1.0"}};
  op.parameters = {{"p", {"sequence<::B>", {"IDL:B:1.0"}}, IRParameterMode::Out}};
  op.exceptions = {"IDL:E:1.0", "IDL:A:1.0"};
  EXPECT_EQ(referenced_ids(op), (std::vector<std::string>{"IDL:A:1.0", "IDL:B:1.0", "IDL:E:1.0"}));
  CORBA_InterfaceDef_Impl i("I", "IDL:I:1.0");
  i.base_interfaces = {"IDL:Base:1.0"};
  EXPECT_TRUE(referenced_ids(i).empty());
  visit_ids(i, [](std::string& id) { id = "IDL:Other:1.0"; });
  EXPECT_EQ(i.base_interfaces, std::vector<std::string>{"IDL:Other:1.0"});
}

}  // namespace
