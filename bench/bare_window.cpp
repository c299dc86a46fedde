#include "BenchHook.h"
#include "Fonts.h"

#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>

using namespace Qt::StringLiterals;

// The least a main window of pelko's kind costs to start: the same fonts, a menu bar and one
// Japanese label, shown the same way. bench/startup.sh compares pelko with it.
int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(u"Bare"_s);
    QMenu *file = window.menuBar()->addMenu(u"ファイル(&F)"_s);
    file->addAction(u"終了(&X)"_s, &window, &QWidget::close);
    auto *label = new QLabel(u"体力点"_s, &window);
    label->setFont(Fonts::proportional(12));
    window.setCentralWidget(label);
    window.resize(496, 410);
    BenchHook::exitOnFirstShowIfAsked(&window);
    window.show();
    return app.exec();
}
