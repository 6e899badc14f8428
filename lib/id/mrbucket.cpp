#include <qeloridm/mrbucket.h>

namespace {
// The column names of the update are padded to a common width.
constexpr RelationStatements kBucketStatements = {
    "SELECT * FROM IRBUCKET WHERE KEYFIELD = '",
    "INSERT INTO IRBUCKET VALUES ('",
    "UPDATE IRBUCKET SET BUCKETIID  = '",
    "',IID        = '",
    "' WHERE KEYFIELD   = '",
    "DELETE FROM IRBUCKET WHERE KEYFIELD = '",
};
}  // namespace

Irbucket::Irbucket() : IrRelation(kBucketStatements) {}
