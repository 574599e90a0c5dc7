// Test entry point for modules without widgets: a QCoreApplication gives the tests an event loop.
#include <QCoreApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // The keyless online engine is on by default in every quillo-server a test starts, directly or
    // through the program: it goes to a refused loopback port unless the test points it elsewhere.
    if (qEnvironmentVariableIsEmpty("QUILLO_MYMEMORY_URL"))
        qputenv("QUILLO_MYMEMORY_URL", "http://127.0.0.1:9");
    // Servers started by tests read only the dictionaries a test drops in, not every one installed.
    if (!qEnvironmentVariableIsSet("QUILLO_DICTIONARY_FOLDERS"))
        qputenv("QUILLO_DICTIONARY_FOLDERS", "");
    QCoreApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
