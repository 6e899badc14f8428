-- The Interface Repository store's tables for SQLite. The column order is
-- the store's: it reads rows with SELECT * and inserts without column names.
--
-- SQLite does not enforce declared widths, so CHECK constraints do: a value
-- that does not fit is refused instead of being cut on the way back.

-- One row per stored IR object.
CREATE TABLE IRREPDAT (
  IID    CHAR(32)     NOT NULL PRIMARY KEY CHECK (length(CAST(IID AS BLOB)) <= 32),
  REPID  VARCHAR(4095)         CHECK (length(CAST(REPID AS BLOB)) <= 4095),
  NAME   CHAR(254)    NOT NULL CHECK (length(CAST(NAME AS BLOB)) <= 254),
  KIND   VARCHAR(12)  NOT NULL CHECK (length(CAST(KIND AS BLOB)) <= 12),
  STREAM LONG VARCHAR          CHECK (length(CAST(STREAM AS BLOB)) <= 32700)
);

-- Searches by name pattern find their rows through the index, not by
-- reading the table: a pattern without wildcards is an equality on the
-- padded name, and a prefix pattern a range of it.
CREATE INDEX IRREPDAT_NAME ON IRREPDAT (NAME);

-- NAME is fixed-width: every name is stored padded with blanks to 254
-- bytes, whoever writes it, so that LIKE with a padded pattern and
-- UCASE(NAME) see the padded value. SQLite's printf pads by bytes.
CREATE TRIGGER IRREPDAT_NAME_PAD_INSERT AFTER INSERT ON IRREPDAT
  WHEN length(CAST(NEW.NAME AS BLOB)) < 254
BEGIN
  UPDATE IRREPDAT SET NAME = printf('%-254s', NEW.NAME) WHERE rowid = NEW.rowid;
END;

CREATE TRIGGER IRREPDAT_NAME_PAD_UPDATE AFTER UPDATE OF NAME ON IRREPDAT
  WHEN length(CAST(NEW.NAME AS BLOB)) < 254
BEGIN
  UPDATE IRREPDAT SET NAME = printf('%-254s', NEW.NAME) WHERE rowid = NEW.rowid;
END;

-- Every relation row names two stored objects. The check waits for the
-- commit, so that a unit of work may change an object's row and its
-- relations in any order; it keeps a writer in one process from committing
-- a relation to an object that a writer in another process destroyed.

-- Containment: IID is contained in BUCKETIID. KEYFIELD = BUCKETIID || IID.
CREATE TABLE IRBUCKET (
  KEYFIELD  CHAR(64) NOT NULL PRIMARY KEY CHECK (length(CAST(KEYFIELD AS BLOB)) <= 64),
  BUCKETIID CHAR(32) NOT NULL REFERENCES IRREPDAT (IID) DEFERRABLE INITIALLY DEFERRED CHECK (length(CAST(BUCKETIID AS BLOB)) <= 32),
  IID       CHAR(32) NOT NULL REFERENCES IRREPDAT (IID) DEFERRABLE INITIALLY DEFERRED CHECK (length(CAST(IID AS BLOB)) <= 32)
) WITHOUT ROWID;
CREATE INDEX IRBUCKET_BUCKETIID ON IRBUCKET (BUCKETIID);
CREATE INDEX IRBUCKET_IID ON IRBUCKET (IID);

-- Inheritance: IID inherits from PARENTIID. KEYFIELD = IID || PARENTIID.
CREATE TABLE IRINHER (
  KEYFIELD  CHAR(64) NOT NULL PRIMARY KEY CHECK (length(CAST(KEYFIELD AS BLOB)) <= 64),
  IID       CHAR(32) NOT NULL REFERENCES IRREPDAT (IID) DEFERRABLE INITIALLY DEFERRED CHECK (length(CAST(IID AS BLOB)) <= 32),
  PARENTIID CHAR(32) NOT NULL REFERENCES IRREPDAT (IID) DEFERRABLE INITIALLY DEFERRED CHECK (length(CAST(PARENTIID AS BLOB)) <= 32)
) WITHOUT ROWID;
CREATE INDEX IRINHER_IID ON IRINHER (IID);
CREATE INDEX IRINHER_PARENTIID ON IRINHER (PARENTIID);

-- References: IID refers to REFERTOIID. KEYFIELD = IID || REFERTOIID.
CREATE TABLE IRREFER (
  KEYFIELD   CHAR(64) NOT NULL PRIMARY KEY CHECK (length(CAST(KEYFIELD AS BLOB)) <= 64),
  IID        CHAR(32) NOT NULL REFERENCES IRREPDAT (IID) DEFERRABLE INITIALLY DEFERRED CHECK (length(CAST(IID AS BLOB)) <= 32),
  REFERTOIID CHAR(32) NOT NULL REFERENCES IRREPDAT (IID) DEFERRABLE INITIALLY DEFERRED CHECK (length(CAST(REFERTOIID AS BLOB)) <= 32)
) WITHOUT ROWID;
CREATE INDEX IRREFER_IID ON IRREFER (IID);
CREATE INDEX IRREFER_REFERTOIID ON IRREFER (REFERTOIID);

-- Version of this schema.
PRAGMA user_version = 1;
