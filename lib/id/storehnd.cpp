#include <qeloridm/storehnd.h>

#include <atomic>
#include <cstring>

#include <openssl/evp.h>

#include <qelororm/qel.h>
#include <qeloridm/irstore.h>

namespace {

constexpr int kIidLength = 32;

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
// digest made through EVP_Digest(EVP_md5()): MD5 is fetched once for the
// process and each thread keeps one context for all its digests.
const EVP_MD* md5() {
  static EVP_MD* const fetched = EVP_MD_fetch(nullptr, "MD5", nullptr);
  return fetched;
}

bool digest_md5(const char* data, std::size_t length, unsigned char* digest, unsigned int* digest_length) {
  struct Context {
    EVP_MD_CTX* context = EVP_MD_CTX_new();
    ~Context() { EVP_MD_CTX_free(context); }
  };
  thread_local Context kept;
  const EVP_MD* algorithm = md5();
  return algorithm && kept.context && EVP_DigestInit_ex2(kept.context, algorithm, nullptr) &&
         EVP_DigestUpdate(kept.context, data, length) && EVP_DigestFinal_ex(kept.context, digest, digest_length);
}

_IDL_SEQUENCE_CORBA_Char_7* new_empty_iid() {
  auto* iid = new (std::nothrow) _IDL_SEQUENCE_CORBA_Char_7();
  if (!iid) throw IRStore::OutOfMemory();
  return iid;
}

}  // namespace

StoreHandle::StoreHandle() : repid(nullptr), iid(new_empty_iid()) {}

StoreHandle::StoreHandle(char* repid, _IDL_SEQUENCE_CORBA_Char_7* iid, unsigned char populate)
    : repid(repid), iid(iid) {
  if (!this->iid) {
    try {
      this->iid = new_empty_iid();
    } catch (...) {
      CORBA::string_free(repid);  // adopted: freed on every path
      throw;
    }
  }
  if (populate) populateIRIID();
}

StoreHandle::~StoreHandle() {
  CORBA::string_free(repid);
  delete iid;
}

_IDL_SEQUENCE_CORBA_Char_7* StoreHandle::populateIRIID() {
  if (iid->length() != 0) return iid;
  if (!repid) throw CORBA::BAD_PARAM(0, CORBA::COMPLETED_NO);
  iid->length(kIidLength + 1);
  if (!iid->get_buffer()) throw IRStore::OutOfMemory();
  generateIRIID(repid, reinterpret_cast<char*>(iid->get_buffer()));
  return iid;
}

void StoreHandle::generateIRIID(const char* repid, char* out) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int digest_length = 0;
  std::size_t length = std::strlen(repid);
  if (!digest_md5(repid, length, digest, &digest_length)) {
    throw IRStore::OutOfMemory();  // the digest can only fail for want of memory
  }

  if (hash_debug()) {
    std::memset(out, ' ', kIidLength);
    std::size_t taken = length < kIidLength ? length : kIidLength;
    std::memcpy(out + kIidLength - taken, repid + length - taken, taken);
  } else {
    static constexpr char kDigits[] = "0123456789abcdef";
    for (unsigned i = 0; i < 16; ++i) {
      out[2 * i] = kDigits[digest[i] >> 4];
      out[2 * i + 1] = kDigits[digest[i] & 0x0f];
    }
  }
  out[kIidLength] = '\0';
}
