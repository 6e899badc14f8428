// IRStore: the store behind the Interface Repository object
// implementations. Every create, read-back, lookup, inheritance query,
// search, rename, move, repository-id change and destroy they perform is one
// of these operations; IRDB (irdb.h) keeps it all in four SQL tables.
#pragma once

#include <qelororm/corba.h>
#include <qelororm/sequence.h>
#include <qeloridm/export.h>

class StoreHandle;
struct StoreHandleSeq;
class EncapIIOP;
class CORBA_Contained_Impl;

// The fields every store exception carries, and the copy that moves the
// message: only one copy ever owns (and frees) the text.
class QELORIDM_EXPORT StoreErrorFields {
 public:
  int code;
  char sqlstate[6];       // five characters and a NUL
  mutable char* message;  // owned, may be null; allocated with new[]

  StoreErrorFields(const StoreErrorFields& other);
  StoreErrorFields& operator=(const StoreErrorFields&) = delete;
  ~StoreErrorFields();

 protected:
  // Adopts message.
  StoreErrorFields(int code, const char* sqlstate, char* message);
};

// The record handed to Iadd_object; the caller owns it and what it points to.
struct StoreObject {
  StoreHandle* handle;          // its repository id must be set
  char* name;                   // simple name
  CORBA::DefinitionKind kind;
  EncapIIOP* encap;             // holds the object's encoded state
};

class QELORIDM_EXPORT IRStore {
 public:
  // Base of the store's own exceptions. A plain Exception (no subclass) is
  // thrown only where a database failure or a duplicate passes through an
  // operation's error translation, and keeps the code it replaces.
  class Exception : public StoreErrorFields {
   public:
    explicit Exception(int code = 0, const char* sqlstate = "00000", char* message = nullptr)
        : StoreErrorFields(code, sqlstate, message) {}
  };
  // A row with the same key exists already.
  class Duplicate : public Exception {
   public:
    Duplicate() : Exception(1, "23000") {}
  };
  // An object, row or relation that the operation needs is missing.
  class NotExist : public Exception {
   public:
    NotExist() : Exception(2) {}
  };
  // The stored rows contradict each other.
  class IncoherentIR : public Exception {
   public:
    IncoherentIR() : Exception(4) {}
  };
  class OutOfMemory : public Exception {
   public:
    OutOfMemory() : Exception(6) {}
  };
  // Any other database failure, or a service the store cannot work without.
  class Unrecoverable : public Exception {
   public:
    Unrecoverable() : Exception(7) {}
    // Adopts message (allocated with new[]).
    explicit Unrecoverable(char* message) : Exception(7, "00000", message) {}
  };

  IRStore() = default;
  virtual ~IRStore() = default;

  virtual void create(CORBA::_CORBA_Contained* object, EncapIIOP& stream) = 0;
  virtual void Iadd_object(StoreObject* record) = 0;
  virtual void Iget_object(StoreObject* record) = 0;
  virtual CORBA_Contained_Impl* object_from_ID(StoreHandle* handle) = 0;
  virtual CORBA::_IDL_SEQUENCE_CORBA_Contained_0* lookup_name(StoreHandle* container,
                                                              char* searchName, int levelsToSearch,
                                                              CORBA::DefinitionKind limitType,
                                                              unsigned char excludeInherited) = 0;
  virtual CORBA::_IDL_SEQUENCE_CORBA_Contained_0* contents(StoreHandle* container,
                                                           CORBA::DefinitionKind limitType,
                                                           unsigned char excludeInherited,
                                                           int maxReturned) = 0;
  virtual void destroy(StoreHandle* object) = 0;
  virtual void add_to_bucket(StoreHandle* member, StoreHandle* container) = 0;
  virtual void add_inheritance(StoreHandle* derived, StoreHandle* base) = 0;
  virtual void add_reference(StoreHandle* referrer, StoreHandle* referred) = 0;
  virtual void remove_from_bucket(StoreHandle* member, StoreHandle* container) = 0;
  virtual void remove_inheritance(StoreHandle* derived, StoreHandle* base) = 0;
  virtual void remove_reference(StoreHandle* referrer, StoreHandle* referred) = 0;
  virtual void update_name(StoreHandle* handle, char* newName) = 0;
  virtual void update_repositoryID(StoreHandle* oldHandle, StoreHandle* newHandle) = 0;
  virtual void update_stream(CORBA_Contained_Impl* object) = 0;
  virtual void refresh_object(CORBA_Contained_Impl* object) = 0;
  virtual void move(StoreHandle* object, StoreHandle* newContainer, char* newName) = 0;
  virtual void beginUpdate() = 0;
  virtual void endUpdate() = 0;
  virtual void cancelUpdate() = 0;
  virtual unsigned char inherits_from(StoreHandle* derived, StoreHandle* base) = 0;
  virtual StoreHandleSeq* parents(StoreHandle* interface) = 0;
  virtual StoreHandleSeq* children(StoreHandle* interface, unsigned char withRepositoryIds) = 0;
  virtual StoreHandle* defined_in(StoreHandle* object) = 0;
  virtual StoreHandle* is_name_in_bucket(char* name, StoreHandle* container) = 0;
  virtual CORBA::_IDL_SEQUENCE_CORBA_String_0* names_in_bucket(StoreHandle* container) = 0;
  virtual CORBA::DefinitionKind kind_from_ID(StoreHandle* object) = 0;
  virtual char* name_from_ID(StoreHandle* object) = 0;
  virtual void beginUserTransaction() = 0;
  virtual void endUserTransaction() = 0;
  virtual void cancelUserTransaction() = 0;
  virtual CORBA::_IDL_SEQUENCE_CORBA_String_0* get_references(StoreHandle* object) = 0;
  virtual unsigned char is_duplicate_name(StoreHandle* interface, char* name) = 0;
  virtual CORBA::_IDL_SEQUENCE_CORBA_Contained_0* find_objects(char* namePattern, char* kindList,
                                                               unsigned char caseSensitive,
                                                               StoreHandle* scope) = 0;
  virtual CORBA::_IDL_SEQUENCE_CORBA_Contained_0* get_refs_object(StoreHandle* object,
                                                                  char* kindList) = 0;
  virtual CORBA::_IDL_SEQUENCE_CORBA_Contained_0* interface_children(StoreHandle* interface) = 0;
  virtual CORBA::_IDL_SEQUENCE_CORBA_Contained_0* get_objects_2b_deleted(StoreHandle* object) = 0;

 private:
  // Stores are never copied.
  IRStore(const IRStore&);
  virtual IRStore& operator=(const IRStore&);
};

// The database session's error: code is the SQLCODE of the failed call,
// sqlstate is always "99999", message reads
// "<failed step>,    Tarn Message: <the engine's message>".
class QELORIDM_EXPORT IRSError : public StoreErrorFields {
 public:
  // Adopts message.
  IRSError(int code, char* message) : StoreErrorFields(code, "99999", message) {}
};
