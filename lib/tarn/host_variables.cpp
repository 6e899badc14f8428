#include "host_variables.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "codes.h"

namespace tarn {

std::optional<std::string_view> input_value(const tarn_input::Entry& entry) {
  bool has_indicator = (entry.sqltype & 1) != 0;
  if (has_indicator && entry.indicator != nullptr && *entry.indicator < 0) return std::nullopt;
  int base_type = entry.sqltype & ~1;
  if (base_type == 0) throw engine_error(kBadCallParameters, "a host variable was not set");
  if (entry.data == nullptr) throw engine_error(kBadCallParameters, "a host variable has no data");
  size_t capacity = static_cast<size_t>(std::max(entry.sqllen, 0));
  const char* bytes = static_cast<const char*>(entry.data);
  switch (base_type) {
    case TARN_CSTRING:
      // Never read past the declared length, even without a terminator.
      return std::string_view(bytes, strnlen(bytes, capacity));
    case TARN_VARCHAR:
    case TARN_LONGVARCHAR: {
      int16_t length;
      std::memcpy(&length, bytes, sizeof length);
      if (length < 0 || static_cast<size_t>(length) > capacity)
        throw engine_error(kValueTooLong, "a host variable holds " + std::to_string(length) +
                                              " characters, more than its length " +
                                              std::to_string(capacity));
      return std::string_view(bytes + sizeof length, static_cast<size_t>(length));
    }
  }
  throw engine_error(kBadCallParameters,
                     "host variable type " + std::to_string(entry.sqltype) + " is not supported");
}

void describe_into(const std::vector<ColumnDescription>& columns, sqlda* da) {
  da->sqld = static_cast<int16_t>(columns.size());
  if (da->sqln < da->sqld) return;
  sqlvar* vars = da->sqlvar;
  for (size_t i = 0; i < columns.size(); ++i) {
    const ColumnDescription& column = columns[i];
    vars[i].sqltype = static_cast<int16_t>(column.sql_type | (column.nullable ? 1 : 0));
    vars[i].sqllen = column.length;
    size_t name_length = std::min(column.name.size(), sizeof vars[i].sqlname.data);
    std::memset(vars[i].sqlname.data, 0, sizeof vars[i].sqlname.data);
    std::memcpy(vars[i].sqlname.data, column.name.data(), name_length);
    vars[i].sqlname.length = static_cast<int16_t>(name_length);
  }
}

bool deliver_row(Statement& statement, sqlda* da) {
  const std::vector<ColumnDescription>& columns = statement.columns();
  size_t count = std::min({static_cast<size_t>(std::max<int16_t>(da->sqld, 0)),
                           static_cast<size_t>(std::max<int16_t>(da->sqln, 0)), columns.size()});
  sqlvar* vars = da->sqlvar;
  bool truncated = false;
  for (size_t i = 0; i < count; ++i) {
    sqlvar& var = vars[i];
    if ((var.sqltype & ~1) != TARN_CSTRING) continue;
    if (var.sqldata == nullptr)
      throw engine_error(kBadCallParameters, "variable " + std::to_string(i + 1) + " has no buffer");
    std::optional<std::string_view> value = statement.column_text(static_cast<int>(i));
    if (!value) {
      if (var.sqlind == nullptr)
        throw engine_error(kNullWithoutIndicator,
                           "column " + columns[i].name + " is null and its variable has no indicator");
      *var.sqlind = -1;
      var.sqldata[0] = '\0';
      continue;
    }
    // Fixed-width columns arrive blank-padded to their width.
    size_t full_length = value->size();
    if (columns[i].sql_type == TARN_CHAR)
      full_length = std::max(full_length, static_cast<size_t>(columns[i].length));
    size_t capacity = static_cast<size_t>(std::max<int16_t>(var.sqllen, 0));
    size_t copied = std::min(value->size(), capacity);
    size_t delivered = std::min(full_length, capacity);
    std::memcpy(var.sqldata, value->data(), copied);
    std::memset(var.sqldata + copied, ' ', delivered - copied);
    var.sqldata[delivered] = '\0';
    if (var.sqlind != nullptr)
      *var.sqlind = full_length > capacity
                        ? static_cast<int16_t>(std::min<size_t>(full_length, INT16_MAX))
                        : int16_t{0};
    truncated = truncated || full_length > capacity;
  }
  return truncated;
}

}  // namespace tarn

extern "C" tarn_input* tarn_input_alloc(int count) {
  if (count < 0) return nullptr;
  try {
    auto list = std::make_unique<tarn_input>();
    list->entries.resize(static_cast<size_t>(count));
    return list.release();
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

extern "C" void tarn_input_set(tarn_input* list, int index, int16_t sqltype, int32_t sqllen,
                               void* data, int16_t* indicator) {
  if (list == nullptr || index < 0 || static_cast<size_t>(index) >= list->entries.size()) return;
  list->entries[static_cast<size_t>(index)] = {sqltype, sqllen, data, indicator};
}

extern "C" void tarn_input_free(tarn_input* list) { delete list; }
