// What a request that changes the repository carries, as the store keeps
// it: names, repository ids, types, members, union cases, parameters,
// raised exceptions, bases and constant values. Each raises BAD_PARAM for
// what no definition can hold, with the standard minor code where there is
// one, before anything is written.
#pragma once

#include <string>
#include <vector>

#include "context.h"

namespace irstore::serve {

// Not empty, no blank or control character, not longer than the store
// keeps (invalid repository id).
void check_repository_id(const std::string& id);
// An IDL identifier no longer than the store keeps (invalid name).
void check_new_name(const std::string& name);

// The type an IDLType reference of this server stands for, every
// definition it names stored.
access::TypeUse type_argument(ServeContext& context, CORBA::IDLType_ptr type);
// Members of a struct or exception: identifiers, each once (invalid member
// name).
std::vector<access::Member> member_arguments(ServeContext& context, const CORBA::StructMemberSeq& members);
std::vector<std::string> enumerator_arguments(const CORBA::EnumMemberSeq& members);
// The cases of a union with the discriminator type: one label each (the
// octet 0 for default) of the discriminator's type (incompatible label),
// none twice (duplicate label); a member with several labels comes once
// per label, with the same type. The discriminator is an integer, char,
// wchar, boolean, octet or enum type (illegitimate discriminator).
std::vector<access::UnionCase> case_arguments(ServeContext& context, const CORBA::UnionMemberSeq& members,
                                              const access::TypeUse& discriminator);
// The discriminator type of a union, checked as above.
void check_discriminator(ServeContext& context, const access::TypeUse& discriminator);
std::vector<access::Parameter> parameter_arguments(ServeContext& context, const CORBA::ParDescriptionSeq& parameters);
// Repository ids of stored exceptions, each once.
std::vector<std::string> exception_arguments(ServeContext& context, const CORBA::ExceptionDefSeq& exceptions);
// Repository ids of stored interfaces, each once.
std::vector<std::string> base_arguments(ServeContext& context, const CORBA::InterfaceDefSeq& bases);
std::vector<std::string> base_arguments(ServeContext& context, const CORBA::AbstractInterfaceDefSeq& bases);
std::vector<std::string> context_arguments(const CORBA::ContextIdSeq& contexts);
// A constant's value of the type, as its literal.
std::string constant_argument(ServeContext& context, const CORBA::Any& value, const access::TypeUse& type);
// A stored literal (a constant's value, a union label) as a value of
// another type, spelled anew; BAD_PARAM with the minor code when it is
// none.
std::string literal_as(ServeContext& context, const std::string& literal, const access::TypeUse& type,
                       CORBA::ULong minor_code);

}  // namespace irstore::serve
