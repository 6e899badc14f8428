#include <qeloridm/mrinher.h>

namespace {
// The column names of the update are padded to a common width.
constexpr RelationStatements kInherStatements = {
    "SELECT * FROM IRINHER WHERE KEYFIELD = '",
    "INSERT INTO IRINHER VALUES ('",
    "UPDATE IRINHER SET IID        = '",
    "',PARENTIID  = '",
    "' WHERE KEYFIELD   = '",
    "DELETE FROM IRINHER WHERE KEYFIELD = '",
};
}  // namespace

Irinher::Irinher() : IrRelation(kInherStatements) {}
