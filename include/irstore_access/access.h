// The store as seen from a process that runs an ORB of its own: definitions
// and their relations in plain C++ types, with no type of either CORBA
// runtime in sight.
//
// libirstore_access carries the store, its object library, its runtime and
// the engine inside it and exports only what this header declares, so that
// it can share a process with another ORB whose C++ names (CORBA::release,
// CORBA::string_dup, the exception classes, ...) are the same as the store
// runtime's. Every store failure is caught inside and leaves as Error.
//
// Reads go through a Store; changes through an Update, the store's unit of
// work, which keeps every other thread's call waiting until it ends: no
// call sees changes that are not committed.
#pragma once

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace irstore::access {

// Kinds of definition, numbered as the Interface Repository numbers them.
enum class Kind {
  None = 0,
  All = 1,
  Attribute = 2,
  Constant = 3,
  Exception = 4,
  Interface = 5,
  Module = 6,
  Operation = 7,
  Typedef = 8,  // as a limit: aliases, structs, unions and enums
  Alias = 9,
  Struct = 10,
  Union = 11,
  Enum = 12,
  Repository = 17,  // the root
};

// A type as a definition uses it: its IDL spelling ("unsigned long",
// "sequence<::M::T, 4>", "::M::T", "long[2][3]") and the repository ids of
// the named definitions the spelling mentions, in the order it first
// mentions them.
struct TypeUse {
  std::string spelling;
  std::vector<std::string> references;
  bool operator==(const TypeUse&) const = default;
};

struct Member {
  std::string name;
  TypeUse type;
  bool operator==(const Member&) const = default;
};

enum class ParameterMode { In = 0, Out = 1, InOut = 2 };

struct Parameter {
  std::string name;
  TypeUse type;
  ParameterMode mode = ParameterMode::In;
  bool operator==(const Parameter&) const = default;
};

// One case label of a union and the member it selects; a member with
// several labels comes once per label.
struct UnionCase {
  std::string label;  // as IDL spells it ('a', 3, ::M::red, TRUE), or "default"
  std::string name;
  TypeUse type;
  bool operator==(const UnionCase&) const = default;
};

// One stored definition with its state. Which fields hold anything depends
// on the kind; the others stay empty.
struct Definition {
  Kind kind = Kind::None;
  std::string id;
  std::string name;
  std::string version;

  // Interface.
  std::vector<std::string> bases;  // repository ids, in declaration order
  bool is_abstract = false;
  bool is_local = false;

  // The result of an operation, the type of an attribute or constant, the
  // original type of an alias, the discriminator type of a union.
  TypeUse type;

  // Operation.
  bool oneway = false;
  std::vector<Parameter> parameters;
  std::vector<std::string> exceptions;  // repository ids of what it raises
  std::vector<std::string> contexts;

  // Attribute.
  bool readonly = false;

  // Constant: the value as IDL spells it (42, 3.5, "text", 'c', TRUE, ::M::red).
  std::string value;

  std::vector<Member> members;         // struct, exception
  std::vector<UnionCase> cases;        // union
  std::vector<std::string> enumerators;  // enum

  bool operator==(const Definition&) const = default;
};

class Error : public std::runtime_error {
 public:
  enum class Reason {
    NotFound,    // a definition the call needs is not stored
    BadInput,    // an argument the store cannot take (too long, malformed)
    Incoherent,  // the stored rows contradict each other
    Failure,     // the database failed
    IdTaken,     // another definition has the repository id
    NameTaken,   // the container holds another definition of the name
    // The connection to the database was lost and could not be made again
    // within the reconnect wait (com.orvo.CORBA.irReconnectWait). The
    // store tries again at the next call.
    Unreachable,
  };
  Error(Reason reason, const std::string& message);
  ~Error() override;
  Reason reason() const { return reason_; }

 private:
  Reason reason_;
};

// The store's runtime reports each failure as it happens, one line on
// standard error, besides raising it. A process that reports the Errors it
// gets in its own words turns the runtime's reports off.
void report_failures_as_they_happen(bool on);

// One repository, open for the life of the object. A process holds one Store
// at a time; any number of threads may call it, and each call sees what was
// committed when it ran.
class Store {
  friend class Update;

 public:
  // The repository id of the root, which holds the top-level definitions.
  static const char* const kRootId;
  // The longest repository id and name the store keeps: longer ones are
  // BadInput.
  static constexpr std::size_t kLongestId = 4095;
  static constexpr std::size_t kLongestName = 254;

  // Opens the repository of the alias (VADIRIRI when empty).
  explicit Store(const std::string& alias);
  ~Store();
  Store(const Store&) = delete;
  Store& operator=(const Store&) = delete;

  // The definition with the repository id; nothing when none is stored.
  std::optional<Definition> find(const std::string& id);
  // Kind::None when nothing has the repository id.
  Kind kind_of(const std::string& id);
  // The repository id of the direct container; nothing for the root.
  std::optional<std::string> container_of(const std::string& id);
  // The direct members of a container, in the order the store keeps them.
  std::vector<Definition> members(const std::string& container);
  // The direct member with the simple name, if any.
  std::optional<Definition> member_named(const std::string& container, const std::string& name);
  // The definitions named `name` within `levels` levels of the container
  // (-1: any depth) of the kind (Kind::All: any), with those of the
  // container's base interfaces first unless exclude_inherited.
  std::vector<Definition> lookup_name(const std::string& container, const std::string& name, int levels,
                                      Kind limit, bool exclude_inherited);
  // Whether the interface derives, directly or not, from base.
  bool inherits_from(const std::string& interface, const std::string& base);
  // Whether an interface derived from the interface, directly or not, or
  // any base of such a derived interface, holds an attribute or operation
  // of the name.
  bool name_used_below(const std::string& interface, const std::string& name);
  // The repository ids of what removing the definition would remove with
  // it: its members, what refers to it and the interfaces derived from it,
  // each with the same in turn.
  std::vector<std::string> removed_with(const std::string& id);

  // The library's own, opaque to its callers.
  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

// One unit of work of the store: the changes made through it are kept
// together when commit() returns, and none of them when it ends without
// (or when commit() fails). While it is open, calls of other threads on
// the store wait for its end; its own thread reads through the Store as
// usual and sees its changes. One Update at a time per thread; all of its
// calls come from the thread that opened it.
//
// A definition's relations follow its state: its container, its bases and
// a reference to every definition its state names. The definitions that
// name a renamed or moved definition by its scoped name, or one whose
// repository id changes by that id, are told the new one.
class Update {
 public:
  // Waits for the calls of other threads that came before it to end.
  explicit Update(Store& store);
  // Cancels what was not committed.
  ~Update();
  Update(const Update&) = delete;
  Update& operator=(const Update&) = delete;

  // std::logic_error after a change of this Update failed: the unit of
  // work may hold part of it.
  void commit();

  // Stores a new definition in the container. IdTaken, NameTaken; NotFound
  // when the container or a definition the state names is not stored.
  void create(const Definition& definition, const std::string& container);
  // Gives the definition with the repository id of `definition` the version
  // and state of `definition`; its kind and name stay.
  void update(const Definition& definition);
  // NameTaken when the container holds another definition of the name.
  void rename(const std::string& id, const std::string& name);
  // Into another container, under the name given; NameTaken as rename.
  void move(const std::string& id, const std::string& container, const std::string& name);
  // IdTaken when another definition has new_id.
  void change_id(const std::string& id, const std::string& new_id);
  // Removes the definition with everything removed_with() names.
  void destroy(const std::string& id);

 private:
  template <class Change>
  void change(const std::string& what, Change work);

  Store::Impl& store_;
  bool open_ = true;
  bool failed_ = false;
};

}  // namespace irstore::access
