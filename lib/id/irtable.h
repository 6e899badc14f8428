// The table-access objects: one per table, each bound to its IRDB's session,
// answering the set questions that single-row records cannot (which objects
// a container holds, which interfaces derive from one, which names match a
// pattern). They own nothing and keep no state besides the session.
//
// An IID octet sequence holds the 32 IID characters and a NUL; an IID list
// is a new sequence of them, owned by the caller.
#pragma once

#include <qeloridm/irstorec.h>

class IRDB;
class IRDataBase;
class StatementText;

using IIDOctets = _IDL_SEQUENCE_CORBA_Char_7;
using IIDList = _IDL_SEQUENCE_sequence_CORBA_Char_7_0;

// Where each direction of a relation table leads, and how to delete an
// object's own rows of it.
struct RelationQueries {
  const char* forward;   // the second IID column of the rows whose first is the IID
  const char* backward;  // the first IID column of the rows whose second is the IID
  const char* remove;    // the rows whose IID column is the IID
};

class IRTable {
 public:
  // The database name is not used; the session is the IRDB's.
  IRTable(const char* databaseName, IRDB* owner);
  virtual ~IRTable() = default;
  IRTable(const IRTable&) = delete;
  IRTable& operator=(const IRTable&) = delete;

  // Part of the layout; nothing calls them.
  virtual void hook_a() {}
  virtual void hook_b() {}

  // The questions about IRREPDAT; only IRRepdatTable answers them.
  virtual bool exists_iid(IIDOctets* iid, int missing_action);
  virtual IIDList* find_by_name(const char* pattern, const char* kinds, bool caseSensitive);
  virtual void name_and_kind(const char* iid, char* name, char* kind);
  virtual void repid_of(const char* iid, char* repid);
  virtual bool match_name_and_kind(IIDOctets* iid, const char* pattern, const char* kinds,
                                   bool caseSensitive);
  virtual bool match_kind(IIDOctets* iid, const char* kinds);

  // A new 65-byte text (delete[]): the 32 characters of first, then of
  // second, then NUL. Either argument not 32 characters long is refused with
  // CORBA::BAD_PARAM.
  virtual char* make_key(const char* first, const char* second);
  // Deletes the object's rows of a relation table.
  virtual void remove_all(IIDOctets* iid) = 0;

 protected:
  // Runs a query of one IID column and gathers its rows, in the order the
  // database delivers them, into a new list (maximum 10, doubled when full).
  IIDList* gather_iids(const StatementText& query);
  // related_iids and remove_all of a relation table.
  IIDList* related_rows(const RelationQueries& queries, IIDOctets* iid, bool direction);
  void delete_rows(const RelationQueries& queries, IIDOctets* iid);

  IRDataBase* session;
};

class IRBucketTable : public IRTable {
 public:
  using IRTable::IRTable;
  // direction true: the members of the container iid; false: the
  // containers holding iid.
  virtual IIDList* related_iids(IIDOctets* iid, bool direction);
  // Deletes iid's memberships, not the rows in which it is the container.
  void remove_all(IIDOctets* iid) override;
};

class IRInherTable : public IRTable {
 public:
  using IRTable::IRTable;
  // direction true: the direct bases of iid; false: its direct derivations.
  virtual IIDList* related_iids(IIDOctets* iid, bool direction);
  // Deletes iid's links to its bases.
  void remove_all(IIDOctets* iid) override;
};

class IRReferTable : public IRTable {
 public:
  using IRTable::IRTable;
  // direction true: what iid refers to; false: what refers to iid.
  virtual IIDList* related_iids(IIDOctets* iid, bool direction);
  // Deletes iid's own references.
  void remove_all(IIDOctets* iid) override;
};

class IRWorkTable : public IRTable {
 public:
  using IRTable::IRTable;
  void remove_all(IIDOctets*) override {}
  // The work set in its (ascending) order; the arguments are not looked at.
  virtual IIDList* list_all(IIDOctets* unused, bool unusedDirection);
  // Releases every entry of the work set.
  virtual void clear_all();
};

class IRRepdatTable : public IRTable {
 public:
  using IRTable::IRTable;
  // True when iid has a row; otherwise IRStore::IncoherentIR for
  // missing_action 1 and IRStore::NotExist for any other value.
  bool exists_iid(IIDOctets* iid, int missing_action) override;
  // The IIDs of the objects whose NAME matches the LIKE pattern and whose
  // KIND is in the kind list.
  IIDList* find_by_name(const char* pattern, const char* kinds, bool caseSensitive) override;
  // Fills name (at least 255 bytes, blank-padded to 254) and kind (at least
  // 13 bytes); leaves both unchanged when iid has no row.
  void name_and_kind(const char* iid, char* name, char* kind) override;
  // Fills repid (at least 4096 bytes); unchanged when iid has no row.
  void repid_of(const char* iid, char* repid) override;
  bool match_name_and_kind(IIDOctets* iid, const char* pattern, const char* kinds,
                           bool caseSensitive) override;
  bool match_kind(IIDOctets* iid, const char* kinds) override;
  void remove_all(IIDOctets*) override {}

 private:
  // Runs a query and fetches its first row into count buffers.
  int fetch_first(const StatementText& query, int count, char** columns, int* lengths);
};

// The text an IID octet sequence holds; CORBA::BAD_PARAM unless its octets
// hold a NUL, with at most 32 characters before it.
const char* iid_text(const IIDOctets* iid);
inline const char* iid_text(const IIDOctets& iid) { return iid_text(&iid); }

// The repository id of a stored object as a new CORBA string. An IID that
// a relation names must have a row: one without a row, or a read that fails
// without SQLSTATE, makes the repository incoherent.
char* stored_repository_id(IRRepdatTable& table, const char* iid);

// CORBA::BAD_PARAM for a null name pattern or one over 255 characters.
void check_name_pattern(const char* pattern);
// CORBA::BAD_PARAM for a null kind list, one over 31 characters, or one
// without any kind.
void check_kind_list(const char* kinds);

// Appends a name pattern (upper-cased for a search that ignores case) and
// its blank fill: a pattern that does not end in "%" is padded with blanks to
// the 254-character width of NAME. Checks it first (check_name_pattern).
void append_name_pattern(StatementText& sql, const char* pattern, bool caseSensitive);
// Appends "' AND (KIND = '...' OR KIND = '...')" for a kind list of decimal
// kinds separated by ":", the kind 8 (typedef) standing for 9 to 12. Checks
// it first (check_kind_list).
void append_kind_clause(StatementText& sql, const char* kinds);
