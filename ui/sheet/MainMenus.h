#pragma once

class QAction;
class QMenu;
class QMenuBar;

// The main window's menu bar: its menus and the items the window acts on, named as outside
// tools know them. Items that depend on the sheet start disabled.
struct MainMenus
{
    static MainMenus create(QMenuBar *bar);
    // Save is there while the sheet has a file to be saved to; without one, its keys ask for a
    // name as "名前をつけて保存(&A)" does.
    void setSaveEnabled(bool enabled) const;

    QMenu *file = nullptr;
    QAction *newSheet = nullptr;
    QAction *open = nullptr;
    QAction *save = nullptr;
    QAction *saveAs = nullptr;
    QAction *exportCharacter = nullptr;
    QAction *exportRoute = nullptr;
    QAction *exit = nullptr;

    QMenu *edit = nullptr;
    QAction *linkMode = nullptr;

    QMenu *options = nullptr;
    QAction *settings = nullptr;
    QMenu *quickSelect = nullptr;
    QAction *showRoute = nullptr;
    QAction *clearRoute = nullptr;

    QMenu *rules = nullptr; // filled by RulesCommands

    QMenu *help = nullptr;
    QAction *about = nullptr;
};
