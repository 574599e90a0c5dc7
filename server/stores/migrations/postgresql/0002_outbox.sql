-- Messages waiting to be forwarded to another server; a row goes once the other server accepted it.
CREATE TABLE outbox (
    message_id BIGINT PRIMARY KEY REFERENCES messages (id),
    attempts INTEGER NOT NULL DEFAULT 0,
    not_before BIGINT NOT NULL
);
CREATE INDEX outbox_not_before ON outbox (not_before);
