// The access interface against a repository loaded by the irstore tool: the
// state of every kind as the loader stored it, the relations, and store
// failures arriving as access::Error.
#include <gtest/gtest.h>

#include <irstore_access/access.h>

#include "child_process.h"
#include "temp_repository.h"

namespace {

using irstore::access::Definition;
using irstore::access::Error;
using irstore::access::Kind;
using irstore::access::ParameterMode;
using irstore::access::Store;
using irstore::access::TypeUse;

constexpr const char* kAlias = "ACCESS";

void tool(const std::vector<std::string>& arguments) {
  std::vector<std::string> argv = {IRSTORE_BINARY, "--db", kAlias};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  ProgramRun run = run_program(argv);
  ASSERT_EQ(run.status, 0) << run.err;
}

std::string id(const std::string& path) { return "IDL:Shapes/" + path + ":1.0"; }

class AccessTest : public testing::Test {
 protected:
  void SetUp() override {
    tool({"init"});
    tool({"load", ACCESS_TEST_IDL});
    store_ = std::make_unique<Store>(kAlias);
  }
  Definition get(const std::string& path) {
    std::optional<Definition> found = store_->find(id(path));
    if (!found) ADD_FAILURE() << path << " not found";
    return found.value_or(Definition{});
  }

  TempRepository repository_{kAlias};
  std::unique_ptr<Store> store_;
};

TEST_F(AccessTest, EveryKindReadsBackWithTheStateTheLoaderGaveIt) {
  Definition shape = get("Shape");
  EXPECT_EQ(shape.kind, Kind::Interface);
  EXPECT_EQ(shape.name, "Shape");
  EXPECT_EQ(shape.version, "1.0");
  EXPECT_EQ(shape.bases, std::vector<std::string>{id("Named")});
  EXPECT_TRUE(get("Named").is_abstract);

  Definition centre = get("Shape/centre");
  EXPECT_EQ(centre.kind, Kind::Operation);
  EXPECT_EQ(centre.type, (TypeUse{"::Shapes::Point", {id("Point")}}));
  ASSERT_EQ(centre.parameters.size(), 3u);
  EXPECT_EQ(centre.parameters[1].name, "corners");
  EXPECT_EQ(centre.parameters[1].mode, ParameterMode::Out);
  EXPECT_EQ(centre.parameters[2].mode, ParameterMode::InOut);
  EXPECT_EQ(centre.exceptions, std::vector<std::string>{id("Broken")});
  EXPECT_EQ(centre.contexts, std::vector<std::string>{"zoom"});
  EXPECT_TRUE(get("Shape/redraw").oneway);

  Definition label = get("Named/label");
  EXPECT_EQ(label.kind, Kind::Attribute);
  EXPECT_TRUE(label.readonly);
  EXPECT_EQ(label.type.spelling, "string");

  Definition favourite = get("favourite");
  EXPECT_EQ(favourite.kind, Kind::Constant);
  EXPECT_EQ(favourite.value, "::Shapes::green");

  EXPECT_EQ(get("Quad").type.spelling, "sequence<long, 4>");
  EXPECT_EQ(get("Colour").enumerators, (std::vector<std::string>{"red", "green"}));
  EXPECT_EQ(get("Point").members.size(), 2u);
  EXPECT_EQ(get("Broken").members[0].name, "why");

  Definition fill = get("Fill");
  EXPECT_EQ(fill.kind, Kind::Union);
  EXPECT_EQ(fill.type.spelling, "long");
  ASSERT_EQ(fill.cases.size(), 4u);
  EXPECT_EQ(fill.cases[1].label, "2");
  EXPECT_EQ(fill.cases[2].name, "pattern");
  EXPECT_EQ(fill.cases[3].label, "default");
}

TEST_F(AccessTest, UnknownIdsAreNothingAndOversizeOnesBadInput) {
  EXPECT_FALSE(store_->find(id("Nowhere")).has_value());
  EXPECT_EQ(store_->kind_of(id("Nowhere")), Kind::None);
  EXPECT_FALSE(store_->member_named("IDL:Shapes:1.0", "Nowhere").has_value());

  const std::string long_id = "IDL:" + std::string(5000, 'x') + ":1.0";
  const std::string long_name(300, 'n');
  for (auto call : {+[](Store& s, const std::string& i, const std::string&) { s.find(i); },
                    +[](Store& s, const std::string& i, const std::string&) { s.members(i); },
                    +[](Store& s, const std::string&, const std::string& n) { s.member_named("IDL:Shapes:1.0", n); },
                    +[](Store& s, const std::string&, const std::string& n) {
                      s.lookup_name("IDL:Shapes:1.0", n, -1, Kind::All, false);
                    }}) {
    try {
      call(*store_, long_id, long_name);
      ADD_FAILURE() << "no error";
    } catch (const Error& e) {
      EXPECT_EQ(e.reason(), Error::Reason::BadInput) << e.what();
    }
  }
}

TEST_F(AccessTest, ContainersAndTheirMembers) {
  EXPECT_EQ(store_->container_of("IDL:Shapes:1.0"), std::string(Store::kRootId));
  EXPECT_EQ(store_->container_of(id("Shape/centre")), id("Shape"));
  EXPECT_FALSE(store_->container_of(Store::kRootId).has_value());
  EXPECT_EQ(store_->kind_of(Store::kRootId), Kind::Repository);

  std::vector<Definition> members = store_->members(id("Shape"));
  EXPECT_EQ(members.size(), 3u);  // tint, centre, redraw: nothing inherited
  EXPECT_EQ(store_->member_named("IDL:Shapes:1.0", "Circle")->id, id("Circle"));
  EXPECT_FALSE(store_->member_named("IDL:Shapes:1.0", "Square").has_value());

  for (auto call : {+[](Store& s) { s.container_of(id("Nowhere")); }, +[](Store& s) { s.members(id("Nowhere")); },
                    +[](Store& s) { s.member_named(id("Nowhere"), "x"); }}) {
    try {
      call(*store_);
      ADD_FAILURE() << "no error";
    } catch (const Error& e) {
      EXPECT_EQ(e.reason(), Error::Reason::NotFound) << e.what();
    }
  }
}

TEST_F(AccessTest, LookupAndInheritanceFollowTheBases) {
  std::vector<Definition> found = store_->lookup_name(id("Circle"), "tint", 1, Kind::All, false);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].id, id("Shape/tint"));
  EXPECT_TRUE(store_->lookup_name(id("Circle"), "tint", 1, Kind::All, true).empty());
  EXPECT_EQ(store_->lookup_name("IDL:Shapes:1.0", "label", -1, Kind::Attribute, true).size(), 1u);
  EXPECT_EQ(store_->lookup_name("IDL:Shapes:1.0", "Point", 1, Kind::Typedef, true).size(), 1u);
  EXPECT_TRUE(store_->lookup_name("IDL:Shapes:1.0", "Circle", 1, Kind::Typedef, true).empty());

  EXPECT_TRUE(store_->inherits_from(id("Circle"), id("Named")));
  EXPECT_FALSE(store_->inherits_from(id("Named"), id("Circle")));
}

TEST(AccessOpen, AMissingRepositoryIsAFailureWithTheEngineMessage) {
  TempRepository home(nullptr);
  try {
    Store store("NOSUCH");
    FAIL() << "opened";
  } catch (const Error& e) {
    EXPECT_EQ(e.reason(), Error::Reason::Failure);
    EXPECT_NE(std::string(e.what()).find("SQL1013N"), std::string::npos) << e.what();
  }
}

}  // namespace
