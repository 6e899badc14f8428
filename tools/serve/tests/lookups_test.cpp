// Finding definitions over IIOP: lookup_id, lookup, lookup_name and
// contents, checked against what the store itself answers and against the
// order irstore show prints.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <regex>
#include <sstream>

#include "served_repository.h"

namespace {

namespace access = irstore::access;

std::string test_id(const std::string& name) { return "IDL:irstore.test/ServeTest/" + name + ":1.0"; }

std::string id_of(CORBA::Contained_ptr contained) {
  CORBA::String_var id = contained->id();
  return id.in();
}

std::vector<std::string> ids_of(const CORBA::ContainedSeq& sequence) {
  std::vector<std::string> ids;
  for (CORBA::ULong i = 0; i < sequence.length(); ++i) ids.push_back(id_of(sequence[i]));
  return ids;
}

std::vector<std::string> names_of(const CORBA::ContainedSeq& sequence) {
  std::vector<std::string> names;
  for (CORBA::ULong i = 0; i < sequence.length(); ++i) {
    CORBA::String_var name = sequence[i]->name();
    names.emplace_back(name.in());
  }
  return names;
}

CORBA::DefinitionKind expected_kind(const access::Definition& d) {
  if (d.kind == access::Kind::Interface && d.is_abstract) return CORBA::dk_AbstractInterface;
  return static_cast<CORBA::DefinitionKind>(static_cast<int>(d.kind));
}

// Every definition below the container, with the scoped name of each.
void walk(access::Store& store, const std::string& container, const std::string& scope,
          std::map<std::string, std::pair<access::Definition, std::string>>& found) {
  for (access::Definition& member : store.members(container)) {
    std::string scoped = scope + "::" + member.name;
    std::string id = member.id;
    found.emplace(id, std::make_pair(std::move(member), scoped));
    walk(store, id, scoped, found);
  }
}

// The names of the definitions irstore show prints directly in a module,
// in the order it prints them.
std::vector<std::string> shown_order(const std::string& module) {
  ProgramRun run = ServedRepository::shared().tool({"show", module});
  EXPECT_EQ(run.status, 0) << run.err;
  static const std::regex container(R"(^  (?:abstract |local )?(?:interface|module|struct|union|exception|enum) (\w+).*)");
  static const std::regex alias(R"(^  typedef .* (\w+)(?:\[\d+\])*;$)");
  static const std::regex constant(R"(^  const .* (\w+) = .*)");
  std::vector<std::string> names;
  std::istringstream lines(run.out);
  for (std::string line; std::getline(lines, line);) {
    std::smatch match;
    if (std::regex_match(line, match, container) || std::regex_match(line, match, alias) ||
        std::regex_match(line, match, constant)) {
      names.push_back(match[1]);
    }
  }
  return names;
}

TEST(Lookups, LookupIdFindsEveryStoredDefinitionAsTheStoreHasIt) {
  access::Store& store = ServedRepository::shared().store();
  std::map<std::string, std::pair<access::Definition, std::string>> definitions;
  walk(store, access::Store::kRootId, "", definitions);
  ASSERT_GT(definitions.size(), 300u);
  CORBA::Repository_var repository = ServedRepository::shared().repository();
  for (const auto& [id, entry] : definitions) {
    const auto& [definition, scoped] = entry;
    SCOPED_TRACE(id);
    CORBA::Contained_var found = repository->lookup_id(id.c_str());
    ASSERT_FALSE(CORBA::is_nil(found));
    CORBA::String_var absolute = found->absolute_name();
    EXPECT_EQ(absolute.in(), scoped);
    EXPECT_EQ(found->def_kind(), expected_kind(definition));
  }
}

TEST(Lookups, ContainedAttributesAreTheStoredOnes) {
  access::Store& store = ServedRepository::shared().store();
  CORBA::Repository_var repository = ServedRepository::shared().repository();
  for (const char* id : {"IDL:omg.org/CosNaming:1.0", "IDL:example.org/Bank/Entity:2.1", "LOCAL:bank/Frozen",
                         "IDL:omg.org/CosNaming/NamingContext/bind:1.0", "IDL:irstore.test/ServeTest/Inner/Deep:1.0",
                         "IDL:irstore.test/ServeTest/Calculator/tint:1.0", "IDL:irstore.test/ServeTest/COST:1.0"}) {
    SCOPED_TRACE(id);
    std::optional<access::Definition> stored = store.find(id);
    ASSERT_TRUE(stored.has_value());
    CORBA::Contained_var found = repository->lookup_id(id);
    CORBA::String_var served_id = found->id();
    CORBA::String_var name = found->name();
    CORBA::String_var version = found->version();
    EXPECT_EQ(served_id.in(), stored->id);
    EXPECT_EQ(name.in(), stored->name);
    EXPECT_EQ(version.in(), stored->version);

    CORBA::Container_var container = found->defined_in();
    std::string stored_container = store.container_of(id).value_or("");
    if (stored_container == access::Store::kRootId) {
      EXPECT_EQ(container->def_kind(), CORBA::dk_Repository);
    } else {
      CORBA::Contained_var contained = CORBA::Contained::_narrow(container);
      EXPECT_EQ(id_of(contained), stored_container);
    }
  }
}

TEST(Lookups, AnUnknownIdIsNil) {
  CORBA::Repository_var repository = ServedRepository::shared().repository();
  CORBA::Contained_var nothing = repository->lookup_id("IDL:irstore.test/Nowhere:1.0");
  EXPECT_TRUE(CORBA::is_nil(nothing));
  CORBA::Contained_var root = repository->lookup_id(access::Store::kRootId);
  EXPECT_TRUE(CORBA::is_nil(root));  // the repository is no definition of its own
}

TEST(Lookups, LookupFollowsIdlScopingRules) {
  CORBA::Repository_var repository = ServedRepository::shared().repository();
  CORBA::Contained_var absolute = repository->lookup("::CosNaming::NamingContext::NotFound");
  ASSERT_FALSE(CORBA::is_nil(absolute));
  EXPECT_EQ(id_of(absolute), "IDL:omg.org/CosNaming/NamingContext/NotFound:1.0");

  CORBA::Contained_var module_found = repository->lookup("ServeTest");
  CORBA::ModuleDef_var module = CORBA::ModuleDef::_narrow(module_found);
  ASSERT_FALSE(CORBA::is_nil(module));
  CORBA::Contained_var relative = module->lookup("Inner::Deep");
  EXPECT_EQ(id_of(relative), test_id("Inner/Deep"));

  // An interface sees what it inherits; an inner module what encloses it.
  CORBA::InterfaceDef_var derived = served<CORBA::InterfaceDef>(test_id("Derived"));
  CORBA::Contained_var inherited = derived->lookup("add");
  EXPECT_EQ(id_of(inherited), test_id("Calculator/add"));
  CORBA::ModuleDef_var inner = served<CORBA::ModuleDef>(test_id("Inner"));
  CORBA::Contained_var enclosing = inner->lookup("Calculator");
  EXPECT_EQ(id_of(enclosing), test_id("Calculator"));

  CORBA::Contained_var missing = module->lookup("Inner::Shallow");
  EXPECT_TRUE(CORBA::is_nil(missing));
}

TEST(Lookups, LookupNameSearchesLevelsKindsAndBasesAsTheStoreDoes) {
  access::Store& store = ServedRepository::shared().store();
  CORBA::Repository_var repository = ServedRepository::shared().repository();
  CORBA::ContainedSeq_var anywhere = repository->lookup_name("Point", -1, CORBA::dk_all, false);
  std::vector<std::string> expected;
  for (const access::Definition& d : store.lookup_name(access::Store::kRootId, "Point", -1, access::Kind::All, false)) {
    expected.push_back(d.id);
  }
  EXPECT_EQ(ids_of(anywhere.in()), expected);
  EXPECT_NE(std::find(expected.begin(), expected.end(), test_id("Point")), expected.end());

  CORBA::ContainedSeq_var top_level = repository->lookup_name("Point", 1, CORBA::dk_all, false);
  EXPECT_EQ(top_level->length(), 0u);
  CORBA::ContainedSeq_var structs = repository->lookup_name("Point", -1, CORBA::dk_Struct, false);
  EXPECT_EQ(structs->length(), expected.size());
  CORBA::ContainedSeq_var typedefs = repository->lookup_name("Point", -1, CORBA::dk_Typedef, false);
  EXPECT_EQ(typedefs->length(), expected.size());
  CORBA::ContainedSeq_var aliases = repository->lookup_name("Point", -1, CORBA::dk_Alias, false);
  EXPECT_EQ(aliases->length(), 0u);

  CORBA::InterfaceDef_var derived = served<CORBA::InterfaceDef>(test_id("Derived"));
  CORBA::ContainedSeq_var inherited = derived->lookup_name("add", 1, CORBA::dk_Operation, false);
  EXPECT_EQ(ids_of(inherited.in()), std::vector<std::string>{test_id("Calculator/add")});
  CORBA::ContainedSeq_var own = derived->lookup_name("add", 1, CORBA::dk_Operation, true);
  EXPECT_EQ(own->length(), 0u);
}

TEST(Lookups, ContentsComeInTheOrderIrstoreShowPrints) {
  CORBA::Repository_var repository = ServedRepository::shared().repository();
  for (const char* module : {"::ServeTest", "::Bank", "::Finance", "::CosNaming", "::CORBA"}) {
    SCOPED_TRACE(module);
    CORBA::Contained_var found = repository->lookup(module);
    CORBA::Container_var container = CORBA::Container::_narrow(found);
    ASSERT_FALSE(CORBA::is_nil(container));
    CORBA::ContainedSeq_var contents = container->contents(CORBA::dk_all, true);
    std::vector<std::string> shown = shown_order(module);
    ASSERT_GT(shown.size(), 3u);
    EXPECT_EQ(names_of(contents.in()), shown);
  }
}

TEST(Lookups, ContentsAreTheStoresMembersFilteredByKindWithWhatInterfacesInherit) {
  access::Store& store = ServedRepository::shared().store();
  CORBA::ModuleDef_var module = served<CORBA::ModuleDef>("IDL:irstore.test/ServeTest:1.0");
  CORBA::ContainedSeq_var all = module->contents(CORBA::dk_all, false);
  std::vector<std::string> served_ids = ids_of(all.in()), stored_ids;
  for (const access::Definition& d : store.members("IDL:irstore.test/ServeTest:1.0")) stored_ids.push_back(d.id);
  std::sort(served_ids.begin(), served_ids.end());
  std::sort(stored_ids.begin(), stored_ids.end());
  EXPECT_EQ(served_ids, stored_ids);

  CORBA::ContainedSeq_var typedefs = module->contents(CORBA::dk_Typedef, false);
  for (CORBA::ULong i = 0; i < typedefs->length(); ++i) {
    CORBA::DefinitionKind kind = typedefs[i]->def_kind();
    EXPECT_TRUE(kind == CORBA::dk_Alias || kind == CORBA::dk_Struct || kind == CORBA::dk_Union ||
                kind == CORBA::dk_Enum);
  }
  CORBA::ContainedSeq_var constants = module->contents(CORBA::dk_Constant, false);
  EXPECT_EQ(constants->length(), 14u);

  // Derived declares nothing; it inherits Calculator's and Base's features.
  CORBA::InterfaceDef_var derived = served<CORBA::InterfaceDef>(test_id("Derived"));
  CORBA::ContainedSeq_var own = derived->contents(CORBA::dk_all, true);
  EXPECT_EQ(own->length(), 0u);
  CORBA::ContainedSeq_var operations = derived->contents(CORBA::dk_Operation, false);
  std::vector<std::string> names = names_of(operations.in());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"add", "echo", "histogram", "move", "ping", "print", "reset", "self"}));
  CORBA::ContainedSeq_var attributes = derived->contents(CORBA::dk_Attribute, false);
  EXPECT_EQ(names_of(attributes.in()), (std::vector<std::string>{"tint", "total"}));
}

TEST(Lookups, TheNamingServiceAnswersAsTheStoreKeepsIt) {
  access::Store& store = ServedRepository::shared().store();
  const std::string naming = "IDL:omg.org/CosNaming:1.0";
  CORBA::ModuleDef_var module = served<CORBA::ModuleDef>(naming);
  ASSERT_FALSE(CORBA::is_nil(module));
  CORBA::Container::DescriptionSeq_var described = module->describe_contents(CORBA::dk_all, true, -1);
  std::map<std::string, CORBA::DefinitionKind> served_kinds, stored_kinds;
  for (CORBA::ULong i = 0; i < described->length(); ++i) {
    served_kinds[id_of(described[i].contained_object)] = described[i].kind;
  }
  for (const access::Definition& d : store.members(naming)) stored_kinds[d.id] = expected_kind(d);
  EXPECT_EQ(served_kinds, stored_kinds);

  // NamingContextExt's operations: its own and those of NamingContext.
  const std::string context = "IDL:omg.org/CosNaming/NamingContext:1.0";
  const std::string extended = "IDL:omg.org/CosNaming/NamingContextExt:1.0";
  std::vector<std::string> stored_operations;
  for (const std::string& interface : {extended, context}) {
    for (const access::Definition& d : store.members(interface)) {
      if (d.kind == access::Kind::Operation) stored_operations.push_back(d.name);
    }
  }
  CORBA::InterfaceDef_var ext = served<CORBA::InterfaceDef>(extended);
  CORBA::InterfaceDef::FullInterfaceDescription_var full = ext->describe_interface();
  std::vector<std::string> served_operations;
  for (CORBA::ULong i = 0; i < full->operations.length(); ++i) served_operations.emplace_back(full->operations[i].name);
  std::sort(stored_operations.begin(), stored_operations.end());
  std::sort(served_operations.begin(), served_operations.end());
  EXPECT_EQ(served_operations, stored_operations);

  CORBA::Repository_var repository = ServedRepository::shared().repository();
  CORBA::ContainedSeq_var not_found = repository->lookup_name("NotFound", -1, CORBA::dk_Exception, false);
  std::vector<std::string> expected;
  for (const access::Definition& d :
       store.lookup_name(access::Store::kRootId, "NotFound", -1, access::Kind::Exception, false)) {
    expected.push_back(d.id);
  }
  EXPECT_EQ(ids_of(not_found.in()), expected);
  ASSERT_EQ(expected.size(), 1u);

  CORBA::Contained_var bind = repository->lookup("::CosNaming::NamingContextExt::bind");
  EXPECT_EQ(id_of(bind), "IDL:omg.org/CosNaming/NamingContext/bind:1.0");
}

}  // namespace
