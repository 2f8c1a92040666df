-- Accounts for the transaction example (SQLite syntax).
CREATE TABLE konto (
    nummer INTEGER PRIMARY KEY,
    inhaber TEXT NOT NULL,
    saldo INTEGER NOT NULL CHECK (saldo >= 0)   -- in cents; never negative
);

INSERT INTO konto VALUES (1, 'Meier', 50000);
INSERT INTO konto VALUES (2, 'Schulz', 1000);
