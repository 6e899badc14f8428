-- The Interface Repository store's tables for PostgreSQL. The column order
-- is the store's: it reads rows with SELECT * and inserts without column
-- names.
--
-- Widths count bytes, as on SQLite: the CHECK constraints hold in any
-- database encoding, so a value read back always fits its buffer.

-- One row per stored IR object. NAME is CHAR(254): PostgreSQL keeps the
-- blank padding and compares LIKE patterns against the padded value.
CREATE TABLE IRREPDAT (
  IID    CHAR(32)      NOT NULL PRIMARY KEY CHECK (octet_length(IID) <= 32),
  REPID  VARCHAR(4095)          CHECK (octet_length(REPID) <= 4095),
  NAME   CHAR(254)     NOT NULL CHECK (octet_length(NAME) <= 254),
  KIND   VARCHAR(12)   NOT NULL CHECK (octet_length(KIND) <= 12),
  STREAM TEXT                   CHECK (octet_length(STREAM) <= 32700)
);

-- Searches by name pattern find their rows through the index: a pattern
-- without wildcards is an equality on the padded name, a prefix pattern a
-- range of it (in the C collation the databases are created with).
CREATE INDEX IRREPDAT_NAME ON IRREPDAT (NAME);

-- Every relation row names two stored objects. The check waits for the
-- commit, so that a unit of work may change an object's row and its
-- relations in any order; it keeps a writer in one process from committing
-- a relation to an object that a writer in another process destroyed.

-- Containment: IID is contained in BUCKETIID. KEYFIELD = BUCKETIID || IID.
CREATE TABLE IRBUCKET (
  KEYFIELD  CHAR(64) NOT NULL PRIMARY KEY CHECK (octet_length(KEYFIELD) <= 64),
  BUCKETIID CHAR(32) NOT NULL REFERENCES IRREPDAT (IID) DEFERRABLE INITIALLY DEFERRED CHECK (octet_length(BUCKETIID) <= 32),
  IID       CHAR(32) NOT NULL REFERENCES IRREPDAT (IID) DEFERRABLE INITIALLY DEFERRED CHECK (octet_length(IID) <= 32)
);
CREATE INDEX IRBUCKET_BUCKETIID ON IRBUCKET (BUCKETIID);
CREATE INDEX IRBUCKET_IID ON IRBUCKET (IID);

-- Inheritance: IID inherits from PARENTIID. KEYFIELD = IID || PARENTIID.
CREATE TABLE IRINHER (
  KEYFIELD  CHAR(64) NOT NULL PRIMARY KEY CHECK (octet_length(KEYFIELD) <= 64),
  IID       CHAR(32) NOT NULL REFERENCES IRREPDAT (IID) DEFERRABLE INITIALLY DEFERRED CHECK (octet_length(IID) <= 32),
  PARENTIID CHAR(32) NOT NULL REFERENCES IRREPDAT (IID) DEFERRABLE INITIALLY DEFERRED CHECK (octet_length(PARENTIID) <= 32)
);
CREATE INDEX IRINHER_IID ON IRINHER (IID);
CREATE INDEX IRINHER_PARENTIID ON IRINHER (PARENTIID);

-- References: IID refers to REFERTOIID. KEYFIELD = IID || REFERTOIID.
CREATE TABLE IRREFER (
  KEYFIELD   CHAR(64) NOT NULL PRIMARY KEY CHECK (octet_length(KEYFIELD) <= 64),
  IID        CHAR(32) NOT NULL REFERENCES IRREPDAT (IID) DEFERRABLE INITIALLY DEFERRED CHECK (octet_length(IID) <= 32),
  REFERTOIID CHAR(32) NOT NULL REFERENCES IRREPDAT (IID) DEFERRABLE INITIALLY DEFERRED CHECK (octet_length(REFERTOIID) <= 32)
);
CREATE INDEX IRREFER_IID ON IRREFER (IID);
CREATE INDEX IRREFER_REFERTOIID ON IRREFER (REFERTOIID);

-- UCASE upper-cases ASCII letters only and keeps every other character.
-- PostgreSQL's upper() and every cast of CHAR(n) to text drop the blank
-- padding; concat() keeps it, so UCASE(NAME) is the padded name.
CREATE OR REPLACE FUNCTION UCASE(value CHAR) RETURNS TEXT
  LANGUAGE sql IMMUTABLE STRICT PARALLEL SAFE
  AS $$ SELECT translate(concat(value), 'abcdefghijklmnopqrstuvwxyz', 'ABCDEFGHIJKLMNOPQRSTUVWXYZ') $$;
CREATE OR REPLACE FUNCTION UCASE(value TEXT) RETURNS TEXT
  LANGUAGE sql IMMUTABLE STRICT PARALLEL SAFE
  AS $$ SELECT translate(value, 'abcdefghijklmnopqrstuvwxyz', 'ABCDEFGHIJKLMNOPQRSTUVWXYZ') $$;

-- Version of this schema.
COMMENT ON TABLE IRREPDAT IS 'irstore schema 1';
