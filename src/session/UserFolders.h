#pragma once
// Where the program keeps what it writes, in the folders the desktop expects (XDG base
// directories): the settings stay with QSettings in the configuration folder; the log goes to the
// state folder, the own server's data to the data folder, and what lives only as long as the
// user's session (the shared server's address and locks) to the runtime folder.
#include <QString>

namespace quillo {

// $XDG_STATE_HOME/quillo, else ~/.local/state/quillo.
QString StateFolder();

// $XDG_RUNTIME_DIR/quillo (Qt's fallback when the variable is missing); empty without a runtime
// folder.
QString RuntimeFolder();

// `name` in the program's own data folder: $XDG_DATA_HOME/quillo, else ~/.local/share/quillo.
QString UserDataFile(const QString& name);

// $XDG_DATA_HOME/quillo-server, else ~/.local/share/quillo-server: where quillo-server keeps its
// data by default, so the program's own server and one run by hand or by systemd share it.
QString ServerDataFolder();

// Keeps a log from filling the disk over the years: past 1 MiB it becomes `path`.1, replacing the
// older generation.
void RotateLog(const QString& path);

// Appends one time-stamped line to `folder`/quillo.log (creating both) and repeats it on
// standard error. Never fails loudly: a log that cannot be written is not a reason to stop.
void AppendLogLine(const QString& folder, const QString& line);

} // namespace quillo
