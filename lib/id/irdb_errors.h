// The store's two error translations, and allocation that fails with the
// store's own exception.
#pragma once

#include <memory>
#include <new>
#include <utility>

#include <qeloridm/irstore.h>

// Inside IRDB operations: returns when e carries no SQLSTATE ("00000"), so
// that the caller decides what follows; otherwise throws a plain
// IRStore::Exception with e's code, SQLSTATE and message (moved from e).
void rethrow_if_sql_error(IRStore::Exception& e);

// Below IRDB: turns the session's error into the store exception that stands
// for it (IRStore::Duplicate for "23000", IRStore::Unrecoverable otherwise),
// with e's SQLSTATE and a copy of its message, reporting a database failure
// through vekdError. Returns only for an e that carries "00000".
void translate_irs_error(IRSError& e);

// translate_irs_error for errors that always carry an SQLSTATE, as the
// session's do: it never returns.
[[noreturn]] void raise_translated(IRSError& e);

// The translations of an operation's steps, by name. Each runs step and
// gives back its result; a database failure in it (an IRStore::Exception
// with an SQLSTATE) leaves through rethrow_if_sql_error. They differ in what
// any other store failure of the step becomes.
template <class Step, class Otherwise>
decltype(auto) translate_store_failure(Step&& step, Otherwise&& otherwise) {
  try {
    return step();
  } catch (IRStore::Exception& e) {
    rethrow_if_sql_error(e);
    otherwise();
    throw;
  }
}

// A missing row (or object) is IRStore::NotExist.
template <class Step>
decltype(auto) missing_is_not_exist(Step&& step) {
  return translate_store_failure(step, [] { throw IRStore::NotExist(); });
}

// Anything else is IRStore::IncoherentIR: the rows the step read
// contradict what the operation found before.
template <class Step>
decltype(auto) failure_is_incoherent(Step&& step) {
  return translate_store_failure(step, [] { throw IRStore::IncoherentIR(); });
}

// Anything else passes on as it is: a failure without SQLSTATE is still a
// failure.
template <class Step>
decltype(auto) failure_passes_on(Step&& step) {
  return translate_store_failure(step, [] {});
}

// Below IRDB: the session's error becomes the store exception that stands
// for it (raise_translated).
template <class Step>
decltype(auto) session_errors_translated(Step&& step) {
  try {
    return step();
  } catch (IRSError& e) {
    raise_translated(e);
  }
}

// Runs work and gives back its result. Want of memory inside it (a standard
// container, a constructor, the IR object library) leaves as
// IRStore::OutOfMemory, the exception callers of the store are promised,
// never as std::bad_alloc.
template <class Work>
decltype(auto) translate_bad_alloc(Work&& work) {
  try {
    return work();
  } catch (const std::bad_alloc&) {
    throw IRStore::OutOfMemory();
  }
}

// A new T, or IRStore::OutOfMemory.
template <class T, class... Args>
std::unique_ptr<T> make_owned(Args&&... args) {
  T* made = translate_bad_alloc([&] { return new (std::nothrow) T(std::forward<Args>(args)...); });
  if (!made) throw IRStore::OutOfMemory();
  return std::unique_ptr<T>(made);
}

// A new array of count characters, or IRStore::OutOfMemory.
std::unique_ptr<char[]> make_text_buffer(std::size_t count);
