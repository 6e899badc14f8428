// The Interface Repository objects as the store sees them: the object
// interfaces, the implementation base classes that write and read their
// state as CDR encapsulations, the process-wide cache of live objects, and
// make_object, which builds the object of each kind from a stored stream.
//
// Objects are reference counted: whoever creates or receives one owns one
// reference and gives it up with CORBA::release. An object is not locked
// against concurrent use; the cache is.
#pragma once

#include <string>

#include <qelororm/corba.h>
#include <qelororm/encap.h>
#include <qelororm/sequence.h>
#include <qelorirm/export.h>

namespace CORBA {

class QELORIRM_EXPORT _CORBA_IRObject : public Object {
 public:
  virtual DefinitionKind def_kind() = 0;
};

class QELORIRM_EXPORT _CORBA_Contained : public virtual _CORBA_IRObject {
 public:
  // Each returns a new CORBA string, owned by the caller.
  virtual char* id() = 0;
  virtual char* name() = 0;
  virtual char* version() = 0;
};

}  // namespace CORBA

class QELORIRM_EXPORT CORBA_IRObject_Impl : public virtual CORBA::_CORBA_IRObject {
 public:
  CORBA::DefinitionKind def_kind() override { return kind_; }
  // Writes the object's state into an empty write encapsulation.
  virtual void object_to_stream(Encapsulation& stream) = 0;

 protected:
  explicit CORBA_IRObject_Impl(CORBA::DefinitionKind kind) : kind_(kind) {}

 private:
  CORBA::DefinitionKind kind_;
};

class QELORIRM_EXPORT CORBA_Contained_Impl : public CORBA_IRObject_Impl, public virtual CORBA::_CORBA_Contained {
 public:
  char* id() override;
  char* name() override;
  char* version() override;

  // The state is the version followed by the kind's own state.
  void object_to_stream(Encapsulation& stream) override;
  // Reloads the state in place, with the name and repository id given (the
  // cache follows a changed repository id). A malformed stream throws
  // CORBA::MARSHAL and leaves the object as it was.
  virtual void stream_to_object(char* name, char* repid, Encapsulation& stream);

  const std::string& repository_id() const { return repid_; }
  const std::string& simple_name() const { return name_; }
  const std::string& version_text() const { return version_; }
  void set_name(const char* name) { name_ = name; }
  void set_version(const char* version) { version_ = version; }

 protected:
  // Joins the cache unless a live object with the same repository id is in
  // it. Probes find the object only once its state is whole: once it has
  // written it to a stream (object_to_stream) or read it from one
  // (stream_to_object); until then the derived classes may still be under
  // construction. The version starts as the text after the last ':' of an
  // "IDL:name:version" repository id, otherwise "1.0".
  CORBA_Contained_Impl(CORBA::DefinitionKind kind, const char* name, const char* repid);
  // A copy joins the cache by the same rule. Assignment takes the other's
  // name, repository id and version, and moves the cache entry with the id.
  CORBA_Contained_Impl(const CORBA_Contained_Impl& other);
  CORBA_Contained_Impl& operator=(const CORBA_Contained_Impl& other);
  // Leaves the cache.
  ~CORBA_Contained_Impl() override;

  // The kind's own state, after the common part.
  virtual void write_state(Encapsulation& stream) const = 0;
  virtual void read_state(Encapsulation& stream) = 0;

 private:
  std::string name_;
  std::string repid_;
  std::string version_;
};

// The live object with the repository id, with a new reference for the
// caller; nullptr when no object with that id lives or its state has not yet
// gone through a stream.
QELORIRM_EXPORT CORBA_Contained_Impl* irobj_get_from_cache(char* repid);

// A new object of the class for kind (one reference, the caller's), with
// its state loaded from stream; nullptr for a kind without a class. Stream
// errors throw CORBA::MARSHAL. Probes find the object only once it is loaded.
QELORIRM_EXPORT CORBA_Contained_Impl* make_object(CORBA::DefinitionKind kind, char* name, char* repid,
                                  Encapsulation& stream);
