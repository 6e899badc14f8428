// The standard minor codes of the system exceptions the server raises, as
// the OMG assigns them for an Interface Repository.
#pragma once

#include "orb.h"

namespace irstore::serve::minor {

// BAD_PARAM
constexpr CORBA::ULong kIdTaken = CORBA::OMGVMCID | 2;              // the repository id is in use
constexpr CORBA::ULong kNameTaken = CORBA::OMGVMCID | 3;            // the container holds the name
constexpr CORBA::ULong kInvalidContainer = CORBA::OMGVMCID | 4;     // the container cannot hold it
constexpr CORBA::ULong kInheritedNameClash = CORBA::OMGVMCID | 5;   // a base or derived interface holds the name
constexpr CORBA::ULong kAbstractBaseOnly = CORBA::OMGVMCID | 6;     // an abstract interface with a concrete base
constexpr CORBA::ULong kInvalidName = CORBA::OMGVMCID | 15;
constexpr CORBA::ULong kInvalidRepositoryId = CORBA::OMGVMCID | 16;
constexpr CORBA::ULong kInvalidMemberName = CORBA::OMGVMCID | 17;   // no identifier, or used twice
constexpr CORBA::ULong kDuplicateLabel = CORBA::OMGVMCID | 18;
constexpr CORBA::ULong kIncompatibleLabel = CORBA::OMGVMCID | 19;   // of another type than the discriminator
constexpr CORBA::ULong kIllegitimateDiscriminator = CORBA::OMGVMCID | 20;

// BAD_INV_ORDER
constexpr CORBA::ULong kDependencyPreventsDestruction = CORBA::OMGVMCID | 1;
constexpr CORBA::ULong kIndestructible = CORBA::OMGVMCID | 2;

// INTF_REPOS
constexpr CORBA::ULong kRepositoryUnavailable = CORBA::OMGVMCID | 1;

}  // namespace irstore::serve::minor
