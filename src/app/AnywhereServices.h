#pragma once
// The program's translation-anywhere session: the popup, key and tray with the user's stored
// choices, their history in the user's data folder, language detection and speech.
#include <memory>

namespace quillo {

class MainWindow;
class TranslateAnywhere;

std::unique_ptr<TranslateAnywhere> StartTranslateAnywhere(MainWindow* mainForm);

} // namespace quillo
