#pragma once
// A folder that only this user can reach, for what another user must never share with us: the
// single-instance socket, the shared server's address and locks. A socket or lock in a folder
// someone else owns or may write is one that someone can replace or listen on in our place.
#include <QString>

namespace quillo {

struct PrivateFolder
{
    bool usable = false;
    QString problem; // why the folder cannot be used, for the log; empty when usable
};

// Creates `path` with mode 0700 when it is missing (its parent must exist), then accepts it only
// when it is a real folder (no link), owned by this user and closed to everyone else. Nothing is
// changed on a folder that exists already: one that fails the check is refused, not repaired.
PrivateFolder EnsurePrivateFolder(const QString& path);

// The user's runtime folder as Qt finds it; when Qt finds none (the folder $XDG_RUNTIME_DIR names
// is missing, or Qt's own fallback belongs to someone else), $XDG_RUNTIME_DIR as it stands, for
// EnsurePrivateFolder to create or refuse. Empty when there is neither: never a shared folder.
QString UserRuntimeFolder();

} // namespace quillo
