/*
 * Tarn: a small SQL engine interface in the style of embedded SQL.
 *
 * A process works with explicit contexts: it sets the context type to
 * manually managed multiple contexts, creates a context, and attaches the
 * thread that will run statements to it. A context holds one connection,
 * two dynamic statement slots, cursors over them and the static statements
 * of the bound program. Every statement call runs on the context attached
 * to the calling thread and reports through the SQLCA it is given:
 * SQLCODE 0 is success, 100 "no row", negative values are errors (see the
 * TARN_SQL_* codes below), and SQLSTATE holds the five-character state.
 *
 * A database is named by an alias of at most eight characters (trailing
 * blanks are ignored, letters compare as given). The engine resolves it
 * through its catalog: see tarn_resolve_alias.
 *
 * The unit of work begins by itself with the first statement after a
 * COMMIT or ROLLBACK; nothing is committed without COMMIT.
 */
#ifndef TARN_TARN_H
#define TARN_TARN_H

#include <stddef.h>
#include <stdint.h>

#include <tarn/export.h>

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Completion information ------------------------------------------ */

#define TARN_MESSAGE_MAX 512

struct sqlca {
  char sqlcaid[8];                 /* "SQLCA   " */
  int32_t sqlcabc;                 /* sizeof(struct sqlca) */
  int32_t sqlcode;                 /* 0 ok, 100 no row, < 0 error */
  int16_t sqlerrml;                /* length of sqlerrmc */
  char sqlerrmc[TARN_MESSAGE_MAX]; /* the engine's message, NUL-terminated */
  char sqlerrp[8];                 /* the engine that answered: "SQLITE", "PGSQL" */
  int32_t sqlerrd[6];              /* sqlerrd[2]: rows affected by the last statement */
  char sqlwarn[11];
  char sqlstate[5];                /* not NUL-terminated */
};

/* SQLCODEs of the engine (classic embedded-SQL numbering). */
#define TARN_SQL_OK 0
#define TARN_SQL_NOT_FOUND 100
#define TARN_SQL_SYNTAX_ERROR (-104)         /* 42601 */
#define TARN_SQL_UNDEFINED_NAME (-204)       /* 42704: no such table or column */
#define TARN_SQL_VALUE_TOO_LONG (-302)       /* 22001: a value longer than its variable */
#define TARN_SQL_NOT_PREPARED (-518)         /* 07003 */
#define TARN_SQL_CURSOR_NOT_OPEN (-501)      /* 24501 */
#define TARN_SQL_CURSOR_ALREADY_OPEN (-502)  /* 24502 */
#define TARN_SQL_DUPLICATE_KEY (-803)        /* 23505 */
#define TARN_SQL_CONSTRAINT (-545)           /* 23513 */
#define TARN_SQL_ENGINE_ERROR (-901)         /* 58004: any other engine failure */
#define TARN_SQL_ROLLBACK_REQUIRED (-918)    /* 51021: the unit of work was lost; roll back first */
#define TARN_SQL_TIMEOUT (-911)              /* 40001: lock wait timed out, rolled back */
#define TARN_SQL_DISK_FULL (-968)            /* 57011 */
#define TARN_SQL_ALIAS_NOT_FOUND (-1013)     /* 42705: no catalog entry or database */
#define TARN_SQL_NO_CONNECTION (-1024)       /* 08003 */
#define TARN_SQL_ALREADY_CONNECTED (-1025)   /* 08002 */
#define TARN_SQL_NOT_STARTED (-1032)         /* 57019: no engine thread to run the request */
#define TARN_SQL_LOST_CONNECTION_FIRST (-1225)
#define TARN_SQL_CONNECTION_LOST (-1224)     /* 08001: the connection was lost */
#define TARN_SQL_LOST_CONNECTION_LAST (-1223)
#define TARN_SQL_NO_CONTEXT (-1445)          /* 55034: no context attached */
#define TARN_SQL_BAD_CONTEXT (-1441)         /* 55035: bad context handle or type */
#define TARN_SQL_NOT_AUTHORIZED (-30082)     /* 08001: user id or password refused */

/* Fills an SQLCA with a code, a state and a message (for callers that
 * report failures of their own in the engine's form). */
TARN_EXPORT void tarn_set_sqlca(struct sqlca* ca, int32_t sqlcode, const char* sqlstate, const char* message);

/* Formats the message of an SQLCA into buffer (size bytes, NUL included),
 * breaking lines at width characters (0: no breaks), using the message file
 * msgfile (the engine's is "tarnsql.mo"; its texts are built in). The text
 * is "SQLnnnnN  message  SQLSTATE=sssss" (W instead of N for a positive
 * code) and always ends with the two characters "\r\n". Returns the length
 * of the text, or a negative number when size is too small for any text. */
TARN_EXPORT int tarn_format_message(char* buffer, int size, int width, const struct sqlca* ca,
                        const char* msgfile);

/* ---- Result and host-variable descriptions --------------------------- */

/* SQL type codes. The low bit (+1) marks a nullable column or a host
 * variable with an indicator. */
#define TARN_VARCHAR 448      /* 16-bit length, then the characters */
#define TARN_CHAR 452         /* fixed width, blank-padded */
#define TARN_LONGVARCHAR 456  /* 16-bit length, then the characters */
#define TARN_CSTRING 460      /* NUL-terminated; sqllen counts the characters,
                                 the buffer holds sqllen + 1 bytes */
#define TARN_BIGINT 492
#define TARN_INTEGER 496
#define TARN_SMALLINT 500
#define TARN_DOUBLE 480

struct sqlname {
  int16_t length;
  char data[30];
};

struct sqlvar {
  int16_t sqltype;
  int16_t sqllen;
  char* sqldata;
  int16_t* sqlind;  /* -1: null; > 0: the value was cut to fit, its full length */
  struct sqlname sqlname;
};

/* The header is 16 bytes; the variables follow it. */
struct sqlda {
  char sqldaid[8];
  int32_t sqldabc; /* bytes of header and variables: SQLDASIZE(sqln) */
  int16_t sqln;    /* variables allocated */
  int16_t sqld;    /* columns described */
  struct sqlvar sqlvar[1];
};

#define SQLDASIZE(n) (offsetof(struct sqlda, sqlvar) + (size_t)(n) * sizeof(struct sqlvar))

/* An input host-variable list of n entries for CONNECT and the static
 * statements. Types: TARN_CSTRING (NUL-terminated), TARN_VARCHAR and
 * TARN_LONGVARCHAR (a 16-bit length followed by the characters), each +1
 * when the entry has an indicator (-1 binds NULL). Returns nullptr when
 * memory runs out. */
struct tarn_input;
TARN_EXPORT struct tarn_input* tarn_input_alloc(int count);
TARN_EXPORT void tarn_input_set(struct tarn_input* list, int index, int16_t sqltype, int32_t sqllen,
                    void* data, int16_t* indicator);
TARN_EXPORT void tarn_input_free(struct tarn_input* list);

/* ---- Contexts -------------------------------------------------------- */

#define TARN_CTX_MULTI_MANUAL 2

TARN_EXPORT void tarn_set_context_type(int type, struct sqlca* ca);
TARN_EXPORT void tarn_begin_context(void** context, struct sqlca* ca);
TARN_EXPORT void tarn_attach_context(void* context, struct sqlca* ca);
TARN_EXPORT void tarn_detach_context(void* context, struct sqlca* ca);
/* Ends a context: rolls back its open unit of work and closes its
 * connection. The context must not be attached to any thread. */
TARN_EXPORT void tarn_end_context(void* context, struct sqlca* ca);

/* ---- Statements (on the calling thread's context) -------------------- */

/* CONNECT TO alias [USER user USING password]: vars holds 1 or 3 entries. */
TARN_EXPORT void tarn_connect(struct tarn_input* vars, struct sqlca* ca);
/* CONNECT RESET: ends the connection (its open unit of work is rolled back). */
TARN_EXPORT void tarn_disconnect(struct sqlca* ca);

/* Dynamic statements live in numbered slots (1 and up). PREPARE replaces
 * the slot's statement and closes a cursor open over it. */
TARN_EXPORT void tarn_prepare(int slot, const char* text, struct sqlca* ca);
/* Describes the result columns of a prepared query. With da->sqln smaller
 * than the column count only sqld is set. Character columns are described
 * as TARN_CHAR (fixed width), TARN_VARCHAR or TARN_LONGVARCHAR with their
 * declared length. */
TARN_EXPORT void tarn_describe(int slot, struct sqlda* da, struct sqlca* ca);
/* Executes a prepared statement that is not a query. UPDATE, DELETE and
 * INSERT ... SELECT that change no row give SQLCODE 100. */
TARN_EXPORT void tarn_execute(int slot, struct sqlca* ca);

/* Cursors (numbered 1 and up) run over a prepared query. FETCH delivers
 * the columns that the SQLDA binds as TARN_CSTRING (+1); other variables
 * are left alone. Values of fixed-width columns arrive blank-padded.
 * SQLCODE 100 when no row is left. */
TARN_EXPORT void tarn_open(int cursor, int slot, struct sqlca* ca);
TARN_EXPORT void tarn_fetch(int cursor, struct sqlda* da, struct sqlca* ca);
TARN_EXPORT void tarn_close(int cursor, struct sqlca* ca);

TARN_EXPORT void tarn_commit(struct sqlca* ca);
TARN_EXPORT void tarn_rollback(struct sqlca* ca);

/* Static statements of the bound program: `section` numbers a statement of
 * the caller's program, whose text (with ? markers) is prepared on first
 * use and kept for the life of the connection. */
TARN_EXPORT void tarn_execute_static(int section, const char* text, struct tarn_input* vars, struct sqlca* ca);

/* ---- Databases -------------------------------------------------------- */

/* The engine's directory: $TARN_HOME, or $HOME/.irstore. The text stays
 * valid until the next call on the same thread. */
TARN_EXPORT const char* tarn_home(void);

/* Resolves an alias through $TARN_HOME/catalog. Each catalog line is
 *   ALIAS sqlite PATH [user=NAME password=SECRET]
 *   ALIAS postgresql CONNINFO
 * ('#' starts a comment; a relative PATH is taken from TARN_HOME). Without
 * an entry, alias A is the SQLite database $TARN_HOME/A.sqlite. Writes a
 * readable description of the target ("sqlite /path/A.sqlite") into
 * description and returns 0, or returns TARN_SQL_ALIAS_NOT_FOUND-style
 * codes for a malformed catalog. */
TARN_EXPORT int tarn_resolve_alias(const char* alias, char* description, int size);

/* Creates the empty database of an alias unless it exists: an SQLite file
 * (and its directory), or a database on the PostgreSQL server (created
 * through its maintenance database, with bytes compared as bytes). Sets
 * SQLCODE 0 when it created it, 1 when it existed (then nothing is
 * changed), or an error. user and password may be null. Several processes
 * may create the same database at once. */
TARN_EXPORT void tarn_create_database(const char* alias, const char* user, const char* password,
                          struct sqlca* ca);

/* Runs a script (several statements separated by semicolons, such as the
 * tables of a schema) on the connection of the attached context, inside
 * the unit of work: nothing of it stays without COMMIT, and a failed
 * script leaves the unit of work as it was. */
TARN_EXPORT void tarn_run_script(const char* script, struct sqlca* ca);

/* How long a CONNECT waits for a server that this process has reached
 * before (one restarting, or a standby being promoted) to accept it again;
 * 10000 ms unless set. Applies to the whole process. */
TARN_EXPORT void tarn_set_reconnect_wait(long milliseconds);

/* The stack a thread needs to run statements of any engine backend. */
TARN_EXPORT long tarn_required_stack_size(void);

/* ---- Shared reads ------------------------------------------------------- */

/* While on, the queries of the context attached to the thread share one
 * read transaction: the first cursor opened outside a transaction begins
 * it, and it ends before the first change runs (the unit of work then
 * begins as it would have), at a COMMIT or ROLLBACK, or when sharing is
 * turned off (which closes the cursors). On an engine that takes and
 * releases its locks for every statement outside a transaction (SQLite)
 * this saves that for every query but the first; elsewhere it changes
 * nothing. No statement call: the SQLCA and the statement count are not
 * touched. Returns whether a read transaction is open. */
TARN_EXPORT int tarn_share_reads(int on);
/* Whether the queries' shared read transaction is open. */
TARN_EXPORT int tarn_reading(void);

/* ---- Test hooks -------------------------------------------------------- */

/* The n-th statement call from now (1: the next one) fails with sqlcode,
 * before it reaches the database. A connection-lost code (-1225 to -1223)
 * also drops the connection: its unit of work is rolled back, and every
 * later statement fails with TARN_SQL_NO_CONNECTION until a CONNECT.
 * n = 0 cancels a pending failure. Statement calls are CONNECT, PREPARE,
 * DESCRIBE, EXECUTE, OPEN, FETCH, CLOSE, COMMIT, ROLLBACK and the static
 * statements. */
TARN_EXPORT void tarn_fail_statement(int n, int32_t sqlcode);
/* Statement calls made in this process so far. */
TARN_EXPORT long tarn_statement_count(void);
/* Answers this process has waited for from a database server so far (each
 * batch of commands sent together counts once); 0 on an embedded engine. */
TARN_EXPORT long tarn_round_trip_count(void);

#ifdef __cplusplus
}
#endif

#endif /* TARN_TARN_H */
