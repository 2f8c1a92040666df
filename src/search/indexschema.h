// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

/// @short The tables of the full-text index, shared by its updater and its queries.
namespace tv::search {

// Raised whenever the layout below changes: an older index is dropped and rebuilt.
inline constexpr int kSchemaVersion = 6;
// Rows of an entry's own name; the other rows carry their PartKind.
inline constexpr int kEntryRow = 5;

// Every table any version of the index had, dropped before a new layout is made.
inline constexpr const char *kDropAll = R"(
DROP TRIGGER IF EXISTS docs_ai; DROP TRIGGER IF EXISTS docs_ad; DROP TRIGGER IF EXISTS docs_au;
DROP TRIGGER IF EXISTS vocab_ai;
DROP TABLE IF EXISTS fts; DROP TABLE IF EXISTS names; DROP TABLE IF EXISTS vocabgrams;
DROP TABLE IF EXISTS docs; DROP TABLE IF EXISTS sections; DROP TABLE IF EXISTS modules;
DROP TABLE IF EXISTS vocab;
)";

// docs holds each text once, as read (UTF-8, compressed: packedText()); "fts" is a word index without content
// (tokenizer tv_words over the folded name, caption and description, and
// text), which the updater feeds and clears itself. "vocab" lists its
// distinct tokens, and "vocabgrams" finds those holding a substring, so that
// a word is looked up as the tokens that contain it. "names" indexes the entry
// rows' folded names by trigrams, so that the first tier of a query does not
// wade through the texts. docs_kind covers the search of entry names by words
// too short for any index (kind = 5 only): it reads no row, whose texts would drag their pages
// along. Large columns last: a row is read without its text unless asked for.
inline constexpr const char *kSchema = R"(
CREATE TABLE sections(id INTEGER PRIMARY KEY, line BLOB UNIQUE NOT NULL, position INTEGER NOT NULL,
                      size INTEGER NOT NULL, mtime INTEGER NOT NULL);
CREATE TABLE modules(name BLOB PRIMARY KEY, size INTEGER NOT NULL, mtime INTEGER NOT NULL);
CREATE TABLE docs(id INTEGER PRIMARY KEY AUTOINCREMENT, section INTEGER NOT NULL, ord INTEGER NOT NULL,
                  part INTEGER NOT NULL, kind INTEGER NOT NULL, failed INTEGER NOT NULL, modul BLOB, file BLOB,
                  entry BLOB, caption BLOB, label TEXT, fname TEXT, body BLOB);
CREATE INDEX docs_section ON docs(section);
CREATE INDEX docs_modul ON docs(modul, file, kind);
CREATE INDEX docs_kind ON docs(kind, fname, section, ord) WHERE kind = 5;
CREATE VIRTUAL TABLE fts USING fts5(fname, flabel, fbody, content='', columnsize=0, tokenize='tv_words');
CREATE TABLE vocab(id INTEGER PRIMARY KEY, token TEXT UNIQUE NOT NULL);
CREATE VIRTUAL TABLE vocabgrams USING fts5(token, content='vocab', content_rowid='id', tokenize='trigram');
CREATE VIRTUAL TABLE names USING fts5(fname, content='docs', content_rowid='id', tokenize='trigram');
CREATE TRIGGER vocab_ai AFTER INSERT ON vocab BEGIN
  INSERT INTO vocabgrams(rowid, token) VALUES (new.id, new.token);
END;
CREATE TRIGGER docs_ai AFTER INSERT ON docs WHEN new.kind = 5 BEGIN
  INSERT INTO names(rowid, fname) VALUES (new.id, new.fname);
END;
CREATE TRIGGER docs_ad AFTER DELETE ON docs WHEN old.kind = 5 BEGIN
  INSERT INTO names(names, rowid, fname) VALUES ('delete', old.id, old.fname);
END;
)";

} // namespace tv::search
