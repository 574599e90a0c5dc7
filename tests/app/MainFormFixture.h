#pragma once
// A main window on its own settings folder and information file, with a chosen date.
#include "app/MainWindow.h"
#include "session/SettingsStore.h"
#include "ui/ScreenCursor.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace quillo::test {

class MainFormTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_config.isValid());
        ASSERT_TRUE(m_folder.isValid());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_config.path());
    }

    void TearDown() override { SetScreenCursor(crDefault); }

    // Creating the window reads the settings: store what a test needs first.
    std::unique_ptr<MainWindow> createForm(int dayOfMonth = 1)
    {
        auto form = std::make_unique<MainWindow>();
        form->setSurroundings({[dayOfMonth] { return QDate(2024, 1, dayOfMonth); }, informationFile()});
        return form;
    }

    std::unique_ptr<MainWindow> showForm(int dayOfMonth = 1)
    {
        auto form = createForm(dayOfMonth);
        form->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        return form;
    }

    static void store(const QString& name, const QVariant& value) { OpenSettingsKey()->setValue(name, value); }
    static QVariant stored(const QString& name) { return OpenSettingsKey()->value(name); }

    QString informationFile() const { return m_folder.filePath(QStringLiteral("version.txt")); }

    // The frame the platform draws around a window, which the outer sizes include.
    static QSize frameOf(const QWidget& window) { return window.frameGeometry().size() - window.size(); }

    static void resizeOuter(QWidget& window, int outerWidth, int outerHeight)
    {
        window.resize(QSize(outerWidth, outerHeight) - frameOf(window));
    }

private:
    QTemporaryDir m_config;
    QTemporaryDir m_folder;
};

} // namespace quillo::test
