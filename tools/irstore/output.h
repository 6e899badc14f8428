// Output shared by the commands.
#pragma once

#include <string>
#include <vector>

#include "names.h"
#include "repository.h"

using Row = std::vector<std::string>;

// Prints rows on stdout, each column padded to its widest cell except the last.
void print_table(const std::vector<Row>& rows);

// One row per object: kind, scoped name, repository id; sorted by scoped name.
std::vector<Row> definition_rows(Names& names, const std::vector<ObjectRef>& objects);
std::vector<Row> definition_rows(Repository& repository, Names& names, const std::vector<std::string>& repids);
