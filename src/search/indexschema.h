// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

/// @short The tables of the full-text index, shared by its updater and its queries.
namespace tv::search {

// Raised whenever the layout below changes: an older index is dropped and rebuilt.
inline constexpr int kSchemaVersion = 4;
// Rows of an entry's own name; the other rows carry their PartKind.
inline constexpr int kEntryRow = 5;

// "names" indexes the entry rows' names alone, so that the first tier of a
// query does not wade through the texts. docs_kind covers the search of entry names by words too short for
// the index: it reads no row, whose texts would drag their pages along. Large columns last: a row is read
// without its text unless the text is asked for.
inline constexpr const char *kSchema = R"(
CREATE TABLE sections(id INTEGER PRIMARY KEY, line BLOB UNIQUE NOT NULL, position INTEGER NOT NULL,
                      size INTEGER NOT NULL, mtime INTEGER NOT NULL);
CREATE TABLE modules(name BLOB PRIMARY KEY, size INTEGER NOT NULL, mtime INTEGER NOT NULL);
CREATE TABLE docs(id INTEGER PRIMARY KEY AUTOINCREMENT, section INTEGER NOT NULL, ord INTEGER NOT NULL,
                  part INTEGER NOT NULL, kind INTEGER NOT NULL, failed INTEGER NOT NULL, modul BLOB, file BLOB,
                  entry BLOB, caption BLOB, label TEXT, fname TEXT, flabel TEXT, body TEXT, fbody TEXT);
CREATE INDEX docs_section ON docs(section);
CREATE INDEX docs_modul ON docs(modul, file, kind);
CREATE INDEX docs_kind ON docs(kind, fname, section, ord);
CREATE VIRTUAL TABLE fts USING fts5(fname, flabel, fbody, content='docs', content_rowid='id', tokenize='trigram');
CREATE VIRTUAL TABLE names USING fts5(fname, content='docs', content_rowid='id', tokenize='trigram');
CREATE TRIGGER docs_ai AFTER INSERT ON docs BEGIN
  INSERT INTO fts(rowid, fname, flabel, fbody) VALUES (new.id, new.fname, new.flabel, new.fbody);
  INSERT INTO names(rowid, fname) SELECT new.id, new.fname WHERE new.kind = 5;
END;
CREATE TRIGGER docs_ad AFTER DELETE ON docs BEGIN
  INSERT INTO fts(fts, rowid, fname, flabel, fbody) VALUES ('delete', old.id, old.fname, old.flabel, old.fbody);
  INSERT INTO names(names, rowid, fname) SELECT 'delete', old.id, old.fname WHERE old.kind = 5;
END;
-- Entry rows' names never change (a renamed entry is a new row), only texts.
CREATE TRIGGER docs_au AFTER UPDATE OF fname, flabel, fbody ON docs BEGIN
  INSERT INTO fts(fts, rowid, fname, flabel, fbody) VALUES ('delete', old.id, old.fname, old.flabel, old.fbody);
  INSERT INTO fts(rowid, fname, flabel, fbody) VALUES (new.id, new.fname, new.flabel, new.fbody);
END;
)";

} // namespace tv::search
