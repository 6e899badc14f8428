#include "clients.h"

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include <floor.hh>

#include "setup.h"

namespace irstore::serve_bench {

namespace {

// Every operation created has a name of its own, across runs.
std::atomic<long> created_count{0};

// One client: its own references, and the call of each workload.
class Client {
 public:
  virtual ~Client() = default;
  virtual void call(Workload workload) = 0;

 protected:
  Client(CORBA::ORB_ptr orb, const std::string& server_ior) {
    CORBA::Object_var object = orb->string_to_object(server_ior.c_str());
    root_ = CORBA::Repository::_narrow(object);
    long_type_ = root_->get_primitive(CORBA::pk_long);
    parameters_ = created_parameters(long_type_);
  }
  std::string next_name() { return "made" + std::to_string(++created_count); }

  CORBA::Repository_var root_;
  CORBA::IDLType_var long_type_;
  CORBA::ParDescriptionSeq parameters_;
};

template <class Interface>
typename Interface::_ptr_type definition(CORBA::Repository_ptr root, const char* id) {
  CORBA::Contained_var found = root->lookup_id(id);
  return Interface::_narrow(found);
}

class ServerClient : public Client {
 public:
  ServerClient(CORBA::ORB_ptr orb, const std::string& server_ior)
      : Client(orb, server_ior),
        big_(definition<CORBA::InterfaceDef>(root_, kBig)),
        hundred_(definition<CORBA::ModuleDef>(root_, kHundred)),
        grow_(definition<CORBA::InterfaceDef>(root_, kGrow)) {}

  void call(Workload workload) override {
    switch (workload) {
      case Workload::LookupId: {
        CORBA::Contained_var found = root_->lookup_id(kLookedUp);
        break;
      }
      case Workload::DescribeInterface: {
        CORBA::InterfaceDef::FullInterfaceDescription_var description = big_->describe_interface();
        break;
      }
      case Workload::Contents: {
        CORBA::ContainedSeq_var contents = hundred_->contents(CORBA::dk_all, false);
        break;
      }
      case Workload::CreateOperation: {
        std::string name = next_name(), id = std::string("IDL:Bench/Grow/") + name + ":1.0";
        CORBA::OperationDef_var created =
            grow_->create_operation(id.c_str(), name.c_str(), "1.0", long_type_, CORBA::OP_NORMAL, parameters_,
                                    CORBA::ExceptionDefSeq(), CORBA::ContextIdSeq());
        break;
      }
    }
  }

 private:
  CORBA::InterfaceDef_var big_;
  CORBA::ModuleDef_var hundred_;
  CORBA::InterfaceDef_var grow_;
};

// The same calls, with the same arguments, on the floor.
class FloorClient : public Client {
 public:
  FloorClient(CORBA::ORB_ptr orb, const std::string& server_ior, const std::string& floor_ior)
      : Client(orb, server_ior) {
    CORBA::Object_var object = orb->string_to_object(floor_ior.c_str());
    floor_ = IrstoreBench::Floor::_narrow(object);
  }

  void call(Workload workload) override {
    switch (workload) {
      case Workload::LookupId: {
        CORBA::Contained_var found = floor_->lookup_id(kLookedUp);
        break;
      }
      case Workload::DescribeInterface: {
        CORBA::InterfaceDef::FullInterfaceDescription_var description = floor_->describe_interface();
        break;
      }
      case Workload::Contents: {
        CORBA::ContainedSeq_var contents = floor_->contents(CORBA::dk_all, false);
        break;
      }
      case Workload::CreateOperation: {
        std::string name = next_name(), id = std::string("IDL:Bench/Grow/") + name + ":1.0";
        CORBA::OperationDef_var created =
            floor_->create_operation(id.c_str(), name.c_str(), "1.0", long_type_, CORBA::OP_NORMAL, parameters_,
                                     CORBA::ExceptionDefSeq(), CORBA::ContextIdSeq());
        break;
      }
    }
  }

 private:
  IrstoreBench::Floor_var floor_;
};

}  // namespace

const char* workload_name(Workload workload) {
  switch (workload) {
    case Workload::LookupId: return "lookup_id";
    case Workload::DescribeInterface: return "describe_interface";
    case Workload::Contents: return "contents";
    case Workload::CreateOperation: return "create_operation";
  }
  return "?";
}

CORBA::ParDescriptionSeq created_parameters(CORBA::IDLType_ptr long_type) {
  CORBA::ParDescriptionSeq parameters(1);
  parameters.length(1);
  parameters[0].name = "n";
  parameters[0].type = CORBA::TypeCode::_duplicate(CORBA::_tc_long);
  parameters[0].type_def = CORBA::IDLType::_duplicate(long_type);
  parameters[0].mode = CORBA::PARAM_IN;
  return parameters;
}

Measure measure(CORBA::ORB_ptr orb, const std::string& server_ior, const std::string& floor_ior, bool floor,
                Workload workload, int clients, std::chrono::milliseconds time) {
  using Clock = std::chrono::steady_clock;
  constexpr auto kWarmUp = std::chrono::milliseconds(200);
  std::vector<std::unique_ptr<Client>> made;
  for (int i = 0; i < clients; ++i) {
    if (floor) {
      made.push_back(std::make_unique<FloorClient>(orb, server_ior, floor_ior));
    } else {
      made.push_back(std::make_unique<ServerClient>(orb, server_ior));
    }
  }
  Clock::time_point start = Clock::now() + kWarmUp, end = start + time;
  std::atomic<long> calls{0};
  std::vector<std::thread> threads;
  for (std::unique_ptr<Client>& client : made) {
    threads.emplace_back([&, client = client.get()] {
      long counted = 0;
      for (Clock::time_point now = Clock::now(); now < end; now = Clock::now()) {
        client->call(workload);
        if (now >= start) ++counted;
      }
      calls += counted;
    });
  }
  for (std::thread& thread : threads) thread.join();
  Measure result;
  result.calls = calls;
  double seconds = std::chrono::duration<double>(time).count();
  result.calls_per_second = result.calls / seconds;
  result.us_per_call = result.calls ? seconds * 1e6 * clients / result.calls : 0;
  return result;
}

}  // namespace irstore::serve_bench
