// StoreHandle: how the IR object implementations name a stored object.
//
// Every stored object is keyed by its IID: the MD5 digest (RFC 1321) of its
// repository id, as 32 lower-case hexadecimal digits. A handle carries the
// repository id and, once computed, the IID (33 octets, NUL included).
#pragma once

#include <qeloridm/irstorec.h>
#include <qeloridm/export.h>

class QELORIDM_EXPORT StoreHandle {
 public:
  // No repository id and an empty IID.
  StoreHandle();
  // Adopts repid (a CORBA string, freed by the destructor) and iid (a new
  // empty one when null); computes the IID at once when populate is true.
  StoreHandle(char* repid, _IDL_SEQUENCE_CORBA_Char_7* iid, unsigned char populate);
  ~StoreHandle();
  StoreHandle(const StoreHandle&) = delete;
  StoreHandle& operator=(const StoreHandle&) = delete;

  // Computes the IID from the repository id if the handle has none yet, and
  // returns it (still owned by the handle). A handle that already holds an
  // IID needs no repository id; one without both throws CORBA::BAD_PARAM.
  // Without the MD5 digest (a crypto library that refuses it) the handle
  // keeps no IID and IRStore::Unrecoverable says why.
  _IDL_SEQUENCE_CORBA_Char_7* populateIRIID();

  char* repid;                       // owned; may be null
  _IDL_SEQUENCE_CORBA_Char_7* iid;   // owned; never null

 private:
  // Fills an empty iid from repid; see populateIRIID.
  static void fill_iid(_IDL_SEQUENCE_CORBA_Char_7& iid, const char* repid);
  // Writes the 32 IID characters and a NUL into out. With the ORB parameter
  // "com.orvo.CORBA.irdbHashDebug" set, the IID is instead the repository
  // id's last 32 characters, right-aligned in blanks: readable, but unique
  // only while those characters are.
  static void generateIRIID(const char* repid, char* out);
};

// The result of the inheritance queries. The caller owns the structure, the
// array (delete[]) and every handle in it (delete).
struct QELORIDM_EXPORT StoreHandleSeq {
  unsigned maximum;
  unsigned length;
  StoreHandle** buffer;
};
