// Loading IDL through the tool and asking it what the IDL says: our
// examples and the OMG service IDL of omniorb-idl.
#include <map>
#include <regex>
#include <thread>

#include <gtest/gtest.h>

#include "tool_runner.h"

namespace {

using Names = std::set<std::string>;

class Examples : public ::testing::Test {
 protected:
  void SetUp() override { ok({"load", examples("bank.idl")}); }
  TempRepository repository{"VADIRIRI"};
};

TEST_F(Examples, NestedModulesAndTheirContentsAreListed) {
  EXPECT_EQ(ok({"ls"}).names(), (Names{"Bank", "Finance"}));
  EXPECT_EQ(ok({"ls", "::Bank"}).names(),
            (Names{"Account", "AccountList", "Audited", "Entity", "Event", "Frozen", "History", "HistoryList",
                   "InsufficientFunds", "Limit", "Owned", "Retail"}));
  EXPECT_EQ(ok({"ls", "Bank::Retail"}).names(), (Names{"Checking", "Internal", "Savings"}));
  Names nested = ok({"ls", "-r", "::Bank::Retail"}).names();
  EXPECT_EQ(nested, (Names{"::Bank::Retail::Checking", "::Bank::Retail::Checking::linked",
                           "::Bank::Retail::Checking::transfer", "::Bank::Retail::Internal",
                           "::Bank::Retail::Internal::Audit", "::Bank::Retail::Savings",
                           "::Bank::Retail::Savings::rate"}));
  // A repository id names a scope as well as its scoped name.
  EXPECT_EQ(ok({"ls", "IDL:example.org/Bank/Retail:1.0"}).names(), (Names{"Checking", "Internal", "Savings"}));
  // The struct declared inside another one lives in it.
  EXPECT_EQ(ok({"ls", "::Bank::History"}).names(), Names{"Entry"});
}

TEST_F(Examples, ScopedNamesReachInheritedDefinitionsAndSayWhatIsMissing) {
  EXPECT_EQ(ok({"show", "::Bank::Account::audit"}).lines().at(0),
            "// IDL:example.org/Bank/Audited/audit:1.0, in ::Bank::Audited");
  EXPECT_EQ(ok({"show", "Bank::Retail::Savings::id"}).lines().at(1), "readonly attribute string id;");
  EXPECT_NE(fails({"ls", "::Bank::Account::nothing"}).find("(::Bank::Account has no nothing)"), std::string::npos);
  EXPECT_NE(fails({"ls", "::Bank::::Account"}).find("is not a scoped name"), std::string::npos);
  EXPECT_EQ(ok({"show", "::"}).lines().at(1), "module Finance {");  // the top level, in the order it needs
}

TEST_F(Examples, MultipleInheritanceAnswersBothWays) {
  EXPECT_EQ(ok({"bases", "::Bank::Account"}).names(), (Names{"::Bank::Owned", "::Bank::Audited"}));
  std::vector<std::string> all = ok({"bases", "-r", "::Bank::Retail::Savings"}).lines();
  ASSERT_EQ(all.size(), 4u);  // Account, then Audited and Owned, then Entity once
  EXPECT_NE(all[0].find("::Bank::Account"), std::string::npos);
  EXPECT_NE(all[3].find("::Bank::Entity "), std::string::npos);
  EXPECT_EQ(ok({"derived", "::Bank::Entity"}).names(), (Names{"::Bank::Owned", "::Bank::Audited"}));
  EXPECT_EQ(ok({"derived", "-r", "::Bank::Entity"}).names(),
            (Names{"::Bank::Owned", "::Bank::Audited", "::Bank::Account", "::Bank::Retail::Checking",
                   "::Bank::Retail::Savings"}));
  EXPECT_TRUE(ok({"bases", "::Bank::Entity"}).out.empty());
  EXPECT_NE(fails({"bases", "::Bank::Limit"}).find("::Bank::Limit is union, not an interface"), std::string::npos);
}

TEST_F(Examples, FindMatchesNamesKindsAndScopes) {
  EXPECT_EQ(ok({"find", "*", "--kind", "interface"}).names(),
            (Names{"::Bank::Account", "::Bank::Audited", "::Bank::Entity", "::Bank::Owned", "::Bank::Retail::Checking",
                   "::Bank::Retail::Savings"}));
  EXPECT_EQ(ok({"find", "MAX_ACCOUNTS"}).names(), Names{"::Finance::MAX_ACCOUNTS"});
  // An underscore is a letter of the name, not a wildcard.
  EXPECT_TRUE(ok({"find", "MAX_ACCOUNTs"}).out.empty());
  EXPECT_EQ(ok({"find", "max?accounts", "--ignore-case"}).names(), Names{"::Finance::MAX_ACCOUNTS"});
  EXPECT_EQ(ok({"find", "*", "--kind", "typedef", "--in", "::Bank::History"}).names(),
            Names{"::Bank::History::Entry"});
  EXPECT_EQ(ok({"find", "*e*", "--kind", "operation,attribute", "--in", "::Bank::Retail"}).names(),
            (Names{"::Bank::Retail::Checking::linked", "::Bank::Retail::Savings::rate",
                   "::Bank::Retail::Checking::transfer"}));
  EXPECT_NE(fails({"find", "*", "--kind", "valuetype"}, 1).find("unknown kind 'valuetype'"), std::string::npos);
}

TEST_F(Examples, ReferencesFollowTheTypesAndExceptionsUsed) {
  EXPECT_EQ(ok({"refs", "::Bank::Frozen"}).names(),
            (Names{"::Bank::Audited::audit", "::Bank::Account::deposit", "::Bank::Account::withdraw"}));
  // A typedef chain: each link refers to the one before.
  EXPECT_EQ(ok({"refs", "::Finance::Cents"}).names(), (Names{"::Finance::Amount", "::Finance::MINIMUM"}));
  EXPECT_EQ(ok({"refs", "::Finance::Balance"}).names(), Names{"::Bank::Account::balance"});
  EXPECT_EQ(ok({"refs", "::Finance::Amount", "--kind", "operation"}).names(),
            (Names{"::Bank::Account::deposit", "::Bank::Account::withdraw"}));
  // A forward-declared interface used before its definition.
  EXPECT_EQ(ok({"refs", "::Bank::Account"}).names(),
            (Names{"::Bank::AccountList", "::Bank::Retail::Checking::transfer", "::Bank::Retail::Internal::Audit"}));
}

TEST_F(Examples, ShowPrintsTheStoredStateAsIdl) {
  EXPECT_EQ(ok({"show", "::Bank::Account::withdraw"}).out,
            "// IDL:example.org/Bank/Account/withdraw:1.0, in ::Bank::Account\n"
            "void withdraw(in ::Finance::Amount amount) raises (::Bank::InsufficientFunds, ::Bank::Frozen);\n");
  EXPECT_EQ(ok({"show", "::Bank::Account::statement"}).lines().at(1),
            "::Finance::MonthlyAmounts statement(in short year, inout ::Bank::Limit cap) context (\"LANG\", \"TZ\");");
  EXPECT_EQ(ok({"show", "::Finance::RateTable"}).lines().at(1), "typedef double RateTable[2][3];");
  EXPECT_EQ(ok({"show", "::Finance::HOME_CURRENCY"}).lines().at(1),
            "const ::Finance::Currency HOME_CURRENCY = ::Finance::EUR;");
  std::string limit = ok({"show", "::Bank::Limit"}).out;
  EXPECT_NE(limit.find("union Limit switch (::Finance::Currency) {\n"
                       "  case ::Finance::EUR: ::Finance::Amount euros;\n"
                       "  case ::Finance::USD:\n"
                       "  case ::Finance::CHF: ::Finance::Money other;\n};"),
            std::string::npos)
      << limit;
  std::string account = ok({"show", "::Bank::Account"}).out;
  EXPECT_NE(account.find("interface Account : ::Bank::Owned, ::Bank::Audited {"), std::string::npos) << account;
  EXPECT_NE(account.find("  oneway void notify(in ::Bank::Event what);"), std::string::npos) << account;
  EXPECT_NE(account.find("  readonly attribute ::Finance::Balance balance;"), std::string::npos) << account;
}

TEST_F(Examples, DumpHasOneSortedLinePerDefinitionWithPragmasApplied) {
  std::vector<std::string> lines = ok({"dump", "--format", "tsv"}).lines();
  EXPECT_EQ(lines.size(), 46u);
  EXPECT_TRUE(std::is_sorted(lines.begin(), lines.end(), [](const std::string& a, const std::string& b) {
    return a.substr(a.find('\t')) < b.substr(b.find('\t'));
  }));
  auto has = [&](const std::string& line) { return std::find(lines.begin(), lines.end(), line) != lines.end(); };
  EXPECT_TRUE(has("interface\tIDL:example.org/Bank/Account:1.0\tIDL:example.org/Bank:1.0\tAccount\t"
                  "IDL:example.org/Bank/Owned:1.0,IDL:example.org/Bank/Audited:1.0"));
  EXPECT_TRUE(has("module\tIDL:example.org/Bank:1.0\t\tBank\t"));
  EXPECT_TRUE(has("interface\tIDL:example.org/Bank/Entity:2.1\tIDL:example.org/Bank:1.0\tEntity\t"));  // #pragma version
  EXPECT_TRUE(has("exception\tLOCAL:bank/Frozen\tIDL:example.org/Bank:1.0\tFrozen\t"));               // #pragma ID
  EXPECT_TRUE(has("struct\tIDL:example.org/Bank/History/Entry:1.0\tIDL:example.org/Bank/History:1.0\tEntry\t"));
  EXPECT_TRUE(has("alias\tIDL:example.org/Finance/Balance:1.0\tIDL:example.org/Finance:1.0\tBalance\t"));
}

TEST_F(Examples, ReloadingChangesNothingAndIncludedFilesLoadOnce) {
  std::string before = ok({"dump"}).out;
  ToolRun again = ok({"load", examples("bank.idl"), examples("finance_types.idl")});
  EXPECT_EQ(again.lines().at(0), "Loaded " + examples("bank.idl") + ": 46 definitions (0 new, 0 changed, 46 unchanged)");
  EXPECT_EQ(again.lines().at(1), "Skipped " + examples("finance_types.idl") + ": loaded already with a file that includes it");
  EXPECT_EQ(ok({"dump"}).out, before);
  EXPECT_EQ(ok({"stats"}).out, ok({"stats"}).out);
  // Not a terminal: no progress bar.
  EXPECT_TRUE(again.err.empty()) << again.err;
}

TEST_F(Examples, RemovingATypedefRemovesWhatUsesItAndTheDryRunListsItFirst) {
  std::string before = ok({"dump"}).out;
  ToolRun preview = ok({"rm", "--dry-run", "::Finance::Balance"});
  EXPECT_EQ(preview.lines().front(), "Would remove ::Finance::Balance (alias) and the 1 definition that depend on it:");
  EXPECT_NE(preview.out.find("attribute  ::Bank::Account::balance"), std::string::npos) << preview.out;
  EXPECT_EQ(ok({"dump"}).out, before);

  ToolRun removed = ok({"rm", "::Finance::Amount"});
  EXPECT_NE(removed.out.find("operation  ::Bank::Account::deposit"), std::string::npos);
  EXPECT_NE(removed.out.find("Removed 18 definitions"), std::string::npos) << removed.out;
  EXPECT_NE(fails({"show", "::Bank::Account::deposit"}).find("no such definition"), std::string::npos);
  EXPECT_NE(fails({"show", "::Bank::Account::withdraw"}).find("no such definition"), std::string::npos);
  EXPECT_EQ(ok({"ls", "::Bank::Account"}).names(), Names{});  // every operation used Amount
  EXPECT_EQ(ok({"ls", "::Finance"}).names().count("Cents"), 1u);  // what Amount used stays
  EXPECT_EQ(ok({"dump"}).lines().size(), 46u - 18u);
  // Loading the file again brings it all back.
  ok({"load", examples("bank.idl")});
  EXPECT_EQ(ok({"dump"}).out, before);
}

class ServiceIdl : public ::testing::Test {
 protected:
  void SetUp() override {
    ok({"load", "-I", kOmniIdl, "-I", kCos, kCos + "/CosNaming.idl", kCos + "/CosEventChannelAdmin.idl"});
  }
  TempRepository repository{"VADIRIRI"};
};

TEST_F(ServiceIdl, NamingServiceAsItsIdlDeclaresIt) {
  EXPECT_EQ(ok({"ls", "::CosNaming"}).names(),
            (Names{"Binding", "BindingIterator", "BindingList", "BindingType", "Istring", "Name", "NameComponent",
                   "NamingContext", "NamingContextExt"}));
  EXPECT_EQ(ok({"bases", "::CosNaming::NamingContextExt"}).names(), Names{"::CosNaming::NamingContext"});
  EXPECT_EQ(ok({"find", "*", "--kind", "exception", "--in", "::CosNaming::NamingContext"}).names(),
            (Names{"::CosNaming::NamingContext::AlreadyBound", "::CosNaming::NamingContext::CannotProceed",
                   "::CosNaming::NamingContext::InvalidName", "::CosNaming::NamingContext::NotEmpty",
                   "::CosNaming::NamingContext::NotFound"}));
  Names users = ok({"refs", "::CosNaming::NamingContext::NotFound"}).names();
  EXPECT_EQ(users, (Names{"::CosNaming::NamingContext::bind", "::CosNaming::NamingContext::rebind",
                          "::CosNaming::NamingContext::bind_context", "::CosNaming::NamingContext::rebind_context",
                          "::CosNaming::NamingContext::resolve", "::CosNaming::NamingContext::unbind",
                          "::CosNaming::NamingContext::bind_new_context", "::CosNaming::NamingContextExt::resolve_str"}));
  EXPECT_EQ(ok({"show", "::CosNaming::NamingContext::bind"}).lines().at(1),
            "void bind(in ::CosNaming::Name n, in Object obj) raises (::CosNaming::NamingContext::NotFound, "
            "::CosNaming::NamingContext::CannotProceed, ::CosNaming::NamingContext::InvalidName, "
            "::CosNaming::NamingContext::AlreadyBound);");
  EXPECT_NE(ok({"dump"}).out.find("interface\tIDL:omg.org/CosNaming/NamingContextExt:1.0\tIDL:omg.org/CosNaming:1.0\t"
                                  "NamingContextExt\tIDL:omg.org/CosNaming/NamingContext:1.0\n"),
            std::string::npos);
}

TEST_F(ServiceIdl, EventServiceWithTheFileItIncludes) {
  EXPECT_EQ(ok({"ls"}).names(), (Names{"CosEventChannelAdmin", "CosEventComm", "CosNaming"}));
  EXPECT_EQ(ok({"derived", "::CosEventComm::PushConsumer"}).names(),
            (Names{"::CosEventChannelAdmin::ProxyPushConsumer"}));
  EXPECT_EQ(ok({"bases", "IDL:omg.org/CosEventChannelAdmin/ProxyPushSupplier:1.0"}).names(),
            Names{"::CosEventComm::PushSupplier"});
  EXPECT_EQ(ok({"refs", "::CosEventChannelAdmin::TypeError"}).names(),
            (Names{"::CosEventChannelAdmin::ProxyPullConsumer::connect_pull_supplier",
                   "::CosEventChannelAdmin::ProxyPushSupplier::connect_push_consumer"}));
  // Removing an exception takes the operations raising it and nothing else.
  std::string before = ok({"dump"}).out;
  ToolRun preview = ok({"rm", "-n", "::CosEventChannelAdmin::TypeError"});
  EXPECT_EQ(preview.scoped_names(), (Names{"::CosEventChannelAdmin::ProxyPullConsumer::connect_pull_supplier",
                                           "::CosEventChannelAdmin::ProxyPushSupplier::connect_push_consumer"}));
  EXPECT_EQ(ok({"dump"}).out, before);
  ToolRun reload = ok({"load", "-I", kCos, kCos + "/CosEventChannelAdmin.idl"});
  EXPECT_NE(reload.out.find("(0 new, 0 changed,"), std::string::npos) << reload.out;
  EXPECT_EQ(ok({"dump"}).out, before);
}

// A load is idempotent: loads of the same files at the same time on one
// repository all end loaded, whichever of them wrote each definition first,
// and each definition is new to exactly one of them.
TEST(ConcurrentLoads, ThreeLoadsOfTheSameFilesAtOnceAllEndLoaded) {
  TempRepository repository{"VADIRIRI"};
  const std::vector<std::string> load = {"load", "-I", kOmniIdl, "-I", kCos, kCos + "/CosNaming.idl",
                                         kCos + "/CosEventChannelAdmin.idl"};
  std::vector<ToolRun> runs(3);
  std::vector<std::thread> loaders;
  for (ToolRun& run : runs) loaders.emplace_back([&run, &load] { run = irstore(load); });
  for (std::thread& loader : loaders) loader.join();

  // file -> {definitions, new definitions summed over the runs}
  std::map<std::string, std::pair<int, int>> files;
  const std::regex loaded(
      "Loaded (.*): ([0-9]+) definitions \\(([0-9]+) new, [0-9]+ changed, [0-9]+ unchanged\\)");
  for (const ToolRun& run : runs) {
    EXPECT_EQ(run.status, 0) << run.err;
    for (const std::string& line : run.lines()) {
      std::smatch match;
      if (!std::regex_match(line, match, loaded)) continue;
      auto& [definitions, created] = files[match[1]];
      if (definitions != 0) {
        EXPECT_EQ(definitions, std::stoi(match[2])) << line;
      }
      definitions = std::stoi(match[2]);
      created += std::stoi(match[3]);
    }
  }
  ASSERT_EQ(files.size(), 2u);
  for (const auto& [file, counts] : files) EXPECT_EQ(counts.second, counts.first) << file;
  // Another load finds every definition stored.
  for (const std::string& line : ok(load).lines()) {
    EXPECT_NE(line.find(" (0 new, 0 changed, "), std::string::npos) << line;
  }
}

}  // namespace
