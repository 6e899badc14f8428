// What a benchmark report says it was measured on.
#pragma once

#include <string>

// The processor, its cores and the kernel ("<model>, 2 cores, Linux 6.1").
std::string machine_description();
