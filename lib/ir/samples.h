// One sample of every kind with state in every member, for the tests that
// run over all kinds: fill sets it, state ties the members to compare.
#pragma once

#include <tuple>

#include <gtest/gtest.h>

#include "test_support.h"

namespace irtest {

template <class T>
struct Sample;

#define IRTEST_SAMPLE(CLASS, KIND, FILL, ...)                             \
  template <>                                                             \
  struct Sample<CLASS> {                                                  \
    static constexpr CORBA::DefinitionKind kind = CORBA::KIND;            \
    static void fill([[maybe_unused]] CLASS& o) { FILL; }                 \
    static auto state([[maybe_unused]] const CLASS& o) { return std::tie(__VA_ARGS__); } \
  };

IRTEST_SAMPLE(CORBA_Repository_Impl, dk_Repository, , )
IRTEST_SAMPLE(CORBA_ModuleDef_Impl, dk_Module, , )
IRTEST_SAMPLE(CORBA_InterfaceDef_Impl, dk_Interface,
              // Both flags set, so that neither can pass at its default.
              (o.base_interfaces = {"IDL:Bank/Base:1.0", "IDL:Audit/Logged:1.3", ""},
               o.is_abstract = true, o.is_local = true),
              o.base_interfaces, o.is_abstract, o.is_local)
IRTEST_SAMPLE(CORBA_OperationDef_Impl, dk_Operation,
              (o.result = {"::Bank::Amount", {"IDL:Bank/Amount:1.0"}}, o.oneway = true,
               o.parameters = {{"to", {"::Bank::Account", {"IDL:Bank/Account:2.1"}}, IRParameterMode::In},
                               {"fee", {"unsigned long", {}}, IRParameterMode::Out},
                               {"log", {"sequence<::Bank::Entry, 4>", {"IDL:Bank/Entry:1.0"}},
                                IRParameterMode::InOut}},
               o.exceptions = {"IDL:Bank/Overdrawn:1.0", "IDL:Bank/Frozen:1.0"},
               o.contexts = {"user", "locale*"}),
              o.result, o.oneway, o.parameters, o.exceptions, o.contexts)
IRTEST_SAMPLE(CORBA_AttributeDef_Impl, dk_Attribute,
              (o.type = {"::Bank::Amount", {"IDL:Bank/Amount:1.0"}}, o.readonly = true),
              o.type, o.readonly)
IRTEST_SAMPLE(CORBA_ConstantDef_Impl, dk_Constant,
              (o.type = {"string", {}}, o.value = "\"hello, world\""), o.type, o.value)
IRTEST_SAMPLE(CORBA_ExceptionDef_Impl, dk_Exception,
              (o.members = {{"needed", {"::Bank::Amount", {"IDL:Bank/Amount:1.0"}}},
                            {"reason", {"string", {}}}}),
              o.members)
IRTEST_SAMPLE(CORBA_AliasDef_Impl, dk_Alias,
              (o.original_type = {"sequence<::Bank::Entry, 4>", {"IDL:Bank/Entry:1.0"}}),
              o.original_type)
IRTEST_SAMPLE(CORBA_StructDef_Impl, dk_Struct,
              (o.members = {{"when", {"unsigned long long", {}}},
                            {"pair", {"::P", {"IDL:Bank/Account:2.1", "IDL:Bank/Amount:1.0"}}},
                            {"", {"", {}}}}),
              o.members)
IRTEST_SAMPLE(CORBA_UnionDef_Impl, dk_Union,
              (o.discriminator_type = {"::Bank::Method", {"IDL:Bank/Method:1.0"}},
               o.members = {{"card", "::Bank::Method::card", {"string", {}}},
                            {"other", "default", {"::Bank::Entry", {"IDL:Bank/Entry:1.0"}}}}),
              o.discriminator_type, o.members)
IRTEST_SAMPLE(CORBA_EnumDef_Impl, dk_Enum, (o.members = {"card", "cash", "transfer"}), o.members)
#undef IRTEST_SAMPLE

using AllKinds = ::testing::Types<CORBA_Repository_Impl, CORBA_ModuleDef_Impl,
                                  CORBA_InterfaceDef_Impl, CORBA_OperationDef_Impl,
                                  CORBA_AttributeDef_Impl, CORBA_ConstantDef_Impl,
                                  CORBA_ExceptionDef_Impl, CORBA_AliasDef_Impl,
                                  CORBA_StructDef_Impl, CORBA_UnionDef_Impl, CORBA_EnumDef_Impl>;

// With a version other than the one its repository id gives.
template <class T>
Ref<T> rich_sample() {
  Ref<T> object(create<T>("Sample", "IDL:Bank/Sample:1.0"));
  Sample<T>::fill(*object);
  object->set_version("4.2");
  return object;
}

}  // namespace irtest
