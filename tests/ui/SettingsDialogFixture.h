#pragma once

#include "ErrorReport.h"
#include "FileError.h"
#include "IniData.h"
#include "SettingsDialog.h"
#include "Sheet.h"
#include "TestFiles.h"

#include <QComboBox>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>

// Typing text key by key, each key carrying one character as an input method would.
inline void typeText(QWidget *widget, const QString &text)
{
    for (QChar c : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

// The user picking an entry of a drop-down list.
inline void choose(QComboBox *list, int index)
{
    list->setCurrentIndex(index);
    Q_EMIT list->activated(index);
}

// The settings dialog over a temporary program directory. Each test makes a fresh one with
// setUp() (from its init()) and builds the dialog when it wants it, after putting files there.
class SettingsDialogFixture
{
protected:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<IniSettings> m_settings;
    std::unique_ptr<Sheet> m_sheet;
    std::unique_ptr<SettingsDialog> m_form;

    void setUp()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_settings = std::make_unique<IniSettings>(m_dir->path());
        m_sheet = std::make_unique<Sheet>();
    }
    void tearDown()
    {
        m_form.reset();
        m_sheet.reset();
        m_settings.reset();
        m_dir.reset();
    }

    // The settings file in force is read as a start reads it, then the dialog is made.
    void create(bool soundLoaded = true)
    {
        SettingsValues values;
        try {
            m_settings->load(values, m_sheet->settingsFile());
        } catch (const FileError &error) {
            PelkoApplication::showError(error.message());
            values = SettingsValues();
        }
        m_sheet->applySettings(m_sheet->settingsFile(), values);
        m_form = std::make_unique<SettingsDialog>(*m_settings, *m_sheet, soundLoaded);
    }
    // Puts other values, or another file's name, in force.
    void changeSettings(const std::function<void(SettingsValues &)> &edit, const QString &file = {})
    {
        SettingsValues values = m_sheet->settings();
        edit(values);
        m_sheet->applySettings(file.isEmpty() ? m_sheet->settingsFile() : file, values);
    }
    void open()
    {
        m_form->show();
        QVERIFY(m_form->isVisible());
    }
    template <typename T> T *child(const QString &name)
    {
        T *found = m_form->findChild<T *>(name);
        if (!found)
            qFatal("no control %s", qPrintable(name));
        return found;
    }
    QString path(const QString &name) const { return m_dir->filePath(name); }
    void writeFile(const QString &name, const QByteArray &bytes)
    {
        QFile file(path(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
};
