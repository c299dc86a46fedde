#pragma once

#include "IniData.h"
#include "Main.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <sys/stat.h>

// A main window over a temporary program directory that holds a "diceroll.wav".
struct MainFormFixture
{
    QTemporaryDir dir;
    std::unique_ptr<IniSettings> settings;
    std::unique_ptr<TMainForm> form;

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
        settings->IniData = ini;
        form = std::make_unique<TMainForm>(*settings, settings->programDir());
        form->show();
    }

    template <typename T = QWidget> T *find(const QString &name) const
    {
        auto *found = form->findChild<T *>(name);
        if (!found)
            qWarning("no control named %s", qPrintable(name));
        return found;
    }
};
