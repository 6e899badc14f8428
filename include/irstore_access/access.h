// The store as seen from a process that runs an ORB of its own: definitions
// and their relations in plain C++ types, with no type of either CORBA
// runtime in sight.
//
// libirstore_access carries the store, its object library, its runtime and
// the engine inside it and exports only what this header declares, so that
// it can share a process with another ORB whose C++ names (CORBA::release,
// CORBA::string_dup, the exception classes, ...) are the same as the store
// runtime's. Every store failure is caught inside and leaves as Error.
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
 public:
  // The repository id of the root, which holds the top-level definitions.
  static const char* const kRootId;

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

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace irstore::access
