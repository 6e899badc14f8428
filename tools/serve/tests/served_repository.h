// The repository that a server test process talks to: made on the engine
// the suite runs on (IRSTORE_TEST_ENGINE), loaded with the test IDL, the IDL
// make run loads and the Interface Repository's own, and served by a real
// irstore-serve process (started as irstore serve) on a free port of
// localhost, or by two that publish each other's address besides their
// own. The first test that asks for it starts it; it stops when the tests
// end.
#pragma once

#ifndef ENABLE_CLIENT_IR_SUPPORT
#define ENABLE_CLIENT_IR_SUPPORT
#endif
#include <omniORB4/CORBA.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include <irstore_access/access.h>

#include "child_process.h"

// How the suite's repository is served.
struct Serving {
  bool writable = false;  // irstore serve --writable
  int servers = 1;        // 2: each publishes both addresses in its references
};

class ServedRepository {
 public:
  // The first call decides how it is served.
  static ServedRepository& shared(const Serving& serving);
  // As started, or read-only by one server when nothing started it yet.
  static ServedRepository& shared();
  // Stops the shared one, if it was started: when the tests end.
  static void release_shared();

  ~ServedRepository();
  ServedRepository(const ServedRepository&) = delete;
  ServedRepository& operator=(const ServedRepository&) = delete;

  // The test process's ORB: its InterfaceRepository is the first server.
  CORBA::ORB_ptr orb() { return orb_.in(); }
  // A new reference to the root, from corbaloc::127.0.0.1:PORT/InterfaceRepository.
  CORBA::Repository_ptr repository();
  // The root as a server publishes it in its IOR file.
  CORBA::Repository_ptr published_repository(int server = 0);
  // The store of the same repository, opened in this process.
  irstore::access::Store& store();
  // Runs the irstore tool on the repository: irstore --db ALIAS ARGUMENTS.
  ProgramRun tool(const std::vector<std::string>& arguments);

  // Stops a server with the signal and returns its exit status.
  int stop(int signal, int server = 0);
  // Waits for a server to end by itself, and returns its exit status.
  int wait(int server = 0);
  // Starts a server again on the same port.
  void start(int server = 0);
  // What a server wrote on standard output and error.
  std::string log(int server = 0);
  // On PostgreSQL: the server database of the repository.
  const std::string& database() const { return database_; }

 private:
  explicit ServedRepository(const Serving& serving);
  void load();

  Serving serving_;
  std::string home_;
  std::string database_;  // on PostgreSQL: the server database of the alias
  std::vector<unsigned short> ports_;
  std::vector<std::unique_ptr<ChildProcess>> servers_;
  CORBA::ORB_var orb_;
  std::unique_ptr<irstore::access::Store> store_;
};

// Runs a call that must raise the system exception with the minor code.
template <class Exception, class Call>
void expect_raises(Call call, CORBA::ULong minor) {
  try {
    call();
    ADD_FAILURE() << "nothing raised";
  } catch (const Exception& e) {
    EXPECT_EQ(e.minor(), minor);
  }
}

// The definition with the repository id, as the server's object of its kind.
template <class Interface>
typename Interface::_ptr_type served(const std::string& id) {
  CORBA::Repository_var repository = ServedRepository::shared().repository();
  CORBA::Contained_var found = repository->lookup_id(id.c_str());
  return Interface::_narrow(found);
}
