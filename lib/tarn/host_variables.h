// Host variables: input lists, DESCRIBE into an SQLDA, FETCH out of one.
#ifndef TARN_HOST_VARIABLES_H
#define TARN_HOST_VARIABLES_H

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "backend.h"
#include "tarn/tarn.h"

struct tarn_input {
  struct Entry {
    int16_t sqltype = 0;  // 0: never set
    int32_t sqllen = 0;
    const void* data = nullptr;
    const int16_t* indicator = nullptr;
  };
  std::vector<Entry> entries;
};

namespace tarn {

// The value an input entry holds; nullopt for NULL. Throws EngineError for
// an entry that is unset, of an unknown type or longer than its length.
std::optional<std::string_view> input_value(const tarn_input::Entry& entry);

// Sets da->sqld, and the variables when da has room for all columns.
void describe_into(const std::vector<ColumnDescription>& columns, sqlda* da);

// Delivers the statement's current row into the TARN_CSTRING variables of
// da. Returns true when a value was cut to fit its variable.
bool deliver_row(Statement& statement, sqlda* da);

}  // namespace tarn

#endif  // TARN_HOST_VARIABLES_H
