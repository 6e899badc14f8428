// The changing commands (load of changed IDL, mv, rename-id), failures and
// what they leave behind, graph, and the command line itself.
#include <filesystem>

#include <gtest/gtest.h>

#include "tool_runner.h"

namespace {

using Names = std::set<std::string>;

class Commands : public ::testing::Test {
 protected:
  std::string idl(const std::string& name, const std::string& text) { return write_idl(repository, name, text); }
  TempRepository repository{"VADIRIRI"};
};

TEST_F(Commands, ASyntaxErrorLoadsNothingAndSaysWhere) {
  std::string good = idl("good.idl", "module Good { typedef long T; };\n");
  std::string bad = idl("bad.idl", "module M {\n  typedef long T;\n  struct S { long a };\n};\n");
  std::string err = fails({"load", good, bad});
  EXPECT_NE(err.find("bad.idl:3: Syntax error"), std::string::npos) << err;
  // The files are read before any is loaded: nothing at all is stored.
  EXPECT_TRUE(ok({"dump"}).out.empty());
  EXPECT_NE(fails({"load", idl("lookup.idl", "module M {\n  typedef Missing T;\n};\n")}).find("lookup.idl:2:"),
            std::string::npos);
  EXPECT_NE(fails({"load", repository.home() + "/none.idl"}).find("none.idl: no such file"), std::string::npos);
}

TEST_F(Commands, AFileThatFailsInTheStoreLoadsNothing) {
  ok({"load", idl("a.idl", "module A { typedef long T; };\n")});
  // B would be new, but the other A takes the name of the stored one.
  std::string b = idl("b.idl", "module B { typedef long U; };\n#pragma prefix \"other.org\"\nmodule A { typedef long Z; };\n");
  std::string err = fails({"load", b});
  EXPECT_NE(err.find("b.idl:3: A: ::A is taken: the repository holds IDL:A:1.0 under that name"), std::string::npos)
      << err;
  EXPECT_EQ(ok({"ls"}).names(), Names{"A"});
  // A repository id stored as another kind fails the same way.
  err = fails({"load", idl("c.idl", "module B { typedef long U; };\ninterface X { };\n#pragma ID X \"IDL:A/T:1.0\"\n")});
  EXPECT_NE(err.find("IDL:A/T:1.0 is stored as an alias, the IDL declares an interface"), std::string::npos) << err;
  EXPECT_EQ(ok({"ls"}).names(), Names{"A"});
}

TEST_F(Commands, ChangedIdlReplacesStateAndRelationsInPlace) {
  std::string v1 = idl("v1.idl",
                       "module M {\n typedef long T1; typedef short T2;\n interface B1 {}; interface B2 {};\n"
                       " interface D : B1 { void f(in T1 a); };\n};\n");
  ok({"load", v1});
  ok({"mv", "::M::D::f", "::M::D", "--name", "g"});  // renamed where it is
  ok({"mv", "::M::D", "::"});                         // and moved
  std::string v2 = idl("v2.idl",
                       "module M {\n typedef long T1; typedef short T2;\n interface B1 {}; interface B2 {};\n"
                       " interface D : B2 { void f(in T2 a); };\n};\n");
  ToolRun load = ok({"load", v2});
  EXPECT_NE(load.out.find("(0 new, 2 changed, 5 unchanged)"), std::string::npos) << load.out;
  // The stored definitions keep their place and name.
  EXPECT_EQ(ok({"ls"}).names(), (Names{"D", "M"}));
  EXPECT_EQ(ok({"bases", "::D"}).names(), Names{"::M::B2"});
  EXPECT_TRUE(ok({"refs", "::M::T1"}).out.empty());
  EXPECT_EQ(ok({"refs", "::M::T2"}).names(), Names{"::D::g"});
  EXPECT_EQ(ok({"show", "::D::g"}).lines().at(1), "void g(in ::M::T2 a);");
  ToolRun again = ok({"load", v2});
  EXPECT_NE(again.out.find("(0 new, 0 changed, 7 unchanged)"), std::string::npos) << again.out;
}

TEST_F(Commands, MoveRefusesWhatWouldBreakTheRepository) {
  ok({"load", examples("bank.idl")});
  std::string before = ok({"dump"}).out;
  EXPECT_NE(fails({"mv", "::Bank", "::Bank::Retail::Internal"}).find("into itself or into what it contains"),
            std::string::npos);
  EXPECT_NE(fails({"mv", "::Bank::Account::deposit", "::Finance"}).find("cannot hold"), std::string::npos);
  EXPECT_NE(fails({"mv", "::Bank::Frozen", "::Finance", "--name", "Money"}).find("::Finance::Money is taken"),
            std::string::npos);
  EXPECT_NE(fails({"mv", "::Bank::Frozen", "::Bank"}).find("is in ::Bank already"), std::string::npos);
  EXPECT_NE(fails({"mv", "::Bank::Frozen", "::Bank", "--name", "has blank"}).find("not an IDL identifier"),
            std::string::npos);
  EXPECT_NE(fails({"mv", "::", "::Bank"}).find("top level cannot be moved"), std::string::npos);
  EXPECT_EQ(ok({"dump"}).out, before);

  EXPECT_EQ(ok({"mv", "::Bank::Retail::Savings", "::Finance", "--name", "Deposit"}).out,
            "Moved ::Bank::Retail::Savings to ::Finance::Deposit\n");
  EXPECT_EQ(ok({"derived", "::Bank::Account"}).names(), (Names{"::Finance::Deposit", "::Bank::Retail::Checking"}));
  EXPECT_NE(ok({"dump"}).out.find("interface\tIDL:example.org/Bank/Retail/Savings:1.0\tIDL:example.org/Finance:1.0\t"
                                  "Deposit\tIDL:example.org/Bank/Account:1.0\n"),
            std::string::npos);
}

TEST_F(Commands, MovedDefinitionsAreSpelledByTheirNewNamesWhereTheyAreUsed) {
  ok({"load", examples("bank.idl")});
  EXPECT_EQ(ok({"mv", "::Finance::Money", "::Bank", "--name", "Cash"}).out,
            "Moved ::Finance::Money to ::Bank::Cash (3 definitions using it updated)\n");
  EXPECT_NE(ok({"show", "::Bank::Event"}).out.find("case 1: ::Bank::Cash deposit;"), std::string::npos);
  EXPECT_EQ(ok({"show", "::Bank::Retail::Checking::transfer"}).lines().at(1),
            "void transfer(in ::Bank::Account to, in ::Bank::Cash amount) raises (::Bank::InsufficientFunds);");
  // An enum takes its enumerators along: they are named in its scope.
  ok({"mv", "::Finance::Currency", "::Bank"});
  EXPECT_EQ(ok({"show", "::Finance::HOME_CURRENCY"}).lines().at(1), "const ::Bank::Currency HOME_CURRENCY = ::Bank::EUR;");
  EXPECT_NE(ok({"show", "::Bank::Limit"}).out.find("switch (::Bank::Currency) {\n  case ::Bank::EUR:"),
            std::string::npos);
  // A module moves with what it holds.
  ok({"mv", "::Bank::Retail", "::"});
  EXPECT_EQ(ok({"show", "::Bank::Account"}).out.find("Retail"), std::string::npos);
  EXPECT_NE(ok({"show", "::Retail::Checking::linked"}).out.find("::Bank::AccountList linked();"), std::string::npos);
  // Names in the new places resolve again after a reload of the old IDL: nothing moves back.
  std::string before = ok({"dump"}).out;
  ok({"load", examples("bank.idl")});
  EXPECT_EQ(ok({"ls"}).names(), (Names{"Bank", "Finance", "Retail"}));
  EXPECT_EQ(ok({"dump"}).out, before);
}

TEST_F(Commands, RenameIdKeepsRelationsAndTellsTheUsers) {
  ok({"load", examples("bank.idl")});
  EXPECT_EQ(ok({"rename-id", "::Bank::Frozen", "IDL:example.org/Bank/Frozen:2.0"}).out,
            "Changed the repository id of ::Bank::Frozen from LOCAL:bank/Frozen to IDL:example.org/Bank/Frozen:2.0 "
            "(3 definitions using it updated)\n");
  EXPECT_EQ(ok({"refs", "IDL:example.org/Bank/Frozen:2.0"}).names(),
            (Names{"::Bank::Audited::audit", "::Bank::Account::deposit", "::Bank::Account::withdraw"}));
  EXPECT_EQ(ok({"show", "::Bank::Account::deposit"}).lines().at(1),
            "void deposit(in ::Finance::Amount amount) raises (::Bank::Frozen);");
  ok({"rename-id", "::Bank::Entity", "IDL:example.org/Bank/Entity:3.0"});
  EXPECT_NE(ok({"dump"}).out.find("\tOwned\tIDL:example.org/Bank/Entity:3.0\n"), std::string::npos);
  EXPECT_NE(fails({"rename-id", "::Bank::Owned", "IDL:example.org/Bank/Audited:1.0"}).find("is taken by ::Bank::Audited"),
            std::string::npos);
  EXPECT_NE(fails({"rename-id", "::", "IDL:x:1.0"}).find("top level"), std::string::npos);
  EXPECT_NE(fails({"rename-id", "LOCAL:bank/Frozen", "IDL:y:1.0"}).find("no definition has the repository id"),
            std::string::npos);
}

TEST_F(Commands, FileNamesAShellWouldInterpretAreRefused) {
  std::string evil = idl("x$(touch ran).idl", "module X { typedef long T; };\n");
  EXPECT_NE(fails({"load", evil}).find("cannot take safely"), std::string::npos);
  EXPECT_NE(fails({"load", "-D", "A=$(touch ran)", examples("bank.idl")}).find("-D A="), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists("ran"));
  EXPECT_TRUE(ok({"dump"}).out.empty());
}

TEST_F(Commands, LessCommonIdlIsKeptAsWritten) {
  std::string file = idl("sink.idl",
                         "module K {\n"
                         "  interface Base { };\n"
                         "  typedef Base BaseAlias;\n"
                         "  interface Derived : BaseAlias { attribute long a, b; };\n"
                         "  abstract interface Abs { };\n"
                         "  local interface Loc { };\n"
                         "  interface Later;\n"
                         "  typedef sequence<Later> Laters;\n"
                         "  union Pick switch (enum Side { left, right }) {\n"
                         "    case left: long l;\n"
                         "    case right: string r;\n"
                         "  };\n"
                         "  const wchar WIDE = L'w';\n"
                         "  const unsigned long long BIG = 18446744073709551615;\n"
                         "  interface Odd { };\n"
                         "};\n"
                         "#pragma ID K::Odd \"IDL:odd\\tid:1.0\"\n");
  ToolRun load = ok({"load", file});
  // omniidl's warning is passed on; the load still succeeds.
  EXPECT_NE(load.err.find("irstore load: warning: "), std::string::npos) << load.err;
  EXPECT_NE(load.err.find("'K::Later' was never fully defined"), std::string::npos) << load.err;
  EXPECT_EQ(ok({"bases", "::K::Derived"}).names(), Names{"::K::Base"});  // through the typedef
  EXPECT_EQ(ok({"ls", "::K::Derived"}).names(), (Names{"a", "b"}));
  EXPECT_EQ(ok({"show", "::K::Abs"}).lines().at(1), "abstract interface Abs {");
  EXPECT_EQ(ok({"show", "::K::Loc"}).lines().at(1), "local interface Loc {");
  EXPECT_EQ(ok({"show", "::K::Later"}).lines().at(1), "interface Later {");  // declared only
  EXPECT_EQ(ok({"show", "::K::Pick"}).out,
            "// IDL:K/Pick:1.0, in ::K\n"
            "union Pick switch (::K::Pick::Side) {\n"
            "  enum Side { left, right };\n"
            "  case ::K::Pick::left: long l;\n"
            "  case ::K::Pick::right: string r;\n"
            "};\n");
  EXPECT_EQ(ok({"show", "::K::WIDE"}).lines().at(1), "const wchar WIDE = L'w';");
  EXPECT_EQ(ok({"show", "::K::BIG"}).lines().at(1), "const unsigned long long BIG = 18446744073709551615;");
  // A TAB in a repository id is escaped in the dump, one line still.
  std::string dump = ok({"dump"}).out;
  EXPECT_NE(dump.find("interface\tIDL:odd\\tid:1.0\tIDL:K:1.0\tOdd\t\n"), std::string::npos) << dump;
  EXPECT_EQ(ok({"dump"}).lines().size(), 15u);
}

TEST_F(Commands, ValueTypesAreCountedAsNotKept) {
  std::string file = idl("values.idl", "module V {\n valuetype Point { public long x; };\n native Handle;\n"
                                       " interface I { void f(in Point p); };\n};\n");
  ToolRun load = ok({"load", file});
  EXPECT_NE(load.out.find("3 definitions (3 new, 0 changed, 0 unchanged); 2 value types or natives not kept"),
            std::string::npos)
      << load.out;
  EXPECT_EQ(ok({"show", "::V::I::f"}).lines().at(1), "void f(in ::V::Point p);");
}

// script(1) gives the tool a terminal: only then is the bar drawn.
TEST_F(Commands, ALoadOfSeveralFilesShowsProgressOnATerminal) {
  std::string a = idl("a.idl", "module A { typedef long T; };\n");
  std::string b = idl("b.idl", "module B { typedef long T; };\n");
  std::string command = std::string(IRSTORE_BINARY) + " load " + a + " " + b;
  std::optional<ProcessResult> terminal = run_process({"script", "-qec", command, "/dev/null"});
  if (!terminal) GTEST_SKIP() << "script(1) is not installed";
  EXPECT_EQ(terminal->exit_code, 0) << terminal->out;
  EXPECT_NE(terminal->out.find("[###############...............] 2/4 loading a.idl"), std::string::npos) << terminal->out;
  EXPECT_NE(terminal->out.find("Loaded " + b), std::string::npos);
  ToolRun piped = ok({"load", a, b});
  EXPECT_TRUE(piped.err.empty()) << piped.err;
}

TEST_F(Commands, GraphShowsContainmentAndInheritance) {
  ok({"load", examples("bank.idl")});
  std::string dot = ok({"graph", "::Bank"}).out;
  EXPECT_EQ(dot.rfind("digraph irstore {", 0), 0u);
  EXPECT_NE(dot.find("subgraph cluster_"), std::string::npos);
  EXPECT_NE(dot.find("label=\"Retail\""), std::string::npos);
  EXPECT_NE(dot.find("[label=\"Account\", shape=box]"), std::string::npos);
  EXPECT_EQ(std::count(dot.begin(), dot.end(), '>') - std::count(dot.begin(), dot.end(), '<'), 6);  // six links
  std::string file = repository.home() + "/bank.dot";
  EXPECT_EQ(ok({"graph", "-o", file, "--members"}).out, "Wrote " + file + "\n");
  EXPECT_TRUE(std::filesystem::file_size(file) > 100);
  std::string svg = repository.home() + "/bank.svg";
  ToolRun drawn = irstore({"graph", "-o", svg});
  if (drawn.status == 0) EXPECT_TRUE(std::filesystem::file_size(svg) > 100);
  else EXPECT_NE(drawn.err.find("dot is not installed"), std::string::npos) << drawn.err;
  fails({"graph", "-o", repository.home() + "/bank.pdf"}, 2);
}

TEST_F(Commands, EveryCommandHelpsAndMisuseSaysSoInOneLine) {
  for (const char* command : {"init", "info", "load", "ls", "show", "find", "bases", "derived", "refs", "rm", "mv",
                              "rename-id", "stats", "graph", "dump"}) {
    ToolRun help = ok({command, "--help"});
    EXPECT_EQ(help.out.rfind(std::string("usage: irstore ") + command, 0), 0u) << help.out;
  }
  EXPECT_NE(fails({"ls", "--bogus"}, 2).find("irstore ls: unknown option --bogus (see irstore ls --help)"),
            std::string::npos);
  fails({"show"}, 2);
  fails({"rm", "a", "b"}, 2);
  fails({"dump", "--format", "csv"}, 2);
  EXPECT_NE(fails({"--db", "NOPE", "ls"}).find("cannot open repository NOPE: it does not exist"), std::string::npos);
  EXPECT_NE(fails({"show", "::Nothing"}).find("::Nothing: no such definition"), std::string::npos);
}

TEST_F(Commands, TheToolsOwnOptionsComeBeforeTheCommand) {
  EXPECT_NE(ok({"--help"}).out.find("usage: irstore [--db ALIAS]"), std::string::npos);
  EXPECT_EQ(fails({"--bogus", "ls"}, 2), "irstore: unknown option --bogus (see irstore --help)\n");
  EXPECT_EQ(fails({"frobnicate"}, 2), "irstore: unknown command frobnicate (see irstore --help)\n");
  EXPECT_EQ(irstore({"--verbose"}).status, 2);  // no command: the help, on stderr
  ok({"--db=other", "init"});
  // After the command, options are the command's own: --db there is not the tool's.
  EXPECT_NE(fails({"ls", "--db", "other"}, 2).find("irstore ls: unknown option --db"), std::string::npos);
  EXPECT_TRUE(ok({"-v", "--db", "other", "ls"}).out.empty());
}

TEST_F(Commands, InitCreatesTheRootOnce) {
  EXPECT_NE(ok({"--db", "other", "init"}).out.find("Created repository OTHER"), std::string::npos);
  EXPECT_NE(ok({"--db", "other", "init"}).out.find("Found existing repository OTHER"), std::string::npos);
  EXPECT_TRUE(ok({"--db", "other", "ls"}).out.empty());
  EXPECT_NE(ok({"--db", "other", "stats"}).out.find("definitions        0"), std::string::npos);
}

}  // namespace
