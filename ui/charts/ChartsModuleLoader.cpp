#include "ChartsModule.h"

#include "ProgramDir.h"

#include <QFileInfo>
#include <QLibrary>

using namespace Qt::StringLiterals;

QString chartsModuleFileName()
{
    return QStringLiteral(PELKO_CHARTS_MODULE_NAME);
}

ChartsModule *loadChartsModule()
{
    static ChartsModule *loaded = nullptr;
    if (loaded)
        return loaded;
    const QStringList paths = ProgramDir::ofRunningProgram().modulePaths(chartsModuleFileName());
    for (const QString &path : paths) {
        // Loading opens and reads the file: a pipe of that name would never answer.
        if (!QFileInfo(path).isFile())
            continue;
        // The library stays loaded for the rest of the run: the window it made lives on.
        QLibrary module(path);
        if (const auto create =
                reinterpret_cast<ChartsModuleFactory>(module.resolve(ChartsModuleFactoryName))) {
            loaded = create();
            break;
        }
    }
    return loaded;
}
