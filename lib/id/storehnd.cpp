#include <qeloridm/storehnd.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <memory>

#include <openssl/err.h>
#include <openssl/evp.h>

#include <qelororm/qel.h>
#include <qeloridm/column_widths.h>
#include <qeloridm/irstore.h>

#include "irdb_errors.h"
#include "owned.h"

namespace {

// The debug setting is read on the first call and kept for the process:
// every IID of a run must be computed the same way.
int hash_debug() {
  static std::atomic<int> setting{-1};
  int value = setting.load(std::memory_order_relaxed);
  if (value < 0) {
    value = QelGetParmInt("com.orvo.CORBA.irdbHashDebug", 0) != 0 ? 1 : 0;
    setting.store(value, std::memory_order_relaxed);
  }
  return value;
}

// OpenSSL looks an algorithm up by name, and allocates a context, for every
// digest made through EVP_Digest(EVP_md5()): each thread fetches MD5 once
// (from its library context, the process's unless it chose its own) and
// keeps one context for all its digests.
struct Md5 {
  EVP_MD* algorithm = EVP_MD_fetch(nullptr, "MD5", nullptr);
  EVP_MD_CTX* context = EVP_MD_CTX_new();
  ~Md5() {
    EVP_MD_CTX_free(context);
    EVP_MD_free(algorithm);
  }
};

// A crypto library that refuses MD5 (one that offers only FIPS-approved
// algorithms does) leaves the store without IIDs; it says so, and why.
[[noreturn]] void throw_no_digest() {
  char reason[256] = "";
  ERR_error_string_n(ERR_get_error(), reason, sizeof reason);
  ERR_clear_error();
  auto message = make_text_buffer(512);
  std::snprintf(message.get(), 512,
                "The MD5 digest, from which IIDs are made, is not available from OpenSSL: %s", reason);
  throw IRStore::Unrecoverable(message.release());
}

void digest_md5(const char* data, std::size_t length, unsigned char* digest) {
  thread_local Md5 md5;
  if (!md5.context) throw IRStore::OutOfMemory();
  unsigned int digest_length = 0;
  if (!md5.algorithm || !EVP_DigestInit_ex2(md5.context, md5.algorithm, nullptr) ||
      !EVP_DigestUpdate(md5.context, data, length) ||
      !EVP_DigestFinal_ex(md5.context, digest, &digest_length)) {
    throw_no_digest();
  }
}

std::unique_ptr<_IDL_SEQUENCE_CORBA_Char_7> new_empty_iid() {
  return make_owned<_IDL_SEQUENCE_CORBA_Char_7>();
}

}  // namespace

StoreHandle::StoreHandle() : repid(nullptr), iid(new_empty_iid().release()) {}

StoreHandle::StoreHandle(char* repid, _IDL_SEQUENCE_CORBA_Char_7* iid, unsigned char populate)
    : repid(nullptr), iid(nullptr) {
  // Both are adopted at once: held here until the handle is whole, they
  // are freed on every way out.
  CorbaString held_repid(repid);
  std::unique_ptr<_IDL_SEQUENCE_CORBA_Char_7> held_iid(iid);
  if (!held_iid) held_iid = new_empty_iid();
  if (populate) fill_iid(*held_iid, held_repid.get());
  this->repid = held_repid.release();
  this->iid = held_iid.release();
}

StoreHandle::~StoreHandle() {
  CORBA::string_free(repid);
  delete iid;
}

_IDL_SEQUENCE_CORBA_Char_7* StoreHandle::populateIRIID() {
  fill_iid(*iid, repid);
  return iid;
}

void StoreHandle::fill_iid(_IDL_SEQUENCE_CORBA_Char_7& iid, const char* repid) {
  if (iid.length() != 0) return;
  if (!repid) throw CORBA::BAD_PARAM(0, CORBA::COMPLETED_NO);
  // Made aside and published whole: a digest that fails leaves the handle
  // without an IID, never with octets that no digest wrote.
  char text[column_width::kIid + 1];
  generateIRIID(repid, text);
  iid.length(column_width::kIid + 1);
  std::memcpy(iid.get_buffer(), text, sizeof text);
}

void StoreHandle::generateIRIID(const char* repid, char* out) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  std::size_t length = std::strlen(repid);
  digest_md5(repid, length, digest);

  if (hash_debug()) {
    std::memset(out, ' ', column_width::kIid);
    std::size_t taken = length < column_width::kIid ? length : column_width::kIid;
    std::memcpy(out + column_width::kIid - taken, repid + length - taken, taken);
  } else {
    static constexpr char kDigits[] = "0123456789abcdef";
    for (unsigned i = 0; i < 16; ++i) {
      out[2 * i] = kDigits[digest[i] >> 4];
      out[2 * i + 1] = kDigits[digest[i] & 0x0f];
    }
  }
  out[column_width::kIid] = '\0';
}
