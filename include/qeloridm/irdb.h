// IRDB: the store kept in four tables of a Tarn database.
//
// A process holds one IRDB at a time. Construction connects to the database
// (null names "VADIRIRI"; the name is cut to eight characters and
// upper-cased for CONNECT); destruction rolls back what was not committed
// and ends the connection. Any number of threads may call the operations;
// one runs at a time.
#pragma once

#include <qeloridm/irstore.h>
#include <qeloridm/irstorec.h>
#include <qeloridm/export.h>

class IRDataBase;
class IRTable;
class IRRepdatTable;
class IRBucketTable;
class IRInherTable;
class IRReferTable;
class IRWorkTable;
struct Walk;

class QELORIDM_EXPORT IRDB : public IRStore {
 public:
  // Throws IRStore::Unrecoverable (code 7, the database's message) when the
  // connection fails, CORBA::BAD_PARAM for a name over 31 characters.
  explicit IRDB(const char* databaseName = nullptr);
  ~IRDB() override;
  IRDB(const IRDB&) = delete;
  IRDB& operator=(const IRDB&) = delete;

  void create(CORBA::_CORBA_Contained* object, EncapIIOP& stream) override;
  void Iadd_object(StoreObject* record) override;
  void Iget_object(StoreObject* record) override;
  CORBA_Contained_Impl* object_from_ID(StoreHandle* handle) override;
  CORBA::_IDL_SEQUENCE_CORBA_Contained_0* lookup_name(StoreHandle* container, char* searchName,
                                                      int levelsToSearch,
                                                      CORBA::DefinitionKind limitType,
                                                      unsigned char excludeInherited) override;
  CORBA::_IDL_SEQUENCE_CORBA_Contained_0* contents(StoreHandle* container,
                                                   CORBA::DefinitionKind limitType,
                                                   unsigned char excludeInherited,
                                                   int maxReturned) override;
  void destroy(StoreHandle* object) override;
  void add_to_bucket(StoreHandle* member, StoreHandle* container) override;
  void add_inheritance(StoreHandle* derived, StoreHandle* base) override;
  void add_reference(StoreHandle* referrer, StoreHandle* referred) override;
  void remove_from_bucket(StoreHandle* member, StoreHandle* container) override;
  void remove_inheritance(StoreHandle* derived, StoreHandle* base) override;
  void remove_reference(StoreHandle* referrer, StoreHandle* referred) override;
  void update_name(StoreHandle* handle, char* newName) override;
  void update_repositoryID(StoreHandle* oldHandle, StoreHandle* newHandle) override;
  void update_stream(CORBA_Contained_Impl* object) override;
  void refresh_object(CORBA_Contained_Impl* object) override;
  void move(StoreHandle* object, StoreHandle* newContainer, char* newName) override;
  void beginUpdate() override;
  void endUpdate() override;
  void cancelUpdate() override;
  unsigned char inherits_from(StoreHandle* derived, StoreHandle* base) override;
  StoreHandleSeq* parents(StoreHandle* interface) override;
  StoreHandleSeq* children(StoreHandle* interface, unsigned char withRepositoryIds) override;
  StoreHandle* defined_in(StoreHandle* object) override;
  StoreHandle* is_name_in_bucket(char* name, StoreHandle* container) override;
  CORBA::_IDL_SEQUENCE_CORBA_String_0* names_in_bucket(StoreHandle* container) override;
  CORBA::DefinitionKind kind_from_ID(StoreHandle* object) override;
  char* name_from_ID(StoreHandle* object) override;
  void beginUserTransaction() override;
  void endUserTransaction() override;
  void cancelUserTransaction() override;
  CORBA::_IDL_SEQUENCE_CORBA_String_0* get_references(StoreHandle* object) override;
  unsigned char is_duplicate_name(StoreHandle* interface, char* name) override;
  CORBA::_IDL_SEQUENCE_CORBA_Contained_0* find_objects(char* namePattern, char* kindList,
                                                       unsigned char caseSensitive,
                                                       StoreHandle* scope) override;
  CORBA::_IDL_SEQUENCE_CORBA_Contained_0* get_refs_object(StoreHandle* object,
                                                          char* kindList) override;
  CORBA::_IDL_SEQUENCE_CORBA_Contained_0* interface_children(StoreHandle* interface) override;
  CORBA::_IDL_SEQUENCE_CORBA_Contained_0* get_objects_2b_deleted(StoreHandle* object) override;

  // A CORBA string copy of text cut at its first blank (anywhere, not only
  // trailing ones). text must be shorter than 256 characters.
  static char* remove_blanks(const char* text);

 private:
  // The object for one row's values: the live one from the cache, or one
  // built from the stream text. The caller holds the lock.
  CORBA_Contained_Impl* build_from_row(CORBA::DefinitionKind kind, char* name, char* repid,
                                       char* streamText);
  // Ends text at its first blank; returns where that was, or null.
  static char* cut_at_blank(char* text);
  // Derives both IIDs of a relation and checks that both objects are
  // stored, first first (IRStore::IncoherentIR otherwise).
  void check_relation_ends(StoreHandle* first, StoreHandle* second);

  // The breadth-first walk from start over the tables it is told to follow,
  // each in its direction (as related_iids takes it), expanding at most
  // `levels` levels (-1: no limit). Without a target: every IID reached, in
  // ascending order. With one: a list holding start if the target was
  // reached, an empty list otherwise. The caller holds the lock.
  _IDL_SEQUENCE_sequence_CORBA_Char_7_0* search_recursive(
      _IDL_SEQUENCE_CORBA_Char_7* start, int levels, unsigned char useReferences,
      unsigned char useInheritance, unsigned char useContainment,
      unsigned char referencesDirection, unsigned char inheritanceDirection,
      unsigned char containmentDirection, _IDL_SEQUENCE_CORBA_Char_7* target);
  // One of the store's named walks (irdb_walks.h) over search_recursive.
  _IDL_SEQUENCE_sequence_CORBA_Char_7_0* walk(const Walk& walk, _IDL_SEQUENCE_CORBA_Char_7* start,
                                              _IDL_SEQUENCE_CORBA_Char_7* target = nullptr);
  // The IIDs of found that the walk has not reached before, in their order,
  // moved out of found and added to the work set.
  _IDL_SEQUENCE_sequence_CORBA_Char_7_0* get_candidates_list(
      _IDL_SEQUENCE_sequence_CORBA_Char_7_0* found);

  // Everything a destroy of the object would remove besides the object: the
  // objects referring to it, the interfaces derived from it and its
  // members, transitively, in ascending IID order.
  _IDL_SEQUENCE_sequence_CORBA_Char_7_0* deletion_set(_IDL_SEQUENCE_CORBA_Char_7* iid);
  // Deletes the object's own references, base links and memberships.
  void remove_relations(_IDL_SEQUENCE_CORBA_Char_7* iid);
  // Rewrites every relation row in which the old IID stands in the first
  // IID column of its table (firstColumn) or in the second, to the new IID.
  void rewrite_relations(_IDL_SEQUENCE_CORBA_Char_7* oldIid, const char* newIid,
                         bool firstColumn);

  void* csMutex = nullptr;                  // the store lock, re-entrant
  IRBucketTable* bucketTable = nullptr;     // containment
  IRInherTable* inherTable = nullptr;       // inheritance
  IRReferTable* referTable = nullptr;       // references
  IRWorkTable* workTable = nullptr;         // the in-memory work set
  IRRepdatTable* repdatTable = nullptr;     // the objects
  unsigned char inUserTransaction = 0;
  IRDataBase* database = nullptr;           // the session

  friend class IRTable;         // table objects take the session from their IRDB
  friend class IRDBInternals;   // tests reach the walk through it
};
