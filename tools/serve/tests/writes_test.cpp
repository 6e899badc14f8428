// Changes over IIOP on a server started with --writable: every create_*
// operation, setter, move and destroy, each read back through the store in
// this process (another process than the server's), the errors an
// Interface Repository gives with nothing written, and writers at once.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <thread>

#include "served_repository.h"
#include "standard_minor_codes.h"

namespace {

namespace access = irstore::access;

using namespace standard_minor;

ServedRepository& served_repository() { return ServedRepository::shared(Serving{.writable = true}); }
access::Store& store() { return served_repository().store(); }

std::string made(const std::string& path) { return "IDL:Made/" + path + ":1.0"; }

// The arguments of the IR's write operations, as a client builds them.
class Arguments {
 public:
  Arguments() {
    CORBA::Object_var factory = served_repository().orb()->resolve_initial_references("DynAnyFactory");
    dyn_any_ = DynamicAny::DynAnyFactory::_narrow(factory);
  }

  CORBA::Repository_ptr repository() { return repository_.in(); }
  CORBA::IDLType_ptr primitive(CORBA::PrimitiveKind kind) { return repository_->get_primitive(kind); }

  void member(CORBA::StructMemberSeq& members, const char* name, CORBA::IDLType_ptr type) {
    CORBA::ULong at = members.length();
    members.length(at + 1);
    members[at].name = name;
    members[at].type = CORBA::TypeCode::_duplicate(CORBA::_tc_void);  // the repository takes the type_def
    members[at].type_def = CORBA::IDLType::_duplicate(type);
  }
  void member(CORBA::UnionMemberSeq& members, const char* name, const CORBA::Any& label, CORBA::IDLType_ptr type) {
    CORBA::ULong at = members.length();
    members.length(at + 1);
    members[at].name = name;
    members[at].label = label;
    members[at].type = CORBA::TypeCode::_duplicate(CORBA::_tc_void);
    members[at].type_def = CORBA::IDLType::_duplicate(type);
  }
  void parameter(CORBA::ParDescriptionSeq& parameters, const char* name, CORBA::IDLType_ptr type,
                 CORBA::ParameterMode mode) {
    CORBA::ULong at = parameters.length();
    parameters.length(at + 1);
    parameters[at].name = name;
    parameters[at].type = CORBA::TypeCode::_duplicate(CORBA::_tc_void);
    parameters[at].type_def = CORBA::IDLType::_duplicate(type);
    parameters[at].mode = mode;
  }

  // The enumerator of an enum, as an Any of its type.
  CORBA::Any enumerator(CORBA::EnumDef_ptr enumeration, const char* name) {
    CORBA::TypeCode_var type = enumeration->type();
    DynamicAny::DynAny_var value = dyn_any_->create_dyn_any_from_type_code(type);
    DynamicAny::DynEnum_var as_enum = DynamicAny::DynEnum::_narrow(value);
    as_enum->set_as_string(name);
    CORBA::Any_var any = as_enum->to_any();
    as_enum->destroy();
    return any.in();
  }
  static CORBA::Any long_value(CORBA::Long value) {
    CORBA::Any any;
    any <<= value;
    return any;
  }
  static CORBA::Any default_label() {
    CORBA::Any any;
    any <<= CORBA::Any::from_octet(0);
    return any;
  }

 private:
  CORBA::Repository_var repository_ = served_repository().repository();
  DynamicAny::DynAnyFactory_var dyn_any_;
};

// Every definition below a container, by repository id.
void walk(const std::string& container, std::map<std::string, access::Definition>& found) {
  for (access::Definition& member : store().members(container)) {
    std::string id = member.id;
    found.emplace(id, std::move(member));
    walk(id, found);
  }
}

void replace_all(std::string& text, const std::string& from, const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
}

// The definition as it reads once the module Loaded is called Made.
access::Definition as_made(access::Definition d) {
  auto fix = [](std::string& text) { replace_all(text, "Loaded", "Made"); };
  auto fix_use = [&](access::TypeUse& use) {
    fix(use.spelling);
    for (std::string& id : use.references) fix(id);
  };
  fix(d.id);
  fix(d.value);
  fix_use(d.type);
  for (std::string& id : d.bases) fix(id);
  for (std::string& id : d.exceptions) fix(id);
  for (access::Parameter& p : d.parameters) fix_use(p.type);
  for (access::Member& m : d.members) fix_use(m.type);
  for (access::UnionCase& c : d.cases) {
    fix(c.label);
    fix_use(c.type);
  }
  return d;
}

std::vector<std::string> sorted(std::vector<std::string> ids) {
  std::sort(ids.begin(), ids.end());
  return ids;
}

// Makes over IIOP what writes_test.idl declares, in the module Made.
void make_the_module() {
  Arguments a;
  CORBA::Repository_ptr repository = a.repository();
  CORBA::ModuleDef_var module = repository->create_module("IDL:Made:1.0", "Made", "1.0");
  CORBA::EnumMemberSeq colours;
  colours.length(2);
  colours[0] = "red";
  colours[1] = "green";
  CORBA::EnumDef_var colour = module->create_enum(made("Colour").c_str(), "Colour", "1.0", colours);

  CORBA::IDLType_var long_type = a.primitive(CORBA::pk_long), string_type = a.primitive(CORBA::pk_string);
  CORBA::ConstantDef_var constant =
      module->create_constant(made("answer").c_str(), "answer", "1.0", long_type, Arguments::long_value(42));
  constant = module->create_constant(made("favourite").c_str(), "favourite", "1.0", colour,
                                     a.enumerator(colour, "green"));
  CORBA::Any text, ratio, initial;
  text <<= "hi \"there\"";
  ratio <<= CORBA::Double(0.5);
  initial <<= CORBA::Any::from_char('q');
  constant = module->create_constant(made("greeting").c_str(), "greeting", "1.0", string_type, text);
  CORBA::IDLType_var double_type = a.primitive(CORBA::pk_double), char_type = a.primitive(CORBA::pk_char);
  constant = module->create_constant(made("ratio").c_str(), "ratio", "1.0", double_type, ratio);
  constant = module->create_constant(made("initial").c_str(), "initial", "1.0", char_type, initial);

  CORBA::SequenceDef_var tints = repository->create_sequence(0, colour);
  CORBA::StructMemberSeq point_members;
  a.member(point_members, "x", long_type);
  a.member(point_members, "tints", tints);
  CORBA::StructDef_var point = module->create_struct(made("Point").c_str(), "Point", "1.0", point_members);

  CORBA::UnionMemberSeq choices;
  a.member(choices, "number", a.enumerator(colour, "red"), long_type);
  a.member(choices, "text", a.enumerator(colour, "green"), string_type);
  CORBA::UnionDef_var choice = module->create_union(made("Choice").c_str(), "Choice", "1.0", colour, choices);
  CORBA::IDLType_var short_type = a.primitive(CORBA::pk_short);
  CORBA::UnionMemberSeq numbers;
  a.member(numbers, "small", Arguments::long_value(1), short_type);
  a.member(numbers, "small", Arguments::long_value(2), short_type);
  a.member(numbers, "big", Arguments::default_label(), point);
  CORBA::UnionDef_var numbered = module->create_union(made("Numbered").c_str(), "Numbered", "1.0", long_type, numbers);

  CORBA::SequenceDef_var four_points = repository->create_sequence(4, point);
  CORBA::AliasDef_var quad = module->create_alias(made("Quad").c_str(), "Quad", "1.0", four_points);
  CORBA::ArrayDef_var row = repository->create_array(3, long_type);
  CORBA::ArrayDef_var rows = repository->create_array(2, row);
  CORBA::AliasDef_var grid = module->create_alias(made("Grid").c_str(), "Grid", "1.0", rows);

  CORBA::StructMemberSeq why;
  a.member(why, "why", string_type);
  CORBA::ExceptionDef_var failed = module->create_exception(made("Failed").c_str(), "Failed", "1.0", why);

  CORBA::InterfaceDef_var base = module->create_interface(made("Base").c_str(), "Base", "1.0", CORBA::InterfaceDefSeq());
  CORBA::AttributeDef_var attribute =
      base->create_attribute(made("Base/tint").c_str(), "tint", "1.0", colour, CORBA::ATTR_NORMAL);
  CORBA::AbstractInterfaceDef_var named = module->create_abstract_interface(
      made("Named").c_str(), "Named", "1.0", CORBA::AbstractInterfaceDefSeq());
  attribute = named->create_attribute(made("Named/label").c_str(), "label", "1.0", string_type, CORBA::ATTR_READONLY);

  CORBA::InterfaceDefSeq bases;
  bases.length(1);
  bases[0] = CORBA::InterfaceDef::_duplicate(base);
  CORBA::InterfaceDef_var shape = module->create_interface(made("Shape").c_str(), "Shape", "1.0", bases);
  attribute = shape->create_attribute(made("Shape/corners").c_str(), "corners", "1.0", quad, CORBA::ATTR_READONLY);
  CORBA::ParDescriptionSeq centre_parameters;
  a.parameter(centre_parameters, "scale", long_type, CORBA::PARAM_IN);
  a.parameter(centre_parameters, "area", quad, CORBA::PARAM_OUT);
  a.parameter(centre_parameters, "pick", choice, CORBA::PARAM_INOUT);
  CORBA::ExceptionDefSeq raised;
  raised.length(1);
  raised[0] = CORBA::ExceptionDef::_duplicate(failed);
  CORBA::ContextIdSeq contexts;
  contexts.length(1);
  contexts[0] = "zoom";
  CORBA::OperationDef_var operation = shape->create_operation(made("Shape/centre").c_str(), "centre", "1.0", point,
                                                              CORBA::OP_NORMAL, centre_parameters, raised, contexts);
  CORBA::IDLType_var void_type = a.primitive(CORBA::pk_void);
  CORBA::ParDescriptionSeq note;
  a.parameter(note, "note", string_type, CORBA::PARAM_IN);
  operation = shape->create_operation(made("Shape/ping").c_str(), "ping", "1.0", void_type, CORBA::OP_ONEWAY, note,
                                      CORBA::ExceptionDefSeq(), CORBA::ContextIdSeq());
}

// A module of its own for a test, in which it makes what it changes.
CORBA::ModuleDef_ptr fresh_module(const std::string& name) {
  CORBA::Repository_var repository = served_repository().repository();
  return repository->create_module(("IDL:" + name + ":1.0").c_str(), name.c_str(), "1.0");
}

std::string id_in(const std::string& module, const std::string& path) { return "IDL:" + module + "/" + path + ":1.0"; }

TEST(Writes, EveryKindMadeOverIiopIsStoredAsTheLoaderStoresItsIdl) {
  ProgramRun loaded = served_repository().tool({"load", WRITES_TEST_IDL});
  ASSERT_EQ(loaded.status, 0) << loaded.err;
  make_the_module();

  std::map<std::string, access::Definition> loaded_ones, expected, got;
  walk("IDL:Loaded:1.0", loaded_ones);
  for (const auto& [id, d] : loaded_ones) expected.emplace(as_made(d).id, as_made(d));
  walk("IDL:Made:1.0", got);
  ASSERT_EQ(got.size(), 20u);
  EXPECT_EQ(got, expected);
  // The same relations: what depends on each definition.
  for (const auto& [id, d] : loaded_ones) {
    std::vector<std::string> dependants;
    for (std::string dependant : store().removed_with(id)) {
      replace_all(dependant, "Loaded", "Made");
      dependants.push_back(dependant);
    }
    EXPECT_EQ(sorted(store().removed_with(as_made(d).id)), sorted(dependants)) << id;
  }
  EXPECT_EQ(store().container_of("IDL:Made:1.0"), std::string(access::Store::kRootId));
  EXPECT_TRUE(store().inherits_from(made("Shape"), made("Base")));
  // The tool reads what the server wrote.
  ProgramRun shown = served_repository().tool({"show", "::Made::Shape::centre"});
  EXPECT_NE(shown.out.find("::Made::Point centre(in long scale, out ::Made::Quad area, inout ::Made::Choice pick)"),
            std::string::npos)
      << shown.out << shown.err;
}

TEST(Writes, SettersChangeTheStoredStateAndItsRelations) {
  Arguments a;
  CORBA::ModuleDef_var module = fresh_module("Setters");
  auto id = [](const std::string& path) { return id_in("Setters", path); };
  CORBA::IDLType_var long_type = a.primitive(CORBA::pk_long), short_type = a.primitive(CORBA::pk_short);
  CORBA::IDLType_var string_type = a.primitive(CORBA::pk_string), void_type = a.primitive(CORBA::pk_void);
  CORBA::AliasDef_var count = module->create_alias(id("Count").c_str(), "Count", "1.0", long_type);
  CORBA::StructMemberSeq no_members;
  CORBA::ExceptionDef_var oops = module->create_exception(id("Oops").c_str(), "Oops", "1.0", no_members);
  CORBA::InterfaceDef_var base = module->create_interface(id("Base").c_str(), "Base", "1.0", CORBA::InterfaceDefSeq());
  CORBA::InterfaceDef_var thing = module->create_interface(id("Thing").c_str(), "Thing", "1.0", CORBA::InterfaceDefSeq());
  CORBA::OperationDef_var op = thing->create_operation(id("Thing/op").c_str(), "op", "1.0", void_type, CORBA::OP_ONEWAY,
                                                       CORBA::ParDescriptionSeq(), CORBA::ExceptionDefSeq(),
                                                       CORBA::ContextIdSeq());
  // An operation: result, mode, parameters, exceptions, contexts.
  op->mode(CORBA::OP_NORMAL);
  op->result_def(count);
  CORBA::ParDescriptionSeq parameters;
  a.parameter(parameters, "n", short_type, CORBA::PARAM_INOUT);
  op->params(parameters);
  CORBA::ExceptionDefSeq raised;
  raised.length(1);
  raised[0] = CORBA::ExceptionDef::_duplicate(oops);
  op->exceptions(raised);
  CORBA::ContextIdSeq contexts;
  contexts.length(1);
  contexts[0] = "user";
  op->contexts(contexts);
  access::Definition stored_op = *store().find(id("Thing/op"));
  EXPECT_FALSE(stored_op.oneway);
  EXPECT_EQ(stored_op.type, (access::TypeUse{"::Setters::Count", {id("Count")}}));
  ASSERT_EQ(stored_op.parameters.size(), 1u);
  EXPECT_EQ(stored_op.parameters[0], (access::Parameter{"n", {"short", {}}, access::ParameterMode::InOut}));
  EXPECT_EQ(stored_op.exceptions, std::vector<std::string>{id("Oops")});
  EXPECT_EQ(stored_op.contexts, std::vector<std::string>{"user"});
  std::vector<std::string> with_count = store().removed_with(id("Count"));
  EXPECT_NE(std::find(with_count.begin(), with_count.end(), id("Thing/op")), with_count.end());
  op->result_def(long_type);  // no longer uses Count
  with_count = store().removed_with(id("Count"));
  EXPECT_EQ(std::find(with_count.begin(), with_count.end(), id("Thing/op")), with_count.end());

  // An attribute, an interface's bases.
  CORBA::AttributeDef_var size = thing->create_attribute(id("Thing/size").c_str(), "size", "1.0", long_type,
                                                         CORBA::ATTR_NORMAL);
  size->type_def(count);
  size->mode(CORBA::ATTR_READONLY);
  access::Definition stored_size = *store().find(id("Thing/size"));
  EXPECT_TRUE(stored_size.readonly);
  EXPECT_EQ(stored_size.type.spelling, "::Setters::Count");
  CORBA::InterfaceDefSeq bases;
  bases.length(1);
  bases[0] = CORBA::InterfaceDef::_duplicate(base);
  thing->base_interfaces(bases);
  EXPECT_EQ(store().find(id("Thing"))->bases, std::vector<std::string>{id("Base")});
  EXPECT_TRUE(store().inherits_from(id("Thing"), id("Base")));

  // A constant: its value, then its type, the value kept as one of it.
  CORBA::ConstantDef_var limit = module->create_constant(id("limit").c_str(), "limit", "1.0", long_type,
                                                         Arguments::long_value(5));
  limit->value(Arguments::long_value(-7));
  limit->type_def(short_type);
  access::Definition stored_limit = *store().find(id("limit"));
  EXPECT_EQ(stored_limit.value, "-7");
  EXPECT_EQ(stored_limit.type.spelling, "short");

  // Members of a struct and an exception, an alias's type, an enum's values.
  CORBA::StructMemberSeq members;
  a.member(members, "count", count);
  CORBA::StructDef_var pair = module->create_struct(id("Pair").c_str(), "Pair", "1.0", no_members);
  pair->members(members);
  oops->members(members);
  EXPECT_EQ(store().find(id("Pair"))->members,
            (std::vector<access::Member>{{"count", {"::Setters::Count", {id("Count")}}}}));
  EXPECT_EQ(store().find(id("Oops"))->members, store().find(id("Pair"))->members);
  count->original_type_def(short_type);
  EXPECT_EQ(store().find(id("Count"))->type.spelling, "short");
  CORBA::EnumMemberSeq colours;
  colours.length(1);
  colours[0] = "blue";
  CORBA::EnumDef_var colour = module->create_enum(id("Colour").c_str(), "Colour", "1.0", colours);
  colours.length(2);
  colours[1] = "cyan";
  colour->members(colours);
  EXPECT_EQ(store().find(id("Colour"))->enumerators, (std::vector<std::string>{"blue", "cyan"}));

  // A union: its cases, then its discriminator, the labels kept.
  CORBA::UnionMemberSeq cases;
  a.member(cases, "a", Arguments::long_value(1), long_type);
  CORBA::UnionDef_var either = module->create_union(id("Either").c_str(), "Either", "1.0", long_type, cases);
  a.member(cases, "b", Arguments::default_label(), string_type);
  either->members(cases);
  either->discriminator_type_def(short_type);
  access::Definition stored_either = *store().find(id("Either"));
  EXPECT_EQ(stored_either.type.spelling, "short");
  ASSERT_EQ(stored_either.cases.size(), 2u);
  EXPECT_EQ(stored_either.cases[0].label, "1");
  EXPECT_EQ(stored_either.cases[1].label, "default");
  CORBA::UnionMemberSeq_var served_cases = either->members();
  CORBA::Short label = 0;
  EXPECT_TRUE(served_cases[CORBA::ULong(0)].label >>= label);
  EXPECT_EQ(label, 1);
}

TEST(Writes, IdNameVersionAndContainerChangeWithTheUsersFollowing) {
  Arguments a;
  CORBA::ModuleDef_var module = fresh_module("Identity");
  CORBA::ModuleDef_var other = fresh_module("Elsewhere");
  auto id = [](const std::string& path) { return id_in("Identity", path); };
  CORBA::IDLType_var long_type = a.primitive(CORBA::pk_long);
  CORBA::AliasDef_var count = module->create_alias(id("Count").c_str(), "Count", "1.0", long_type);
  CORBA::StructMemberSeq members;
  a.member(members, "n", count);
  CORBA::StructDef_var user = module->create_struct(id("User").c_str(), "User", "1.0", members);

  count->name("Total");
  EXPECT_EQ(store().find(id("Count"))->name, "Total");
  EXPECT_EQ(store().find(id("User"))->members[0].type.spelling, "::Identity::Total");
  count->version("2.5");
  EXPECT_EQ(store().find(id("Count"))->version, "2.5");
  count->id("IDL:Identity/Total:2.5");
  EXPECT_FALSE(store().find(id("Count")).has_value());
  EXPECT_EQ(store().find(id("User"))->members[0].type.references, std::vector<std::string>{"IDL:Identity/Total:2.5"});
  EXPECT_THROW(CORBA::String_var old = count->id(), CORBA::OBJECT_NOT_EXIST);  // it names the old id

  CORBA::Contained_var total = a.repository()->lookup_id("IDL:Identity/Total:2.5");
  total->move(other, "Sum", "3.0");
  access::Definition moved = *store().find("IDL:Identity/Total:2.5");
  EXPECT_EQ(moved.name, "Sum");
  EXPECT_EQ(moved.version, "3.0");
  EXPECT_EQ(store().container_of(moved.id), "IDL:Elsewhere:1.0");
  EXPECT_EQ(store().find(id("User"))->members[0].type.spelling, "::Elsewhere::Sum");
  ProgramRun shown = served_repository().tool({"show", "::Identity::User"});
  EXPECT_NE(shown.out.find("::Elsewhere::Sum n;"), std::string::npos) << shown.out << shown.err;
  // Into the root.
  total->move(a.repository(), "Sum", "3.0");
  EXPECT_EQ(store().container_of(moved.id), std::string(access::Store::kRootId));
  CORBA::String_var absolute = total->absolute_name();
  EXPECT_STREQ(absolute.in(), "::Sum");
}

TEST(Writes, DestroyRemovesWhatItHoldsAndNothingThatDependsOnItElsewhere) {
  Arguments a;
  CORBA::ModuleDef_var module = fresh_module("Doomed");
  auto id = [](const std::string& path) { return id_in("Doomed", path); };
  CORBA::IDLType_var long_type = a.primitive(CORBA::pk_long);
  CORBA::InterfaceDef_var inner = module->create_interface(id("Inner").c_str(), "Inner", "1.0", CORBA::InterfaceDefSeq());
  CORBA::AttributeDef_var value = inner->create_attribute(id("Inner/value").c_str(), "value", "1.0", long_type,
                                                          CORBA::ATTR_NORMAL);
  CORBA::AliasDef_var used = module->create_alias(id("Used").c_str(), "Used", "1.0", long_type);
  CORBA::ModuleDef_var user_module = fresh_module("DoomedUser");
  CORBA::AliasDef_var user =
      user_module->create_alias("IDL:DoomedUser/User:1.0", "User", "1.0", used);

  expect_raises<CORBA::BAD_INV_ORDER>([&] { module->destroy(); }, kDependencyPreventsDestruction);
  expect_raises<CORBA::BAD_INV_ORDER>([&] { used->destroy(); }, kDependencyPreventsDestruction);
  EXPECT_EQ(store().kind_of(id("Used")), access::Kind::Alias);
  user->destroy();
  EXPECT_EQ(store().kind_of("IDL:DoomedUser/User:1.0"), access::Kind::None);
  module->destroy();  // with what it holds, inside uses included
  for (const char* path : {"Inner", "Inner/value", "Used"}) EXPECT_EQ(store().kind_of(id(path)), access::Kind::None) << path;
  EXPECT_EQ(store().kind_of("IDL:Doomed:1.0"), access::Kind::None);
  EXPECT_TRUE(module->_non_existent());

  expect_raises<CORBA::BAD_INV_ORDER>([&] { a.repository()->destroy(); }, kIndestructible);
  CORBA::PrimitiveDef_var primitive = a.repository()->get_primitive(CORBA::pk_long);
  expect_raises<CORBA::BAD_INV_ORDER>([&] { primitive->destroy(); }, kIndestructible);
  // An anonymous type has nothing stored: it stays for as long as it is named.
  CORBA::StringDef_var bounded = a.repository()->create_string(8);
  bounded->destroy();
  EXPECT_EQ(bounded->bound(), 8u);
}

// Each refused call leaves the repository as it was.
TEST(Writes, RefusedChangesAreTheErrorsOfAnInterfaceRepositoryAndWriteNothing) {
  Arguments a;
  CORBA::ModuleDef_var module = fresh_module("Refused");
  auto id = [](const std::string& path) { return id_in("Refused", path); };
  CORBA::IDLType_var long_type = a.primitive(CORBA::pk_long), double_type = a.primitive(CORBA::pk_double);
  CORBA::InterfaceDef_var base = module->create_interface(id("Base").c_str(), "Base", "1.0", CORBA::InterfaceDefSeq());
  CORBA::AttributeDef_var size = base->create_attribute(id("Base/size").c_str(), "size", "1.0", long_type,
                                                        CORBA::ATTR_NORMAL);
  CORBA::InterfaceDefSeq bases;
  bases.length(1);
  bases[0] = CORBA::InterfaceDef::_duplicate(base);
  CORBA::InterfaceDef_var derived = module->create_interface(id("Derived").c_str(), "Derived", "1.0", bases);
  CORBA::AliasDef_var first = module->create_alias(id("First").c_str(), "First", "1.0", long_type);
  CORBA::AliasDef_var second = module->create_alias(id("Second").c_str(), "Second", "1.0", first);
  CORBA::SequenceDef_var seconds = a.repository()->create_sequence(0, second);
  CORBA::EnumMemberSeq sizes;
  sizes.length(2);
  sizes[0] = "small";
  sizes[1] = "large";
  CORBA::EnumDef_var size_enum = module->create_enum(id("Size").c_str(), "Size", "1.0", sizes);
  CORBA::ConstantDef_var usual = module->create_constant(id("usual").c_str(), "usual", "1.0", size_enum,
                                                         a.enumerator(size_enum, "large"));
  CORBA::UnionMemberSeq by_size;
  a.member(by_size, "few", a.enumerator(size_enum, "small"), long_type);
  CORBA::UnionDef_var sized = module->create_union(id("Sized").c_str(), "Sized", "1.0", size_enum, by_size);
  CORBA::AliasDef_var count = module->create_alias(id("Count").c_str(), "Count", "1.0", long_type);
  CORBA::ConstantDef_var dozen = module->create_constant(id("dozen").c_str(), "dozen", "1.0", count,
                                                         Arguments::long_value(12));
  std::map<std::string, access::Definition> before;
  walk("IDL:Refused:1.0", before);

  expect_raises<CORBA::BAD_PARAM>([&] { module->create_module(id("Base").c_str(), "Other", "1.0"); }, kIdTaken);
  expect_raises<CORBA::BAD_PARAM>([&] { module->create_module(id("Other").c_str(), "Base", "1.0"); }, kNameTaken);
  expect_raises<CORBA::BAD_PARAM>([&] { base->create_module(id("Other").c_str(), "Other", "1.0"); },
                                  kInvalidContainer);
  expect_raises<CORBA::BAD_PARAM>(
      [&] { derived->create_operation(id("Derived/size").c_str(), "size", "1.0", long_type, CORBA::OP_NORMAL,
                                      CORBA::ParDescriptionSeq(), CORBA::ExceptionDefSeq(), CORBA::ContextIdSeq()); },
      kInheritedNameClash);
  expect_raises<CORBA::BAD_PARAM>(
      [&] { base->create_attribute(id("Base/later").c_str(), "later", "1.0", long_type, CORBA::ATTR_NORMAL);
            CORBA::AttributeDef_var clash = derived->create_attribute(id("Derived/later").c_str(), "later", "1.0",
                                                                      long_type, CORBA::ATTR_NORMAL); },
      kInheritedNameClash);
  expect_raises<CORBA::BAD_PARAM>([&] { size->name("later"); }, kNameTaken);
  expect_raises<CORBA::BAD_PARAM>([&] { size->id(id("Base").c_str()); }, kIdTaken);
  expect_raises<CORBA::BAD_PARAM>([&] { derived->move(module, "Base", "1.0"); }, kNameTaken);
  CORBA::AbstractInterfaceDefSeq concrete;
  concrete.length(1);
  concrete[0] = CORBA::AbstractInterfaceDef::_unchecked_narrow(base);
  expect_raises<CORBA::BAD_PARAM>(
      [&] { module->create_abstract_interface(id("Abstract").c_str(), "Abstract", "1.0", concrete); },
      kAbstractBaseOnly);
  CORBA::InterfaceDefSeq cycle;
  cycle.length(1);
  cycle[0] = CORBA::InterfaceDef::_duplicate(derived);
  EXPECT_THROW(base->base_interfaces(cycle), CORBA::BAD_PARAM);
  // An alias that would stand for itself has no type at all.
  EXPECT_THROW(first->original_type_def(first), CORBA::BAD_PARAM);
  EXPECT_THROW(first->original_type_def(second), CORBA::BAD_PARAM);
  EXPECT_THROW(first->original_type_def(seconds), CORBA::BAD_PARAM);
  CORBA::TypeCode_var first_type = first->type();
  EXPECT_EQ(first_type->kind(), CORBA::tk_alias);
  // A type whose users' values or labels would no longer be of it.
  CORBA::EnumMemberSeq only_small = sizes, only_large = sizes;
  only_small.length(1);
  only_large[0] = "large";
  only_large.length(1);
  EXPECT_THROW(size_enum->members(only_small), CORBA::BAD_PARAM);  // usual is large
  EXPECT_THROW(size_enum->members(only_large), CORBA::BAD_PARAM);  // a label of Sized is small
  CORBA::IDLType_var string_type = a.primitive(CORBA::pk_string);
  EXPECT_THROW(count->original_type_def(string_type), CORBA::BAD_PARAM);  // dozen is 12
  CORBA::Any_var usual_value = usual->value();
  CORBA::TypeCode_var sized_type = sized->type();
  EXPECT_EQ(sized_type->member_count(), 1u);
  for (const char* name : {"", "a b", "9lives", "x::y"}) {
    expect_raises<CORBA::BAD_PARAM>([&] { module->create_module(id("Other").c_str(), name, "1.0"); }, kInvalidName);
  }
  for (const char* repository_id : {"", "IDL:with blank:1.0"}) {
    expect_raises<CORBA::BAD_PARAM>([&] { module->create_module(repository_id, "Other", "1.0"); },
                                    kInvalidRepositoryId);
  }
  CORBA::StructMemberSeq twice;
  a.member(twice, "x", long_type);
  a.member(twice, "x", long_type);
  expect_raises<CORBA::BAD_PARAM>([&] { module->create_struct(id("Twice").c_str(), "Twice", "1.0", twice); },
                                  kInvalidMemberName);
  CORBA::UnionMemberSeq same_label;
  a.member(same_label, "a", Arguments::long_value(1), long_type);
  a.member(same_label, "b", Arguments::long_value(1), long_type);
  expect_raises<CORBA::BAD_PARAM>(
      [&] { module->create_union(id("U").c_str(), "U", "1.0", long_type, same_label); }, kDuplicateLabel);
  CORBA::UnionMemberSeq text_label;
  CORBA::Any text;
  text <<= "one";
  a.member(text_label, "a", text, long_type);
  expect_raises<CORBA::BAD_PARAM>(
      [&] { module->create_union(id("U").c_str(), "U", "1.0", long_type, text_label); }, kIncompatibleLabel);
  expect_raises<CORBA::BAD_PARAM>(
      [&] { module->create_union(id("U").c_str(), "U", "1.0", double_type, CORBA::UnionMemberSeq()); },
      kIllegitimateDiscriminator);
  EXPECT_THROW(module->create_constant(id("c").c_str(), "c", "1.0", long_type, text), CORBA::BAD_PARAM);
  CORBA::Container_var not_a_container = CORBA::Container::_unchecked_narrow(size);
  expect_raises<CORBA::BAD_PARAM>([&] { size->move(not_a_container, "size", "1.0"); }, kInvalidContainer);
  expect_raises<CORBA::BAD_PARAM>([&] { module->move(module, "Refused", "1.0"); }, kInvalidContainer);
  CORBA::ExceptionDefSeq not_an_exception;
  not_an_exception.length(1);
  not_an_exception[0] = CORBA::ExceptionDef::_unchecked_narrow(base);
  EXPECT_THROW(base->create_operation(id("Base/op").c_str(), "op", "1.0", long_type, CORBA::OP_NORMAL,
                                      CORBA::ParDescriptionSeq(), not_an_exception, CORBA::ContextIdSeq()),
               CORBA::BAD_PARAM);
  EXPECT_THROW(base->create_operation(id("Base/op").c_str(), "op", "1.0", long_type, CORBA::OP_ONEWAY,
                                      CORBA::ParDescriptionSeq(), CORBA::ExceptionDefSeq(), CORBA::ContextIdSeq()),
               CORBA::BAD_PARAM);  // a oneway operation returns nothing
  // What the repository does not keep: value types, natives, and anonymous
  // types changed in place (their spelling is their identity).
  CORBA::StringDef_var bounded = a.repository()->create_string(8);
  CORBA::WstringDef_var wide = a.repository()->create_wstring(8);
  CORBA::FixedDef_var money = a.repository()->create_fixed(9, 2);
  CORBA::SequenceDef_var longs = a.repository()->create_sequence(0, long_type);
  CORBA::ArrayDef_var pair = a.repository()->create_array(2, long_type);
  std::vector<std::function<void()>> not_kept = {
      [&] { module->create_native(id("N").c_str(), "N", "1.0"); },
      [&] { module->create_value_box(id("B").c_str(), "B", "1.0", long_type); },
      [&] { module->create_value(id("V").c_str(), "V", "1.0", false, false, CORBA::ValueDef::_nil(), false,
                                 CORBA::ValueDefSeq(), CORBA::InterfaceDefSeq(), CORBA::InitializerSeq()); },
      [&] { bounded->bound(9); },
      [&] { wide->bound(9); },
      [&] { money->digits(10); },
      [&] { money->scale(3); },
      [&] { longs->bound(4); },
      [&] { longs->element_type_def(double_type); },
      [&] { pair->length(3); },
      [&] { pair->element_type_def(double_type); },
  };
  for (std::size_t i = 0; i < not_kept.size(); ++i) EXPECT_THROW(not_kept[i](), CORBA::NO_IMPLEMENT) << i;
  EXPECT_EQ(wide->bound(), 8u);
  EXPECT_EQ(pair->length(), 2u);

  std::map<std::string, access::Definition> after;
  walk("IDL:Refused:1.0", after);
  before.emplace(id("Base/later"), *store().find(id("Base/later")));  // the one that was allowed
  EXPECT_EQ(after, before);
}

// Writers and readers at once, each on a connection of its own: every
// write is whole, and of two that take the same name only one succeeds.
TEST(Writes, WritersAtOnceEachGetAUnitOfWorkOfTheirOwn) {
  CORBA::ModuleDef_var shared_module = fresh_module("Busy");
  constexpr int kWriters = 4, kEach = 10;
  std::vector<int> taken(kWriters, 0), refused(kWriters, 0);
  std::vector<std::string> failures(kWriters + 1);
  std::atomic<bool> writing{true};
  std::thread reader([&] {
    try {
      CORBA::Repository_var repository = served_repository().repository();
      while (writing) {
        CORBA::Contained_var found = repository->lookup("::Busy");
        CORBA::ModuleDef_var module = CORBA::ModuleDef::_narrow(found);
        CORBA::ContainedSeq_var contents = module->contents(CORBA::dk_all, false);
        for (CORBA::ULong i = 0; i < contents->length(); ++i) CORBA::String_var name = contents[i]->name();
      }
    } catch (const CORBA::Exception& e) {
      failures[kWriters] = e._name();
    }
  });
  std::vector<std::thread> writers;
  for (int writer = 0; writer < kWriters; ++writer) {
    writers.emplace_back([&, writer] {
      try {
        CORBA::Repository_var repository = served_repository().repository();
        CORBA::Contained_var found = repository->lookup_id("IDL:Busy:1.0");
        CORBA::ModuleDef_var module = CORBA::ModuleDef::_narrow(found);
        for (int i = 0; i < kEach; ++i) {
          std::string name = "M" + std::to_string(writer) + "_" + std::to_string(i);
          CORBA::ModuleDef_var created = module->create_module(id_in("Busy", name).c_str(), name.c_str(), "1.0");
          try {
            std::string contested = "Contested" + std::to_string(i);
            CORBA::ModuleDef_var won = module->create_module(
                id_in("Busy", contested + "_" + std::to_string(writer)).c_str(), contested.c_str(), "1.0");
            ++taken[writer];
          } catch (const CORBA::BAD_PARAM& e) {
            if (e.minor() == kNameTaken) ++refused[writer];
          }
        }
      } catch (const CORBA::Exception& e) {
        failures[writer] = e._name();
      }
    });
  }
  for (std::thread& writer : writers) writer.join();
  writing = false;
  reader.join();
  EXPECT_EQ(failures, std::vector<std::string>(kWriters + 1));
  int won = 0, lost = 0;
  for (int writer = 0; writer < kWriters; ++writer) {
    won += taken[writer];
    lost += refused[writer];
  }
  EXPECT_EQ(won, kEach);
  EXPECT_EQ(lost, (kWriters - 1) * kEach);
  EXPECT_EQ(store().members("IDL:Busy:1.0").size(), static_cast<std::size_t>(kWriters * kEach + kEach));
}

}  // namespace
