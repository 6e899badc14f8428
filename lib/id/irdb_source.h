// Names under which the store's modules report to vekdError and trace.
#pragma once

inline constexpr const char* kIrdbSource = "lib/id/irdb";
inline constexpr const char* kSessionSource = "mrrepdat";
// The module version text of lock traces.
inline constexpr const char* kIrdbVersion = "irstore 0.1 lib/id/irdb";
