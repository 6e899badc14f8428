// Text helpers shared by the store operations: the stream text coding of
// IRREPDAT.STREAM, and the cutting of blank-padded names.
//
// The stream text holds two lower-case hexadecimal digits per byte, high
// digit first. Texts of 505 to 509 characters are followed by eight '0'
// characters; stored data relies on that padding (it reads back as four zero
// bytes), so it stays.
#pragma once

// The text of `length` bytes, allocated with new[]; null for no bytes.
// Throws IRStore::OutOfMemory.
char* stream_to_hex(const unsigned char* bytes, unsigned length);

// The bytes of a text, allocated with new[] (length/2 of them); null for an
// empty text or one of odd length. Characters outside 0-9a-f decode to
// garbage; is_stream_text tells such texts apart first.
unsigned char* hex_to_stream(const char* text);

// Whether text is non-empty, of even length and made of 0-9 and a-f only.
bool is_stream_text(const char* text);

// A name as NAME can keep it, or CORBA::BAD_PARAM: at most 254 characters,
// and no blank (names are read back cut at their first blank, so a name
// holding one would come back changed).
const char* storable_name(const char* name);
