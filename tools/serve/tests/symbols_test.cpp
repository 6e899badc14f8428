// One process, two CORBA runtimes: the store's runtime and omniORB define
// the same C++ names. The server and the access library must define none of
// the CORBA names that omniORB's libraries define, nor load the store's own
// libraries; the store's runtime library, which does define them, shows
// that the check finds such names.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <set>
#include <sstream>

#include "child_process.h"

namespace {

// The dynamic symbols a file defines that name something in CORBA, demangled.
std::set<std::string> defined_corba_symbols(const std::string& file) {
  ProgramRun run = run_program({"nm", "-D", "-C", "--defined-only", file});
  EXPECT_EQ(run.status, 0) << run.err;
  std::set<std::string> symbols;
  std::istringstream lines(run.out);
  for (std::string line; std::getline(lines, line);) {
    // "ADDRESS TYPE NAME"
    std::size_t name = line.find(' ', line.find(' ') + 1);
    if (name == std::string::npos) continue;
    std::string symbol = line.substr(name + 1);
    if (symbol.find("CORBA") != std::string::npos) symbols.insert(symbol);
  }
  return symbols;
}

std::set<std::string> omniorb_corba_symbols() {
  std::set<std::string> symbols;
  for (const char* library : {"libomniORB4.so", "libomniDynamic4.so"}) {
    std::set<std::string> defined = defined_corba_symbols(std::string(OMNIORB_LIBRARY_DIR) + "/" + library);
    EXPECT_GT(defined.size(), 1000u) << library;
    symbols.insert(defined.begin(), defined.end());
  }
  return symbols;
}

std::vector<std::string> shared(const std::set<std::string>& a, const std::set<std::string>& b) {
  std::vector<std::string> both;
  std::set_intersection(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(both));
  return both;
}

TEST(Symbols, TheServerAndTheAccessLibraryShareNoCorbaNameWithOmniOrb) {
  std::set<std::string> omniorb = omniorb_corba_symbols();
  EXPECT_EQ(defined_corba_symbols(ACCESS_LIBRARY), std::set<std::string>{});
  EXPECT_EQ(shared(defined_corba_symbols(SERVER_BINARY), omniorb), std::vector<std::string>{});
  // The store's runtime itself names the same entities: what the access
  // library keeps inside.
  EXPECT_GT(shared(defined_corba_symbols(STORE_RUNTIME_LIBRARY), omniorb).size(), 10u);
}

TEST(Symbols, TheServerLoadsNoneOfTheStoresOwnLibraries) {
  ProgramRun run = run_program({"readelf", "-d", SERVER_BINARY});
  ASSERT_EQ(run.status, 0) << run.err;
  for (const char* library : {"libqelororm", "libqelorirm", "libqeloridm", "libtarn"}) {
    EXPECT_EQ(run.out.find(library), std::string::npos) << library;
  }
  EXPECT_NE(run.out.find("libirstore_access"), std::string::npos);
}

}  // namespace
