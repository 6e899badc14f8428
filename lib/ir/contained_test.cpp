// What every contained definition has: name, repository id and version.
#include <qelorirm/definitions.h>

#include <gtest/gtest.h>

#include "test_support.h"

namespace {

using namespace irtest;

TEST(Contained, VersionStartsFromTheRepositoryId) {
  struct Case {
    const char* repid;
    const char* version;
  };
  for (Case c : {Case{"IDL:a/b:1.2", "1.2"}, Case{"IDL:a:b:c:7", "7"}, Case{"IDL:a/b", "1.0"},
                 Case{"IDL:a/b:", "1.0"}, Case{"LOCAL:irstore/Repository", "1.0"},
                 Case{"DCE:700dc518-0110-11ce-ac8f-0800090b5d3e:1", "1.0"}, Case{"", "1.0"}}) {
    Ref<CORBA_ModuleDef_Impl> module(new CORBA_ModuleDef_Impl("M", c.repid));
    EXPECT_EQ(take(module->version()), c.version) << c.repid;
  }
  Ref<CORBA_EnumDef_Impl> unnamed(new CORBA_EnumDef_Impl(nullptr, nullptr));
  EXPECT_EQ(take(unnamed->name()) + take(unnamed->id()) + take(unnamed->version()), "1.0");
}

TEST(Contained, StreamToObjectTakesNameAndIdFromItsArgumentsAndVersionFromTheStream) {
  Ref<CORBA_EnumDef_Impl> source(new CORBA_EnumDef_Impl("Color", "IDL:Color:1.0"));
  source->members = {"red", "green"};
  source->set_version("5.1");
  const Bytes bytes = encode(*source);

  Ref<CORBA_EnumDef_Impl> target(new CORBA_EnumDef_Impl("Old", "IDL:Target:1.0"));
  target->members = {"stale"};
  reload(*target, "Colour", "IDL:Target:1.0", bytes);
  EXPECT_EQ(take(target->name()), "Colour");
  EXPECT_EQ(take(target->id()), "IDL:Target:1.0");
  EXPECT_EQ(take(target->version()), "5.1");
  EXPECT_EQ(target->members, (std::vector<std::string>{"red", "green"}));
}

}  // namespace
