// CORBA_Contained_Impl: the name, repository id and version every contained
// definition has, the common part of its stream, and its cache membership.
#include <qelorirm/irobject.h>

#include <new>
#include <optional>
#include <string_view>
#include <utility>

#include "object_cache.h"
#include "state_codec.h"

namespace {

const char* text_or_empty(const char* text) { return text ? text : ""; }

// "IDL:M/T:1.2" carries its version after the last ':'; other ids do not.
std::string initial_version(std::string_view repid) {
  constexpr std::string_view prefix = "IDL:";
  if (repid.starts_with(prefix)) {
    std::size_t colon = repid.rfind(':');
    if (colon >= prefix.size() && colon + 1 < repid.size()) return std::string(repid.substr(colon + 1));
  }
  return "1.0";
}

char* new_string(const std::string& text) {
  char* copy = CORBA::string_dup(text.c_str());
  if (!copy) throw std::bad_alloc();
  return copy;
}

}  // namespace

CORBA_Contained_Impl::CORBA_Contained_Impl(CORBA::DefinitionKind kind, const char* name,
                                           const char* repid)
    : CORBA_IRObject_Impl(kind),
      name_(text_or_empty(name)),
      repid_(text_or_empty(repid)),
      version_(initial_version(repid_)) {
  irobj_cache::join(this, this, repid_);
}

CORBA_Contained_Impl::CORBA_Contained_Impl(const CORBA_Contained_Impl& other)
    : CORBA::_CORBA_IRObject(other),
      CORBA::_CORBA_Contained(other),
      CORBA_IRObject_Impl(other),
      name_(other.name_),
      repid_(other.repid_),
      version_(other.version_) {
  irobj_cache::join(this, this, repid_);
}

CORBA_Contained_Impl& CORBA_Contained_Impl::operator=(const CORBA_Contained_Impl& other) {
  if (this == &other) return *this;
  std::string name = other.name_;
  std::string repid = other.repid_;
  std::string version = other.version_;
  std::optional<irobj_cache::Move> move;
  if (repid != repid_) move.emplace(repid);
  // Nothing below throws.
  CORBA_IRObject_Impl::operator=(other);
  name_ = std::move(name);
  version_ = std::move(version);
  repid_.swap(repid);
  if (move) move->commit(this, this, repid);
  return *this;
}

CORBA_Contained_Impl::~CORBA_Contained_Impl() { irobj_cache::leave(this, repid_); }

char* CORBA_Contained_Impl::id() { return new_string(repid_); }
char* CORBA_Contained_Impl::name() { return new_string(name_); }
char* CORBA_Contained_Impl::version() { return new_string(version_); }

void CORBA_Contained_Impl::object_to_stream(Encapsulation& stream) {
  irstate::write_text(stream, version_);
  write_state(stream);
  irobj_cache::publish(this, repid_);  // written whole: other threads may have it now
}

void CORBA_Contained_Impl::stream_to_object(char* name, char* repid, Encapsulation& stream) {
  // Everything that can fail happens before the object changes; read_state
  // changes the kind's state only once it has read all of it.
  std::string version = irstate::read_text(stream);
  std::string new_name = text_or_empty(name);
  std::string new_repid = text_or_empty(repid);
  std::optional<irobj_cache::Move> move;
  if (new_repid != repid_) move.emplace(new_repid);
  read_state(stream);
  // Nothing below throws. Bytes after the state (stored streams carry
  // padding) are left unread.
  version_ = std::move(version);
  name_ = std::move(new_name);
  repid_.swap(new_repid);
  if (move) move->commit(this, this, new_repid);
  irobj_cache::publish(this, repid_);
}
