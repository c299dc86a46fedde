#pragma once

// Shared by the main window's layout tests and its editing tests.

#include "IniData.h"
#include "MainFormFixture.h"

#include <QLineEdit>

inline QLineEdit *edit(const MainFormFixture &f, const QString &name)
{
    return f.find<QLineEdit>(name);
}

// The defaults with all eight ability rows shown.
inline SettingsValues allAbilities()
{
    SettingsValues ini;
    ini.enabled.fill(true);
    return ini;
}
