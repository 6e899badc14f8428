// The IDL front end: omniidl with the tool's back end (irstore_backend.py).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "idl_unit.h"

struct FrontEndOptions {
  std::vector<std::string> include_dirs;  // -I, in order
  std::vector<std::string> defines;       // -D, NAME or NAME=VALUE
};

// Reads one IDL file with what it includes. A file omniidl rejects throws
// ToolError with omniidl's first error ("file:line: text"); nothing else
// is read then.
IdlUnit read_idl_file(const std::string& file, const FrontEndOptions& options);

// Reads files of one directory with one run of omniidl, whose start costs
// more than reading most files: their units, in the order of the files.
// Nothing when omniidl rejects any of them or they lie in several
// directories: read_idl_file then reads them one by one and says which
// file failed and why.
std::optional<std::vector<IdlUnit>> read_idl_files_together(const std::vector<std::string>& files,
                                                            const FrontEndOptions& options);

// The real paths of the files a unit's definitions came from. omniidl names
// an included file as the #include wrote it; it is looked for beside the
// main file, beside the files found so far, and in the include directories.
std::vector<std::string> unit_file_paths(const IdlUnit& unit, const FrontEndOptions& options);

// The directory of irstore_backend.py: $IRSTORE_BACKEND_DIR, else beside
// the tool's binary (build tree) or in its installed data directory.
std::string backend_directory();
