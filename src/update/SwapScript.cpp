#include "update/SwapScript.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QStringList>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace quillo {

namespace {

QString withExtension(const QString& path, const QString& extension)
{
    const QFileInfo info(path);
    const QString suffix = info.suffix();
    if (suffix.isEmpty())
        return path + extension;
    return path.left(path.size() - suffix.size() - 1) + extension;
}

QString quoted(const QString& path)
{
    return u'"' + QDir::toNativeSeparators(path) + u'"';
}

bool writeScript(const QString& name, const QByteArray& content)
{
    QSaveFile file(name);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    return file.write(content) == content.size() && file.commit();
}

bool startDetached(const QString& script)
{
#ifdef Q_OS_WIN
    QProcess process;
    process.setProgram(QStringLiteral("cmd.exe"));
    // cmd drops the outer pair of quotes when the command itself is quoted.
    process.setNativeArguments(QStringLiteral("/c \"%1\"").arg(quoted(script)));
    process.setCreateProcessArgumentsModifier([](QProcess::CreateProcessArguments* args) {
        args->flags |= CREATE_NO_WINDOW | IDLE_PRIORITY_CLASS;
        args->startupInfo->dwFlags |= STARTF_USESHOWWINDOW;
        args->startupInfo->wShowWindow = SW_HIDE;
    });
    return process.startDetached();
#else
    QProcess process;
    process.setProgram(QStringLiteral("/bin/sh"));
    process.setArguments({script});
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    return process.startDetached();
#endif
}

} // namespace

SwapPlan SwapPlanFor(const QString& programPath, qint64 pid)
{
#ifdef Q_OS_WIN
    const QString scriptExtension = QStringLiteral(".bat");
#else
    const QString scriptExtension = QStringLiteral(".sh");
#endif
    return {programPath, programPath + u'~', withExtension(programPath, scriptExtension), pid};
}

QString SetAsidePath(const QString& programPath)
{
    return programPath + QStringLiteral(".old");
}

QString WindowsSwapBatch(const SwapPlan& plan)
{
    const QString p = quoted(plan.program);
    const QString aside = quoted(SetAsidePath(plan.program));
    const QStringList lines{
        QStringLiteral("copy /b /y %1 %2").arg(p, aside),
        QStringLiteral(":try"),
        QStringLiteral("del ") + p,
        QStringLiteral("if exist ") + p + QStringLiteral(" goto try"),
        QStringLiteral("move ") + quoted(plan.download) + u' ' + p,
        QStringLiteral("if not exist %1 move %2 %1").arg(p, aside),
        p,
        QStringLiteral("del ") + aside,
        QStringLiteral("del ") + quoted(plan.script),
    };
    return lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
}

QString PosixSwapScript(const SwapPlan& plan)
{
    const QStringList lines{
        QStringLiteral("#!/bin/sh"),
        QStringLiteral("pid=%1").arg(plan.pid),
        QStringLiteral("program=") + ShellQuote(plan.program),
        QStringLiteral("download=") + ShellQuote(plan.download),
        QStringLiteral("aside=") + ShellQuote(SetAsidePath(plan.program)),
        QStringLiteral("script=") + ShellQuote(plan.script),
        QStringLiteral("while kill -0 \"$pid\" 2>/dev/null; do sleep 0.2 2>/dev/null || sleep 1; done"),
        QStringLiteral("if mv -f -- \"$program\" \"$aside\"; then"),
        QStringLiteral("  if mv -f -- \"$download\" \"$program\"; then"),
        QStringLiteral("    nohup \"$program\" </dev/null >/dev/null 2>&1 &"),
        QStringLiteral("    rm -f -- \"$aside\""),
        QStringLiteral("  else"),
        QStringLiteral("    mv -f -- \"$aside\" \"$program\""),
        QStringLiteral("  fi"),
        QStringLiteral("fi"),
        QStringLiteral("rm -f -- \"$script\""),
    };
    return lines.join(u'\n') + u'\n';
}

QString ShellQuote(const QString& text)
{
    QString out = text;
    out.replace(u'\'', QStringLiteral("'\\''"));
    return u'\'' + out + u'\'';
}

bool StartSwapScript(const SwapPlan& plan)
{
    const QFile::Permissions mode = QFile::permissions(plan.program);
    if (mode != QFile::Permissions() && !QFile::setPermissions(plan.download, mode))
        return false;
#ifdef Q_OS_WIN
    const QByteArray content = WindowsSwapBatch(plan).toLocal8Bit();
#else
    const QByteArray content = QFile::encodeName(PosixSwapScript(plan));
#endif
    if (!writeScript(plan.script, content))
        return false;
    if (startDetached(plan.script))
        return true;
    QFile::remove(plan.script);
    return false;
}

} // namespace quillo
