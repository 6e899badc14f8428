// Writing and reading the pieces the objects' states are made of. Reads
// throw CORBA::MARSHAL on malformed data; writes throw CORBA::BAD_PARAM for
// what the encoding cannot carry, so that state written is state read.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include <qelorirm/definitions.h>

namespace irstate {

// The fewest bytes an encoded element can take, for checking counts.
constexpr unsigned kMinText = 5;              // length and NUL
constexpr unsigned kMinType = kMinText + 4;   // spelling and reference count
constexpr unsigned kMinMember = kMinText + kMinType;
constexpr unsigned kMinParameter = kMinMember + 4;
constexpr unsigned kMinUnionMember = kMinMember + kMinText;

void write_text(Encapsulation& stream, const std::string& text);
std::string read_text(Encapsulation& stream);

void write_flag(Encapsulation& stream, bool flag);
bool read_flag(Encapsulation& stream);

void write_count(Encapsulation& stream, std::size_t count);
// A count of elements of at least min_bytes each. A count the remaining
// bytes cannot hold is refused before anything is allocated for it.
CORBA::ULong read_count(Encapsulation& stream, unsigned min_bytes);

void write_texts(Encapsulation& stream, const std::vector<std::string>& texts);
std::vector<std::string> read_texts(Encapsulation& stream);

void write_type(Encapsulation& stream, const IRType& type);
IRType read_type(Encapsulation& stream);

void write_members(Encapsulation& stream, const std::vector<IRMember>& members);
std::vector<IRMember> read_members(Encapsulation& stream);

void write_parameters(Encapsulation& stream, const std::vector<IRParameter>& parameters);
std::vector<IRParameter> read_parameters(Encapsulation& stream);

void write_union_members(Encapsulation& stream, const std::vector<IRUnionMember>& members);
std::vector<IRUnionMember> read_union_members(Encapsulation& stream);

}  // namespace irstate
