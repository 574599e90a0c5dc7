#pragma once
// The hand-over from the running program to its downloaded successor. A running program cannot
// replace its own file safely, so a small script does it after the program has ended: it waits
// for the end, sets the old program aside, moves the new one into its place (putting the old one
// back when that fails), starts the new program, and removes the set-aside copy and itself.
#include <QString>

namespace quillo {

struct SwapPlan
{
    QString program;  // the running program's file, replaced by the script
    QString download; // the new program file beside it
    QString script;   // where the script is written
    qint64 pid = 0;   // the process the POSIX script waits for
};

// The plan for the running program: its download is the program path followed by "~", the
// script the program path with its extension replaced (".bat" on Windows, ".sh" elsewhere).
SwapPlan SwapPlanFor(const QString& programPath, qint64 pid);

// The old program's place while the new one moves in.
QString SetAsidePath(const QString& programPath);

// The Windows batch: waits by retrying the deletion of the program, which fails while it runs.
QString WindowsSwapBatch(const SwapPlan& plan);

// The POSIX shell script: a running program's file can be deleted there, so it waits for the
// process instead.
QString PosixSwapScript(const SwapPlan& plan);

// `text` as one shell word that stands for itself, whatever it contains.
QString ShellQuote(const QString& text);

// Gives the download the program's permissions, writes the platform's script and starts it
// detached. False when any of that fails; nothing has been replaced then.
bool StartSwapScript(const SwapPlan& plan);

} // namespace quillo
