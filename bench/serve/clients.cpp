#include "clients.h"

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include <floor.hh>

#include "setup.h"

namespace irstore::serve_bench {

namespace {

// The timed call of a workload on whatever answers it: the server's
// objects or the floor, which take the same arguments.
template <class Lookup, class Describe, class Contents, class Create>
void call_on(Workload workload, Lookup lookup, Describe describe, Contents contents, Create create,
             CORBA::IDLType_ptr long_type, const CORBA::ParDescriptionSeq& parameters) {
  switch (workload) {
    case Workload::LookupId: {
      CORBA::Contained_var found = lookup->lookup_id(kLookedUp);
      break;
    }
    case Workload::DescribeInterface: {
      CORBA::InterfaceDef::FullInterfaceDescription_var description = describe->describe_interface();
      break;
    }
    case Workload::Contents: {
      CORBA::ContainedSeq_var found = contents->contents(CORBA::dk_all, false);
      break;
    }
    case Workload::CreateOperation: {
      // Every operation created has a name of its own, across runs.
      static std::atomic<long> created{0};
      std::string name = "made" + std::to_string(++created), id = "IDL:Bench/Grow/" + name + ":1.0";
      CORBA::OperationDef_var made = create->create_operation(id.c_str(), name.c_str(), "1.0", long_type,
                                                              CORBA::OP_NORMAL, parameters,
                                                              CORBA::ExceptionDefSeq(), CORBA::ContextIdSeq());
      break;
    }
  }
}

template <class Interface>
typename Interface::_ptr_type definition(CORBA::Repository_ptr root, const char* id) {
  CORBA::Contained_var found = root->lookup_id(id);
  return Interface::_narrow(found);
}

// One client: its own references, to the server's objects or to the floor.
class Client {
 public:
  Client(CORBA::ORB_ptr orb, const std::string& server_ior, const std::string* floor_ior) {
    CORBA::Object_var object = orb->string_to_object(server_ior.c_str());
    root_ = CORBA::Repository::_narrow(object);
    long_type_ = root_->get_primitive(CORBA::pk_long);
    parameters_ = created_parameters(long_type_);
    if (floor_ior) {
      object = orb->string_to_object(floor_ior->c_str());
      floor_ = IrstoreBench::Floor::_narrow(object);
    } else {
      big_ = definition<CORBA::InterfaceDef>(root_, kBig);
      hundred_ = definition<CORBA::ModuleDef>(root_, kHundred);
      grow_ = definition<CORBA::InterfaceDef>(root_, kGrow);
    }
  }

  void call(Workload workload) {
    if (!CORBA::is_nil(floor_)) {
      IrstoreBench::Floor_ptr floor = floor_.in();
      call_on(workload, floor, floor, floor, floor, long_type_, parameters_);
    } else {
      call_on(workload, root_.in(), big_.in(), hundred_.in(), grow_.in(), long_type_, parameters_);
    }
  }

 private:
  CORBA::Repository_var root_;
  CORBA::IDLType_var long_type_;
  CORBA::ParDescriptionSeq parameters_;
  CORBA::InterfaceDef_var big_;
  CORBA::ModuleDef_var hundred_;
  CORBA::InterfaceDef_var grow_;
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
  for (int i = 0; i < clients; ++i) made.push_back(std::make_unique<Client>(orb, server_ior, floor ? &floor_ior : nullptr));
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
