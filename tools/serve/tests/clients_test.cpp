// Clients at once: eight threads, whose calls run on connections of their own,
// asking the same questions in different orders get what one client gets.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <thread>

#include "served_repository.h"

namespace {

// What the server says about a definition, in one text: name, kind,
// description kind, and the TypeCode or the interface description.
std::string answers_for(CORBA::Repository_ptr repository, const std::string& id) {
  CORBA::Contained_var found = repository->lookup_id(id.c_str());
  if (CORBA::is_nil(found)) return "nil";
  CORBA::String_var name = found->absolute_name();
  CORBA::Contained::Description_var description = found->describe();
  std::string text = std::string(name.in()) + " " + std::to_string(found->def_kind()) + " " +
                     std::to_string(description->kind);
  CORBA::InterfaceDef_var interface = CORBA::InterfaceDef::_narrow(found);
  if (!CORBA::is_nil(interface)) {
    CORBA::InterfaceDef::FullInterfaceDescription_var full = interface->describe_interface();
    for (CORBA::ULong i = 0; i < full->operations.length(); ++i) text += " " + std::string(full->operations[i].name);
    return text;
  }
  CORBA::IDLType_var type = CORBA::IDLType::_narrow(found);
  if (!CORBA::is_nil(type)) {
    CORBA::TypeCode_var code = type->type();
    text += " " + std::to_string(code->kind());
    if (code->kind() == CORBA::tk_struct || code->kind() == CORBA::tk_union || code->kind() == CORBA::tk_enum) {
      for (CORBA::ULong i = 0; i < code->member_count(); ++i) text += " " + std::string(code->member_name(i));
    }
  }
  CORBA::Container_var container = CORBA::Container::_narrow(found);
  if (!CORBA::is_nil(container)) {
    CORBA::ContainedSeq_var contents = container->contents(CORBA::dk_all, false);
    text += " contents " + std::to_string(contents->length());
  }
  return text;
}

std::vector<std::string> all_ids() {
  std::vector<std::string> ids;
  irstore::access::Store& store = ServedRepository::shared().store();
  std::vector<std::string> pending = {"IDL:irstore.test/ServeTest:1.0", "IDL:omg.org/CosNaming:1.0"};
  while (!pending.empty()) {
    std::string container = pending.back();
    pending.pop_back();
    for (const irstore::access::Definition& d : store.members(container)) {
      ids.push_back(d.id);
      pending.push_back(d.id);
    }
  }
  return ids;
}

TEST(ManyClients, EightAtOnceGetWhatOneGets) {
  std::vector<std::string> ids = all_ids();
  ASSERT_GT(ids.size(), 80u);
  CORBA::Repository_var repository = ServedRepository::shared().repository();
  std::map<std::string, std::string> expected;
  for (const std::string& id : ids) expected[id] = answers_for(repository, id);

  constexpr int kClients = 8;
  std::vector<std::map<std::string, std::string>> got(kClients);
  std::vector<std::string> failures(kClients);
  std::vector<std::thread> clients;
  for (int client = 0; client < kClients; ++client) {
    clients.emplace_back([&, client] {
      try {
        // The ORB opens a connection for each call under way (up to eight);
        // each client asks in an order of its own.
        CORBA::Repository_var own = ServedRepository::shared().repository();
        std::vector<std::string> order = ids;
        std::rotate(order.begin(), order.begin() + static_cast<long>(order.size() * client / kClients), order.end());
        if (client % 2) std::reverse(order.begin(), order.end());
        for (const std::string& id : order) got[client][id] = answers_for(own, id);
      } catch (const CORBA::Exception& e) {
        failures[client] = e._name();
      }
    });
  }
  for (std::thread& client : clients) client.join();
  for (int client = 0; client < kClients; ++client) {
    EXPECT_EQ(failures[client], "") << "client " << client;
    EXPECT_EQ(got[client], expected) << "client " << client;
  }
}

}  // namespace
