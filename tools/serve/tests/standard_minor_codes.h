// The minor codes the OMG gives an Interface Repository's system
// exceptions, written down here apart from the server's own table, so that
// a wrong number there fails the tests.
#pragma once

#include <omniORB4/CORBA.h>

namespace standard_minor {

// BAD_PARAM
constexpr CORBA::ULong kIdTaken = CORBA::OMGVMCID | 2;
constexpr CORBA::ULong kNameTaken = CORBA::OMGVMCID | 3;
constexpr CORBA::ULong kInvalidContainer = CORBA::OMGVMCID | 4;
constexpr CORBA::ULong kInheritedNameClash = CORBA::OMGVMCID | 5;
constexpr CORBA::ULong kAbstractBaseOnly = CORBA::OMGVMCID | 6;
constexpr CORBA::ULong kInvalidName = CORBA::OMGVMCID | 15;
constexpr CORBA::ULong kInvalidRepositoryId = CORBA::OMGVMCID | 16;
constexpr CORBA::ULong kInvalidMemberName = CORBA::OMGVMCID | 17;
constexpr CORBA::ULong kDuplicateLabel = CORBA::OMGVMCID | 18;
constexpr CORBA::ULong kIncompatibleLabel = CORBA::OMGVMCID | 19;
constexpr CORBA::ULong kIllegitimateDiscriminator = CORBA::OMGVMCID | 20;

// BAD_INV_ORDER
constexpr CORBA::ULong kDependencyPreventsDestruction = CORBA::OMGVMCID | 1;
constexpr CORBA::ULong kIndestructible = CORBA::OMGVMCID | 2;

}  // namespace standard_minor
