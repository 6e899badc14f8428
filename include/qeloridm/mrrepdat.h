// Irrepdat: one row of IRREPDAT, the table of stored objects.
//
//   IID     CHAR(32)      the object's IID, the key
//   REPID   VARCHAR(4095) its repository id
//   NAME    CHAR(254)     its simple name, blank-padded
//   KIND    VARCHAR(12)   its CORBA::DefinitionKind in decimal
//   STREAM  LONG VARCHAR  its state in stream text, at most 32700 characters
//
// A record holds the row in fixed buffers inside one heap block and runs the
// single-row operations on the session that connected last. Setters refuse
// text wider than the column with CORBA::BAD_PARAM.
#pragma once

#include <qeloridm/column_widths.h>
#include <qeloridm/export.h>

class IRDataBase;

class QELORIDM_EXPORT Irrepdat {
 public:
  Irrepdat();
  ~Irrepdat();
  Irrepdat(const Irrepdat&) = delete;
  Irrepdat& operator=(const Irrepdat&) = delete;

  void setIid(const char* text);
  void setRepid(const char* text);
  void setName(const char* text);
  void setKind(const char* text);
  void setStream(const char* text);

  const char* iid() const { return iid_; }
  const char* repid() const { return repid_; }
  const char* name() const { return name_; }
  const char* kind() const { return kind_; }
  const char* stream() const { return stream_; }

  // Reads the row of iid() into every buffer; IRStore::NotExist without one.
  void retrieve();
  // Fetches the first row of the query last prepared on the session into
  // the buffers; 1 for a row, 0 for none.
  int fetch();
  // Inserts the row; IRStore::Duplicate when the IID has one already. A
  // database failure of the insert passes on as IRSError.
  void add();
  // Rewrites all five columns of the row of iid(); a database failure, and
  // a missing row, pass on as IRSError.
  void update();
  // Reads the row (IRStore::NotExist without one, nothing deleted), then
  // deletes it: the buffers hold the deleted row afterwards.
  void del();
  // The fields in column order, separated by blanks (shortened to fit).
  char* forDisplay();

  // Null indicators of REPID and STREAM, bound by the static insert and update.
  short repid_indicator = -1;
  short stream_indicator = -1;

  static constexpr int kColumns = 5;
  // The column buffers' sizes, NUL included.
  static constexpr int kIidSize = column_width::kIid + 1;
  static constexpr int kRepidSize = column_width::kRepid + 1;
  static constexpr int kNameSize = column_width::kName + 1;
  static constexpr int kKindSize = column_width::kKind + 1;
  static constexpr int kStreamSize = column_width::kStream + 1;

 private:
  // Runs query (when given) and fetches its first row into the buffers.
  int fetch_row(IRDataBase& session, const char* query);
  // Reads the row of iid() into the buffers; false without one. A missing
  // row is an answer here, not a failure: add() asks it of every new IID.
  bool read_row();

  char* storage;  // every column buffer, back to back
  char* iid_;
  char* repid_;
  char* name_;
  char* kind_;
  char* stream_;
  char* column_buffers[kColumns];
  int column_lengths[kColumns];
  char display_text[1024];
};
