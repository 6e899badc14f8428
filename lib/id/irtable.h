// The table-access objects: one per table, each bound to the IRDB's
// session, answering the set questions that single-row records cannot.
#pragma once

class IRDB;
class IRDataBase;

class IRTable {
 public:
  IRTable(const char* databaseName, IRDB* owner);
  virtual ~IRTable() = default;
  IRTable(const IRTable&) = delete;
  IRTable& operator=(const IRTable&) = delete;

  // Part of the layout; nothing calls them.
  virtual void hook_a() {}
  virtual void hook_b() {}

 protected:
  IRDataBase* session;
};

class IRRepdatTable : public IRTable {
 public:
  using IRTable::IRTable;
};

class IRBucketTable : public IRTable {
 public:
  using IRTable::IRTable;
};

class IRInherTable : public IRTable {
 public:
  using IRTable::IRTable;
};

class IRReferTable : public IRTable {
 public:
  using IRTable::IRTable;
};

class IRWorkTable : public IRTable {
 public:
  using IRTable::IRTable;
};
