#pragma once
// Where the outside services live. One base address serves them all: the environment variable
// QUILLO_SERVICE when set (tests point the program at their own server this way), otherwise the
// address this run settled on (the program's own server), otherwise the address fixed at build time.
#include <QByteArray>
#include <QString>

#include <functional>
#include <future>

class QObject;

namespace quillo {

// Base address without a trailing slash, for example "http://127.0.0.1:8437".
QString ServiceBase();

// The address for the rest of this run when QUILLO_SERVICE is not set. A future, because the
// program's own server may still be starting while the window opens: the first request waits for
// it. An empty result, or no future (the default), means the address fixed at build time.
// Process-wide and not inherited by child processes, unlike the environment variable. `begin`,
// when given, is called before anything waits for the address: whoever settles it may put off
// starting until then (until the window is on screen, say), and a request made earlier starts it.
void SetRunServiceBase(std::shared_future<QString> base, std::function<void()> begin = {});

// Runs `then` on `context`'s thread once ServiceBase() answers without waiting: at once when it
// already does, else when the run's address is settled (never, if `context` is gone by then). For
// what the window shows at start that names the address.
void WhenServiceBaseKnown(QObject* context, std::function<void()> then);

// The base address followed by an absolute path ("/translate_txt").
QString ServiceUrl(const QString& path);

// "http://host:port/": the root address that the WorldLingo loader page names.
QByteArray ServiceRootAddress();

// Host and port of the base address ("127.0.0.1:8437").
QString ServiceHost();

} // namespace quillo
