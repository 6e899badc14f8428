# Writes OUTPUT, a C++ source that defines tarn_sqlite_schema with the text
# of SQLITE_SCHEMA, so that the library creates databases wherever it is
# installed. Run with cmake -DOUTPUT=... -DSQLITE_SCHEMA=... -P.
if(NOT DEFINED OUTPUT OR NOT DEFINED SQLITE_SCHEMA)
  message(FATAL_ERROR "embed_schema.cmake needs -DOUTPUT and -DSQLITE_SCHEMA")
endif()

file(READ "${SQLITE_SCHEMA}" schema)

# The raw string ends at )delimiter" : the text must not contain that.
set(delimiter "tarn_schema")
string(FIND "${schema}" ")${delimiter}\"" clash)
if(NOT clash EQUAL -1)
  message(FATAL_ERROR "${SQLITE_SCHEMA} contains )${delimiter}\" and cannot be embedded")
endif()

set(source "// Generated from ${SQLITE_SCHEMA} by embed_schema.cmake. Do not edit.\n")
string(APPEND source "extern const char* const tarn_sqlite_schema;\n")
string(APPEND source "const char* const tarn_sqlite_schema = R\"${delimiter}(${schema})${delimiter}\";\n")

file(WRITE "${OUTPUT}" "${source}")
