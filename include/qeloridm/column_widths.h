// The widths of the store's columns, in characters. A buffer that holds a
// column's text has room for one more, its NUL.
#pragma once

namespace column_width {

inline constexpr int kIid = 32;        // IID and every IID column: the MD5 digest in hexadecimal
inline constexpr int kKey = 2 * kIid;  // KEYFIELD: a relation row's two IIDs end to end
inline constexpr int kRepid = 4095;    // REPID
inline constexpr int kName = 254;      // NAME, blank-padded to its width
inline constexpr int kKind = 12;       // KIND, a DefinitionKind in decimal
inline constexpr int kStream = 32700;  // STREAM, the state in stream text

}  // namespace column_width
