#pragma once

// Shared by the tests that read settings files and those that write them.

#include "Cp932.h"
#include "IniData.h"

#include <QFile>
#include <QTest>

Q_DECLARE_METATYPE(SettingsValues)

// Lets QCOMPARE show which field of two records differs; long texts are shortened.
inline char *toString(const SettingsValues &data)
{
    using namespace Qt::StringLiterals;
    const auto shown = [](const QString &text) {
        return text.size() > 40 ? text.first(40) + u"…(%1)"_s.arg(text.size()) : text;
    };
    QString text;
    for (int i = 0; i < SettingsValues::AbilityCount; ++i)
        text += u"%1:%2:%3 "_s.arg(i + 1).arg(data.enabled[i] ? 1 : 0).arg(data.names[i]);
    text += u"OverLoad=%1 MinusEnable=%2 Dice=%3%4%5%6%7 Route=%8 FixWord=%9 "_s.arg(data.overLoad)
                .arg(data.minusEnable)
                .arg(data.numberDice)
                .arg(data.zeroDice)
                .arg(data.percentileDice)
                .arg(data.soundEffect)
                .arg(data.variableRoll)
                .arg(data.routePanelVisible)
                .arg(shown(data.fixWord));
    text += u"FixType=%1 FlagListMode=%2 FlagNumber=%3 FlagText=%4"_s.arg(data.fixType)
                .arg(data.flagListMode)
                .arg(data.flagNumber)
                .arg(shown(data.flagText).replace(u"\r\n"_s, u"|"_s));
    return qstrdup(text.toUtf8().constData());
}

// The lines joined and ended by CR LF, in code page 932: a settings file as a user keeps it.
inline QByteArray iniFile(const QStringList &lines)
{
    using namespace Qt::StringLiterals;
    return Cp932::encode(lines.join(u"\r\n"_s) + u"\r\n"_s);
}

inline void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
    QCOMPARE(file.write(bytes), bytes.size());
}

// A record unlike the defaults in every field.
inline SettingsValues customRecord()
{
    using namespace Qt::StringLiterals;
    SettingsValues data;
    data.enabled = {false, true, false, true, false, true, false, true};
    data.names = {u"生命"_s, u"ｱｲｳ"_s, QString(), u"Luck"_s, u"魔力点"_s, u"a"_s, u"b"_s, u"c"_s};
    data.overLoad = true;
    data.minusEnable = true;
    data.numberDice = true;
    data.zeroDice = true;
    data.percentileDice = true;
    data.soundEffect = false;
    data.variableRoll = false;
    data.routePanelVisible = false;
    data.fixWord = u"経路 log"_s;
    data.fixType = 1;
    data.flagListMode = 1;
    data.flagNumber = 4;
    data.flagText = u"鍵\r\n\r\nroom 7\r\n～\r\n"_s;
    return data;
}
