// Changes through access::Update: one unit of work each, kept whole or not
// at all, the relations following the state, the users of a renamed or
// re-identified definition told its new name, other threads kept out while
// it is open, and a database that does not come back told from one that
// does.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <atomic>
#include <chrono>
#include <thread>

#include <irstore_access/access.h>

#include "child_process.h"
#include "pg_test_server.h"
#include "temp_repository.h"

namespace {

using irstore::access::Definition;
using irstore::access::Error;
using irstore::access::Kind;
using irstore::access::Store;
using irstore::access::TypeUse;
using irstore::access::Update;

constexpr const char* kAlias = "UPDATES";

ProgramRun tool(const std::vector<std::string>& arguments) {
  std::vector<std::string> argv = {IRSTORE_BINARY, "--db", kAlias};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  return run_program(argv);
}

std::string id(const std::string& path) { return "IDL:Shapes/" + path + ":1.0"; }
const std::string kModule = "IDL:Shapes:1.0";

Definition definition(Kind kind, const std::string& path, const std::string& name) {
  Definition d;
  d.kind = kind;
  d.id = id(path);
  d.name = name;
  d.version = "1.0";
  return d;
}

template <class Call>
Error::Reason failure_of(Call call) {
  try {
    call();
  } catch (const Error& e) {
    return e.reason();
  }
  ADD_FAILURE() << "no error";
  return Error::Reason::Failure;
}

class UpdateTest : public testing::Test {
 protected:
  void SetUp() override {
    for (const std::vector<std::string>& step : {std::vector<std::string>{"init"}, {"load", ACCESS_TEST_IDL}}) {
      ProgramRun run = tool(step);
      ASSERT_EQ(run.status, 0) << run.err;
    }
    store_ = std::make_unique<Store>(kAlias);
  }

  std::string shown(const std::string& name) {
    ProgramRun run = tool({"show", name});
    EXPECT_EQ(run.status, 0) << run.err;
    return run.out;
  }

  TempRepository repository_{kAlias};
  std::unique_ptr<Store> store_;
};

TEST_F(UpdateTest, ACommittedCreateIsThereForOtherProcessesWithItsRelations) {
  Definition area = definition(Kind::Operation, "Shape/area", "area");
  area.type = {"sequence<::Shapes::Point>", {id("Point")}};
  area.parameters = {{"unit", {"::Shapes::Colour", {id("Colour")}}, irstore::access::ParameterMode::In}};
  area.exceptions = {id("Broken")};
  area.version = "2.1";
  {
    Update update(*store_);
    update.create(area, id("Shape"));
    EXPECT_EQ(store_->find(area.id), area);  // its own thread sees it at once
    update.commit();
  }
  EXPECT_EQ(store_->find(area.id), area);
  EXPECT_NE(shown("::Shapes::Shape::area").find("sequence<::Shapes::Point> area(in ::Shapes::Colour unit)"),
            std::string::npos);
  // Its references: removing what it uses removes it.
  for (const char* used : {"Point", "Colour", "Broken"}) {
    std::vector<std::string> removed = store_->removed_with(id(used));
    EXPECT_NE(std::find(removed.begin(), removed.end(), area.id), removed.end()) << used;
  }

  Definition square = definition(Kind::Interface, "Square", "Square");
  square.bases = {id("Shape")};
  Update update(*store_);
  update.create(square, kModule);
  update.commit();
  EXPECT_TRUE(store_->inherits_from(square.id, id("Named")));
}

TEST_F(UpdateTest, WhatIsNotCommittedIsNotKept) {
  Definition square = definition(Kind::Interface, "Square", "Square");
  {
    Update update(*store_);
    update.create(square, kModule);
  }  // no commit
  EXPECT_FALSE(store_->find(square.id).has_value());

  // A change that failed half-way may not be committed.
  Update update(*store_);
  update.create(square, kModule);
  Definition orphan = definition(Kind::Attribute, "Square/side", "side");
  orphan.type = {"::Shapes::Nowhere", {id("Nowhere")}};
  EXPECT_EQ(failure_of([&] { update.create(orphan, square.id); }), Error::Reason::NotFound);
  EXPECT_THROW(update.commit(), std::logic_error);
}

TEST_F(UpdateTest, TakenIdsAndNamesAndMissingContainersAreRefusedBeforeAnythingIsWritten) {
  Update update(*store_);
  EXPECT_EQ(failure_of([&] { update.create(definition(Kind::Module, "Point", "Elsewhere"), kModule); }),
            Error::Reason::IdTaken);
  EXPECT_EQ(failure_of([&] { update.create(definition(Kind::Module, "Other", "Point"), kModule); }),
            Error::Reason::NameTaken);
  EXPECT_EQ(failure_of([&] { update.create(definition(Kind::Module, "Other", "Other"), id("Nowhere")); }),
            Error::Reason::NotFound);
  EXPECT_EQ(failure_of([&] { update.rename(id("Point"), "Colour"); }), Error::Reason::NameTaken);
  EXPECT_EQ(failure_of([&] { update.move(id("Shape/tint"), id("Circle"), "radius"); }), Error::Reason::NameTaken);
  EXPECT_EQ(failure_of([&] { update.change_id(id("Point"), id("Colour")); }), Error::Reason::IdTaken);
  EXPECT_EQ(failure_of([&] { update.destroy(Store::kRootId); }), Error::Reason::BadInput);
}

TEST_F(UpdateTest, TheRelationsFollowAChangedState) {
  Definition centre = *store_->find(id("Shape/centre"));
  centre.type = {"long", {}};
  centre.exceptions.clear();
  centre.version = "1.1";
  Definition circle = *store_->find(id("Circle"));
  circle.bases = {id("Named")};
  {
    Update update(*store_);
    update.update(centre);
    update.update(circle);
    update.commit();
  }
  EXPECT_EQ(store_->find(centre.id), centre);
  EXPECT_FALSE(store_->inherits_from(circle.id, id("Shape")));
  EXPECT_TRUE(store_->inherits_from(circle.id, id("Named")));
  // centre no longer uses Broken; it still uses Quad through its parameters.
  std::vector<std::string> with_broken = store_->removed_with(id("Broken"));
  EXPECT_EQ(std::find(with_broken.begin(), with_broken.end(), centre.id), with_broken.end());
  std::vector<std::string> with_quad = store_->removed_with(id("Quad"));
  EXPECT_NE(std::find(with_quad.begin(), with_quad.end(), centre.id), with_quad.end());
}

TEST_F(UpdateTest, UsersOfARenamedOrMovedDefinitionSpellItsNewName) {
  {
    Update update(*store_);
    update.rename(id("Point"), "Location");
    update.create(definition(Kind::Module, "Palette", "Palette"), Store::kRootId);
    update.move(id("Colour"), "IDL:Shapes/Palette:1.0", "Hue");
    update.commit();
  }
  Definition centre = *store_->find(id("Shape/centre"));
  EXPECT_EQ(centre.type, (TypeUse{"::Shapes::Location", {id("Point")}}));
  EXPECT_EQ(store_->find(id("Shape/tint"))->type.spelling, "::Palette::Hue");
  // The enumerators moved with their enum, into the scope that holds it.
  EXPECT_EQ(store_->find(id("favourite"))->value, "::Palette::green");
  EXPECT_NE(shown("::Shapes::Shape::centre").find("::Shapes::Location centre("), std::string::npos);
  EXPECT_EQ(store_->container_of(id("Colour")), "IDL:Shapes/Palette:1.0");
}

TEST_F(UpdateTest, HoldersOfAChangedRepositoryIdHoldTheNewOne) {
  const std::string new_id = "IDL:Shapes/Figure:2.0";
  {
    Update update(*store_);
    update.change_id(id("Shape"), new_id);
    update.commit();
  }
  EXPECT_FALSE(store_->find(id("Shape")).has_value());
  EXPECT_EQ(store_->find(new_id)->name, "Shape");
  EXPECT_EQ(store_->find(id("Circle"))->bases, std::vector<std::string>{new_id});
  EXPECT_TRUE(store_->inherits_from(id("Circle"), new_id));
  EXPECT_EQ(store_->container_of(id("Shape/centre")), new_id);
}

TEST_F(UpdateTest, ADestroyRemovesWhatDependsOnIt) {
  std::vector<std::string> removed = store_->removed_with(id("Point"));
  ASSERT_FALSE(removed.empty());
  {
    Update update(*store_);
    update.destroy(id("Point"));
    update.commit();
  }
  EXPECT_FALSE(store_->find(id("Point")).has_value());
  for (const std::string& gone : removed) EXPECT_FALSE(store_->find(gone).has_value()) << gone;
}

// While an Update is open, another thread's read waits for its end: it
// never sees what the Update then cancels.
TEST_F(UpdateTest, OtherThreadsSeeNothingOfAnOpenUpdate) {
  Definition square = definition(Kind::Interface, "Square", "Square");
  std::atomic<bool> reading{false}, done{false};
  std::optional<Definition> seen;
  std::thread reader;
  {
    Update update(*store_);
    update.create(square, kModule);
    reader = std::thread([&] {
      reading = true;
      seen = store_->find(square.id);
      done = true;
    });
    while (!reading) std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));  // lets the reader reach the store
    EXPECT_FALSE(done);
  }  // cancelled
  reader.join();
  EXPECT_FALSE(seen.has_value());
}

// A database that stops taking connections: the call that meets the loss,
// and every later one until it is back, is Unreachable; once it is back,
// the store works again. A loss that the reconnect repairs is no failure
// for a read, and a Failure for a unit of work that lost its changes.
TEST(UpdateLostConnection, UnreachableOnlyWhileTheDatabaseStaysAway) {
  SKIP_WITHOUT_POSTGRESQL();
  if (!pg_test_server::repositories_on_postgresql()) GTEST_SKIP() << "a PostgreSQL repository's test";
  setenv("com_orvo_CORBA_irReconnectWait", "1", 1);
  TempRepository repository(kAlias);
  ASSERT_EQ(tool({"init"}).status, 0);
  std::string database = repository.database_name(kAlias);
  Store store(kAlias);
  Definition module;
  module.kind = Kind::Module;
  module.id = "IDL:Lost:1.0";
  module.name = "Lost";
  module.version = "1.0";

  pg_test_server::terminate_connections(database);
  EXPECT_EQ(store.kind_of(Store::kRootId), Kind::Repository);  // reconnected and retried
  {
    Update update(store);
    update.create(module, Store::kRootId);
    pg_test_server::terminate_connections(database);
    EXPECT_EQ(failure_of([&] { update.commit(); }), Error::Reason::Failure);
  }
  EXPECT_EQ(store.kind_of(module.id), Kind::None);

  pg_test_server::admin("ALTER DATABASE " + pg_test_server::identifier(database) + " ALLOW_CONNECTIONS false");
  pg_test_server::terminate_connections(database);
  EXPECT_EQ(failure_of([&] { store.kind_of(Store::kRootId); }), Error::Reason::Unreachable);
  EXPECT_EQ(failure_of([&] { Update update(store); update.create(module, Store::kRootId); }),
            Error::Reason::Unreachable);
  pg_test_server::admin("ALTER DATABASE " + pg_test_server::identifier(database) + " ALLOW_CONNECTIONS true");
  EXPECT_EQ(store.kind_of(Store::kRootId), Kind::Repository);
  unsetenv("com_orvo_CORBA_irReconnectWait");
}

}  // namespace
