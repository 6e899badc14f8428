#include <qeloridm/mrrefer.h>

namespace {
// The column names of the update are padded to a common width, one wider
// than in the other two tables.
constexpr RelationStatements kReferStatements = {
    "SELECT * FROM IRREFER WHERE KEYFIELD = '",
    "INSERT INTO IRREFER VALUES ('",
    "UPDATE IRREFER SET IID         = '",
    "',REFERTOIID  = '",
    "' WHERE KEYFIELD    = '",
    "DELETE FROM IRREFER WHERE KEYFIELD = '",
};
}  // namespace

Irrefer::Irrefer() : IrRelation(kReferStatements) {}
