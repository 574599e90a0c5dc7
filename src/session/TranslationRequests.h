#pragma once
// What every translation of the program shares, whoever asks for it (the main window or the
// popup): the request components as the services expect them.
class QObject;

namespace quillo {

class TWebRequest;

// The component set up like the translation ones but never started.
TWebRequest* SpareRequest(QObject* owner);
// A translation component that presents itself as the browser the services were made for.
TWebRequest* TranslationRequest(const char* name, QObject* owner);

} // namespace quillo
