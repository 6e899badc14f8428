// The timed calls, made by client threads on connections of their own,
// against the server or against the floor.
#pragma once

#include <chrono>
#include <string>

#ifndef ENABLE_CLIENT_IR_SUPPORT
#define ENABLE_CLIENT_IR_SUPPORT
#endif
#include <omniORB4/CORBA.h>

namespace irstore::serve_bench {

enum class Workload { LookupId, DescribeInterface, Contents, CreateOperation };
constexpr Workload kWorkloads[] = {Workload::LookupId, Workload::DescribeInterface, Workload::Contents,
                                   Workload::CreateOperation};
const char* workload_name(Workload workload);

// The parameters of every operation the benchmark creates: one in long.
CORBA::ParDescriptionSeq created_parameters(CORBA::IDLType_ptr long_type);

struct Measure {
  long calls = 0;
  double us_per_call = 0;       // each client's mean wait for an answer
  double calls_per_second = 0;  // all clients together
};

// Calls the workload from `clients` threads at once for the time given,
// after a warm-up, on the server (floor false) or on the floor.
Measure measure(CORBA::ORB_ptr orb, const std::string& server_ior, const std::string& floor_ior, bool floor,
                Workload workload, int clients, std::chrono::milliseconds time);

}  // namespace irstore::serve_bench
