// The repository that a server test process talks to: made on the engine
// the suite runs on (IRSTORE_TEST_ENGINE), loaded with the test IDL, the IDL
// make run loads and the Interface Repository's own, and served by a real
// irstore-serve process (started as irstore serve) on a free port of
// localhost. The first test that asks for it starts it; it stops when the
// tests end.
#pragma once

#ifndef ENABLE_CLIENT_IR_SUPPORT
#define ENABLE_CLIENT_IR_SUPPORT
#endif
#include <omniORB4/CORBA.h>

#include <memory>
#include <string>
#include <vector>

#include <irstore_access/access.h>

#include "child_process.h"

class ServedRepository {
 public:
  static ServedRepository& shared();
  // Stops the shared one, if it was started: when the tests end.
  static void release_shared();

  ~ServedRepository();
  ServedRepository(const ServedRepository&) = delete;
  ServedRepository& operator=(const ServedRepository&) = delete;

  // The test process's ORB: its InterfaceRepository is this server.
  CORBA::ORB_ptr orb() { return orb_.in(); }
  // A new reference to the root, from corbaloc::127.0.0.1:PORT/InterfaceRepository.
  CORBA::Repository_ptr repository();
  // The root as the server publishes it in its IOR file.
  CORBA::Repository_ptr published_repository();
  // The store of the same repository, opened in this process.
  irstore::access::Store& store();
  // Runs the irstore tool on the repository: irstore --db ALIAS ARGUMENTS.
  ProgramRun tool(const std::vector<std::string>& arguments);

  // Stops the server with the signal and returns its exit status.
  int stop(int signal);
  // Starts it again on the same port.
  void start();

 private:
  ServedRepository();
  void load();

  std::string home_;
  std::string database_;  // on PostgreSQL: the server database of the alias
  unsigned short port_ = 0;
  std::unique_ptr<ChildProcess> server_;
  CORBA::ORB_var orb_;
  std::unique_ptr<irstore::access::Store> store_;
};

// The definition with the repository id, as the server's object of its kind.
template <class Interface>
typename Interface::_ptr_type served(const std::string& id) {
  CORBA::Repository_var repository = ServedRepository::shared().repository();
  CORBA::Contained_var found = repository->lookup_id(id.c_str());
  return Interface::_narrow(found);
}
