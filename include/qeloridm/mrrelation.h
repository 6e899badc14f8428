// IrRelation: what the records of the three relation tables share.
//
// A relation table has a 64-character KEYFIELD followed by two 32-character
// IID columns; KEYFIELD is always the two IIDs end to end, in column order.
// A record holds one row in three buffers inside one heap block and runs the
// single-row operations on the session that connected last. Setters refuse
// text wider than the column with CORBA::BAD_PARAM.
#pragma once

#include <qeloridm/column_widths.h>
#include <qeloridm/export.h>

// The statement fragments of one relation table.
struct RelationStatements {
  const char* retrieve;       // "SELECT * FROM T WHERE KEYFIELD = '"
  const char* insert;         // "INSERT INTO T VALUES ('"
  const char* update_first;   // "UPDATE T SET <first column> = '"
  const char* update_second;  // "',<second column> = '"
  const char* update_key;     // "' WHERE KEYFIELD = '"
  const char* remove;         // "DELETE FROM T WHERE KEYFIELD = '"
};

class QELORIDM_EXPORT IrRelation {
 public:
  explicit IrRelation(const RelationStatements& statements);
  ~IrRelation();
  IrRelation(const IrRelation&) = delete;
  IrRelation& operator=(const IrRelation&) = delete;

  void setKey(const char* text);
  const char* key() const { return key_; }

  // Reads the row of key() into every buffer; IRStore::NotExist without one.
  void retrieve();
  // Inserts the row; IRStore::Duplicate, and nothing written, when a row
  // with the key exists (found by reading it first).
  void add();
  // Rewrites the two IID columns of the row of key(); IRStore::NotExist,
  // and nothing written, without one (also when another process deleted it
  // between the read and the UPDATE).
  void update();
  // Reads the row (IRStore::NotExist without one, nothing deleted), then
  // deletes it: the buffers hold the deleted row afterwards.
  void del();
  // key, first IID and second IID, separated by blanks.
  char* forDisplay();

  // The column buffers' sizes, NUL included.
  static constexpr int kKeySize = column_width::kKey + 1;
  static constexpr int kIidSize = column_width::kIid + 1;

 protected:
  void setFirst(const char* text);
  void setSecond(const char* text);
  const char* first() const { return first_; }
  const char* second() const { return second_; }

 private:
  // Reads the row of key() into the buffers; false without one. A missing
  // row is an answer here, not a failure: add() asks it of every new key.
  bool read_row();

  const RelationStatements& statements_;
  char* storage;  // the three column buffers, back to back
  char* key_;
  char* first_;
  char* second_;
  char* column_buffers[3];
  int column_lengths[3];
  char display_text[132];
};
