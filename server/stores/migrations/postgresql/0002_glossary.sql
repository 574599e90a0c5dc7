-- The user's terms per language pair: one translation for a term of a pair.
CREATE TABLE glossary (
    id BIGSERIAL PRIMARY KEY,
    source TEXT NOT NULL, target TEXT NOT NULL,
    term TEXT NOT NULL, translation TEXT NOT NULL, note TEXT NOT NULL DEFAULT '',
    UNIQUE (source, target, term)
);
