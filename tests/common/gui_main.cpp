// Test entry point for window tests: a QApplication on the offscreen platform unless the caller
// chose another (xvfb runs use "xcb").
#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // The keyless online engine is on by default in every quillo-server a test starts, directly or
    // through the program: it goes to a refused loopback port unless the test points it elsewhere.
    if (qEnvironmentVariableIsEmpty("QUILLO_MYMEMORY_URL"))
        qputenv("QUILLO_MYMEMORY_URL", "http://127.0.0.1:9");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Servers started by tests read only the dictionaries a test drops in, not every one installed.
    if (!qEnvironmentVariableIsSet("QUILLO_DICTIONARY_FOLDERS"))
        qputenv("QUILLO_DICTIONARY_FOLDERS", "");
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
