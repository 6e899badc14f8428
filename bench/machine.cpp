#include "machine.h"

#include <sys/utsname.h>

#include <fstream>
#include <thread>

std::string machine_description() {
  utsname name{};
  uname(&name);
  std::string cpu = "unknown CPU";
  std::ifstream cpuinfo("/proc/cpuinfo");
  for (std::string line; std::getline(cpuinfo, line);) {
    if (line.rfind("model name", 0) == 0) {
      cpu = line.substr(line.find(':') + 2);
      break;
    }
  }
  return cpu + ", " + std::to_string(std::thread::hardware_concurrency()) + " cores, " + name.sysname + " " +
         name.release;
}
