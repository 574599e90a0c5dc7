-- The feedback messages, the same columns as the SQLite store; "user" is quoted, a reserved word here.
CREATE TABLE messages (
    id BIGSERIAL PRIMARY KEY,
    received TEXT NOT NULL, remote TEXT NOT NULL,
    "user" TEXT NOT NULL, name TEXT NOT NULL, email TEXT NOT NULL, title TEXT NOT NULL,
    text TEXT NOT NULL, image TEXT NOT NULL, home TEXT NOT NULL, time TEXT NOT NULL,
    raw BYTEA NOT NULL
);
CREATE INDEX messages_received ON messages (received);
