// Writes the program's picture as the PNG sizes of the desktop's icon theme, drawn by the same
// code as the About box's icon: make_icons FOLDER writes FOLDER/<size>.png.
#include "ProgramIcon.h"

#include <QDir>
#include <QGuiApplication>
#include <QPixmap>

#include <cstdio>

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 2) {
        std::fputs("usage: make_icons FOLDER\n", stderr);
        return 2;
    }
    const QDir folder(arguments[1]);
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString path = folder.filePath(QString::number(size) + QStringLiteral(".png"));
        if (!ProgramIcon::pixmap(size).save(path, "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
