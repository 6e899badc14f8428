// Encoding of the state pieces: texts as CDR strings, flags as booleans,
// lists as a ulong count followed by the elements, enumerations as ulongs.
#include "state_codec.h"

#include <cstdint>
#include <memory>

namespace irstate {
namespace {

struct StringFree {
  void operator()(char* text) const { CORBA::string_free(text); }
};

template <class T, class ReadOne>
std::vector<T> read_list(Encapsulation& stream, unsigned min_bytes, ReadOne read_one) {
  CORBA::ULong count = read_count(stream, min_bytes);
  std::vector<T> list;
  list.reserve(count);
  for (CORBA::ULong i = 0; i < count; ++i) list.push_back(read_one(stream));
  return list;
}

template <class T, class WriteOne>
void write_list(Encapsulation& stream, const std::vector<T>& list, WriteOne write_one) {
  write_count(stream, list.size());
  for (const T& element : list) write_one(stream, element);
}

void write_member(Encapsulation& stream, const IRMember& member) {
  write_text(stream, member.name);
  write_type(stream, member.type);
}

IRMember read_member(Encapsulation& stream) {
  IRMember member;
  member.name = read_text(stream);
  member.type = read_type(stream);
  return member;
}

void write_parameter(Encapsulation& stream, const IRParameter& parameter) {
  write_text(stream, parameter.name);
  write_type(stream, parameter.type);
  stream.write_ulong(static_cast<CORBA::ULong>(parameter.mode));
}

IRParameter read_parameter(Encapsulation& stream) {
  IRParameter parameter;
  parameter.name = read_text(stream);
  parameter.type = read_type(stream);
  CORBA::ULong mode = stream.read_ulong();
  if (mode > static_cast<CORBA::ULong>(IRParameterMode::InOut)) throw CORBA::MARSHAL();
  parameter.mode = static_cast<IRParameterMode>(mode);
  return parameter;
}

void write_union_member(Encapsulation& stream, const IRUnionMember& member) {
  write_text(stream, member.name);
  write_text(stream, member.label);
  write_type(stream, member.type);
}

IRUnionMember read_union_member(Encapsulation& stream) {
  IRUnionMember member;
  member.name = read_text(stream);
  member.label = read_text(stream);
  member.type = read_type(stream);
  return member;
}

}  // namespace

void write_text(Encapsulation& stream, const std::string& text) {
  // A CDR string ends at its first NUL: the rest would be lost.
  if (text.find('\0') != std::string::npos) throw CORBA::BAD_PARAM();
  stream.write_string(text.c_str());
}

std::string read_text(Encapsulation& stream) {
  std::unique_ptr<char, StringFree> text(stream.read_string());
  if (!text) throw CORBA::MARSHAL();
  return std::string(text.get());
}

void write_flag(Encapsulation& stream, bool flag) { stream.write_boolean(flag ? 1 : 0); }

bool read_flag(Encapsulation& stream) {
  CORBA::Octet octet = stream.read_octet();
  if (octet > 1) throw CORBA::MARSHAL();
  return octet == 1;
}

void write_count(Encapsulation& stream, std::size_t count) {
  if (count > 0xffffffffu) throw CORBA::BAD_PARAM();
  stream.write_ulong(static_cast<CORBA::ULong>(count));
}

CORBA::ULong read_count(Encapsulation& stream, unsigned min_bytes) {
  CORBA::ULong count = stream.read_ulong();
  if (std::uint64_t{count} * min_bytes > stream.remaining()) throw CORBA::MARSHAL();
  return count;
}

void write_texts(Encapsulation& stream, const std::vector<std::string>& texts) {
  write_list(stream, texts, write_text);
}

std::vector<std::string> read_texts(Encapsulation& stream) {
  return read_list<std::string>(stream, kMinText, read_text);
}

void write_type(Encapsulation& stream, const IRType& type) {
  write_text(stream, type.spelling);
  write_texts(stream, type.references);
}

IRType read_type(Encapsulation& stream) {
  IRType type;
  type.spelling = read_text(stream);
  type.references = read_texts(stream);
  return type;
}

void write_members(Encapsulation& stream, const std::vector<IRMember>& members) {
  write_list(stream, members, write_member);
}

std::vector<IRMember> read_members(Encapsulation& stream) {
  return read_list<IRMember>(stream, kMinMember, read_member);
}

void write_parameters(Encapsulation& stream, const std::vector<IRParameter>& parameters) {
  write_list(stream, parameters, write_parameter);
}

std::vector<IRParameter> read_parameters(Encapsulation& stream) {
  return read_list<IRParameter>(stream, kMinParameter, read_parameter);
}

void write_union_members(Encapsulation& stream, const std::vector<IRUnionMember>& members) {
  write_list(stream, members, write_union_member);
}

std::vector<IRUnionMember> read_union_members(Encapsulation& stream) {
  return read_list<IRUnionMember>(stream, kMinUnionMember, read_union_member);
}

}  // namespace irstate
