#include "output.h"

#include <algorithm>
#include <cstdio>

#include "kinds.h"

void print_table(const std::vector<Row>& rows) {
  std::vector<std::size_t> widths;
  for (const Row& row : rows) {
    for (std::size_t i = 0; i + 1 < row.size(); ++i) {
      if (widths.size() <= i) widths.resize(i + 1, 0);
      widths[i] = std::max(widths[i], row[i].size());
    }
  }
  for (const Row& row : rows) {
    std::string line;
    for (std::size_t i = 0; i < row.size(); ++i) {
      line += row[i];
      if (i + 1 < row.size()) line += std::string(widths[i] - row[i].size() + 2, ' ');
    }
    std::printf("%s\n", line.c_str());
  }
}

namespace {

void sort_rows(std::vector<Row>& rows) {
  std::sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) {
    return a[1] != b[1] ? a[1] < b[1] : a[2] < b[2];
  });
}

}  // namespace

std::vector<Row> definition_rows(Names& names, const std::vector<ObjectRef>& objects) {
  std::vector<Row> rows;
  for (const ObjectRef& object : objects) {
    rows.push_back({kind_word(object->def_kind()), names.scoped(object->repository_id()), object->repository_id()});
  }
  sort_rows(rows);
  return rows;
}

std::vector<Row> definition_rows(Repository& repository, Names& names, const std::vector<std::string>& repids) {
  std::vector<Row> rows;
  for (const std::string& repid : repids) {
    rows.push_back({kind_word(repository.kind_of(repid)), names.scoped(repid), repid});
  }
  sort_rows(rows);
  return rows;
}
