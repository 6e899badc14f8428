// The IDL loader's input: the records the omniidl back end hands the tool.
// Whatever they hold, reading them gives a unit or a ToolError, and loading
// a unit stores all of it or, with a ToolError, nothing at all. The inputs
// load into one SQLite repository in a temporary Tarn home, emptied again
// after each input.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include <qelororm/vekd.h>
#include <qeloridm/irdb_admin.h>

#include "idl_unit.h"
#include "kinds.h"
#include "loader.h"
#include "repository.h"
#include "tool_error.h"

namespace {

constexpr const char* kAlias = "FUZZIR";

// A failing load reports through the store; thousands of those lines a
// second would only slow the run down.
void ignore_report(const VekdReport&, void*) {}

Repository& repository() {
  static Repository* opened = [] {
    std::string home = (std::filesystem::temp_directory_path() / "irstore-fuzz-XXXXXX").string();
    if (!mkdtemp(home.data())) std::abort();
    static const std::string removed_at_exit = home;
    std::atexit([] { std::filesystem::remove_all(removed_at_exit); });
    setenv("TARN_HOME", home.c_str(), 1);
    vekdSetErrorSink(ignore_report, nullptr);
    try {
      IRDBAdmin::create_repository(kAlias);
    } catch (...) {
      std::abort();
    }
    auto* repository = new Repository(kAlias);
    Update update(*repository);
    repository->ensure_root();
    update.commit();
    return repository;
  }();
  return *opened;
}

// Every definition but the root.
std::size_t stored_definitions(Repository& repository) {
  return repository.find("%", kind_list_for(""), true, std::nullopt).size();
}

// Back to the root alone, for the next input: every definition is in its tree.
void empty(Repository& repository) {
  Update update(repository);
  for (const ObjectRef& member : repository.members(Repository::kRootId)) {
    if (repository.kind_of(member->repository_id()) != CORBA::dk_none) {
      repository.destroy(member->repository_id());
    }
  }
  update.commit();
  if (stored_definitions(repository) != 0) __builtin_trap();  // one outside the tree
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  IdlUnit unit;
  try {
    unit = parse_idl_records(std::string_view(reinterpret_cast<const char*>(data), size));
  } catch (ToolError&) {
    return 0;  // refused with a message naming the record
  }
  if (unit.definitions.size() > 64) return 0;  // keeps each run short

  Repository& store = repository();
  std::size_t before = stored_definitions(store);
  try {
    load_unit(store, unit);
  } catch (ToolError& e) {
    if (stored_definitions(store) != before) __builtin_trap();  // half a unit stayed
    return 0;
  }
  empty(store);
  return 0;
}
