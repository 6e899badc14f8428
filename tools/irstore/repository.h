// The tool's view of a repository: the store (IRDB) behind calls in terms of
// repository ids and owned results, the root object, and the brackets that
// commit or cancel a unit of work. Every command works through this; none
// touches the tables.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <qelorirm/definitions.h>
#include <qeloridm/irdb.h>

struct CorbaRelease {
  void operator()(CORBA::Object* object) const { CORBA::release(object); }
};
// One reference to an IR object.
using ObjectRef = std::unique_ptr<CORBA_Contained_Impl, CorbaRelease>;

// The state of an object as its stream bytes: equal bytes, equal state.
std::string encoded_state(CORBA_Contained_Impl& object);

class Repository {
 public:
  // Opens the repository of the alias; ToolError when it cannot be opened.
  explicit Repository(const std::string& alias);
  ~Repository();
  Repository(const Repository&) = delete;
  Repository& operator=(const Repository&) = delete;

  static constexpr const char* kRootId = CORBA_Repository_Impl::kRepositoryId;
  const std::string& alias() const { return alias_; }
  IRDB& store() { return *store_; }

  // Creates the root object unless it is stored (uncommitted).
  void ensure_root();

  // dk_none when nothing has the repository id.
  CORBA::DefinitionKind kind_of(const std::string& repid);
  std::string name_of(const std::string& repid);
  // The direct container; nothing for the root or an object in none.
  std::optional<std::string> container_of(const std::string& repid);
  // The member of the container with the name, if any.
  std::optional<std::string> member_named(const std::string& container, const std::string& name);
  // The container's own members, and with inherited the attributes and
  // operations of its bases.
  std::vector<ObjectRef> members(const std::string& container, bool inherited = false);
  // Definitions named `name` in the container or, for an interface, in its bases.
  std::vector<ObjectRef> lookup(const std::string& container, const std::string& name);
  ObjectRef object(const std::string& repid);

  std::vector<std::string> parents(const std::string& interface);
  std::vector<std::string> children(const std::string& interface);
  std::vector<std::string> referrers(const std::string& repid);
  std::vector<ObjectRef> referrers_of_kinds(const std::string& repid, const std::string& kindList);
  std::vector<ObjectRef> find(const std::string& likePattern, const std::string& kindList,
                              bool caseSensitive, const std::optional<std::string>& scope);
  std::vector<ObjectRef> deletion_set(const std::string& repid);

  // Changes; they are committed by an Update or a UserTransaction.
  void create(CORBA_Contained_Impl& object);
  void update_state(CORBA_Contained_Impl& object);
  // Each add returns false, and changes nothing, when the relation is stored.
  bool contain(const std::string& member, const std::string& container);
  bool inherit(const std::string& derived, const std::string& base);
  bool refer(const std::string& referrer, const std::string& referred);
  void remove_inheritance(const std::string& derived, const std::string& base);
  // False when there was no such reference.
  bool remove_reference(const std::string& referrer, const std::string& referred);
  void destroy(const std::string& repid);
  void move(const std::string& repid, const std::string& container, const char* newName);
  void rename(const std::string& repid, const std::string& newName);
  void change_id(const std::string& oldId, const std::string& newId);

 private:
  std::string alias_;
  std::unique_ptr<IRDB> store_;
};

// An update: commits at commit(), rolls back when left without it.
class Update {
 public:
  explicit Update(Repository& repository);
  ~Update();
  Update(const Update&) = delete;
  Update& operator=(const Update&) = delete;
  void commit();

 private:
  IRDB& store_;
  bool done_ = false;
};

// A user transaction: all or nothing, like Update, around any number of
// store calls.
class UserTransaction {
 public:
  explicit UserTransaction(Repository& repository);
  ~UserTransaction();
  UserTransaction(const UserTransaction&) = delete;
  UserTransaction& operator=(const UserTransaction&) = delete;
  void commit();

 private:
  IRDB& store_;
  bool done_ = false;
};
