// The failure injection behind tarn_fail_statement.
#ifndef TARN_TEST_HOOKS_H
#define TARN_TEST_HOOKS_H

#include <cstdint>
#include <optional>

namespace tarn {

// Counts one statement call; returns the SQLCODE it must fail with when an
// injected failure is due.
std::optional<int32_t> count_statement_call();

// Counts one wait for a database server's answer.
void count_round_trip();

}  // namespace tarn

#endif  // TARN_TEST_HOOKS_H
