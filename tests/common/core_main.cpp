// Test entry point for modules without widgets: a QCoreApplication gives the tests an event loop.
#include <QCoreApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // Servers started by tests read only the dictionaries a test drops in, not every one installed.
    if (!qEnvironmentVariableIsSet("QUILLO_DICTIONARY_FOLDERS"))
        qputenv("QUILLO_DICTIONARY_FOLDERS", "");
    QCoreApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
