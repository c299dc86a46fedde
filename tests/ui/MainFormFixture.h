#pragma once

#include "FileCommands.h"
#include "IniData.h"
#include "MainWindow.h"

#include <QAction>
#include <QPushButton>

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>
#include <sys/stat.h>

// A main window over a temporary program directory that holds a "diceroll.wav".
struct MainFormFixture
{
    QTemporaryDir dir;
    std::unique_ptr<IniSettings> settings;
    std::unique_ptr<MainWindow> form;

    // Without the sound, soundAsPipe puts a named pipe where the sound file would be.
    explicit MainFormFixture(const SettingsValues &ini = SettingsValues(), bool withSound = true,
                             bool soundAsPipe = false)
    {
        if (soundAsPipe)
            mkfifo(QFile::encodeName(dir.filePath(QStringLiteral("diceroll.wav"))).constData(),
                   0600);
        if (withSound) {
            QFile wav(dir.filePath(QStringLiteral("diceroll.wav")));
            if (wav.open(QIODevice::WriteOnly))
                wav.write("RIFF");
        }
        settings = std::make_unique<IniSettings>(dir.path() + u'/');
        form = std::make_unique<MainWindow>(*settings, settings->programDir());
        form->sheet().applySettings(u"Default.ini"_qs, ini);
        form->show();
    }

    // Puts other values in force, as a settings file chosen would.
    void changeSettings(const std::function<void(SettingsValues &)> &edit) const
    {
        SettingsValues values = form->sheet().settings();
        edit(values);
        form->sheet().applySettings(form->sheet().settingsFile(), values);
    }

    template <typename T = QWidget> T *find(const QString &name) const
    {
        auto *found = form->findChild<T *>(name);
        if (!found)
            qWarning("no control named %s", qPrintable(name));
        return found;
    }
};
