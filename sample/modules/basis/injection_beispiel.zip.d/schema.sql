-- Sample table for the prepared-statement example (SQLite syntax).
CREATE TABLE kunde (
    id   INTEGER PRIMARY KEY,
    name TEXT NOT NULL,
    ort  TEXT
);

INSERT INTO kunde (name, ort) VALUES ('Meier', 'Hamburg');
INSERT INTO kunde (name, ort) VALUES ('O''Brien', 'Dublin');
INSERT INTO kunde (name, ort) VALUES ('Schulz', 'Leipzig');
