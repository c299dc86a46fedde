#pragma once

// A main window with its history, driven as a person drives it, and what a person sees of it:
// the fixture of the undo tests and of the history's recovery tests.

#include "CharacterRecord.h"
#include "CheckListBox.h"
#include "HistoryWindow.h"
#include "Journal.h"
#include "MainFormFixture.h"
#include "RoutePanel.h"
#include "SaveFile.h"
#include "SettingsDialog.h"
#include "SheetHistory.h"
#include "SheetUndo.h"
#include "SpinButton.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QUndoStack>

#include <functional>

namespace SheetUndoFixture {

using namespace Qt::StringLiterals;

// What a person sees of the sheet: every box, the flags, the route view, the panel, the menus.
struct View
{
    QStringList texts;
    QList<bool> flags;
    QString route;
    bool panelShown = false;
    int width = 0;
    bool linkMode = false;
    bool saveEnabled = false;
    bool operator==(const View &) const = default;
};

inline View view(const MainFormFixture &f)
{
    View v;
    for (QLineEdit *edit : f.form->findChildren<QLineEdit *>(Qt::FindDirectChildrenOnly))
        v.texts.append(edit->objectName() + u'=' + edit->text());
    for (QLineEdit *edit : f.find<QWidget>(u"Sheet"_s)->findChildren<QLineEdit *>())
        v.texts.append(edit->objectName() + u'=' + edit->text());
    v.texts.append(f.find<QPlainTextEdit>(u"MemoInventry"_s)->toPlainText());
    auto *list = f.find<CheckListBox>(u"CheckListBoxFL"_s);
    for (int i = 0; i < list->count(); ++i)
        v.flags.append(list->isChecked(i));
    v.route = f.find<QPlainTextEdit>(u"MemoRoute"_s)->toPlainText();
    v.panelShown = !f.find<RoutePanel>(u"PanelRoute"_s)->isHidden();
    v.width = f.form->width();
    v.linkMode = f.form->sheet().linkMode();
    v.saveEnabled = f.find<QAction>(u"Save1"_s)->isEnabled();
    return v;
}

inline SettingsValues flagSettings()
{
    SettingsValues ini;
    ini.flagNumber = 3;
    ini.flagText = u"鍵\r\n剣\r\n盾\r\n"_s;
    return ini;
}

// A main window whose settings file is on disk, as the program always has it.
struct Player : MainFormFixture
{
    Player() : MainFormFixture(flagSettings())
    {
        saveSettingsFile(form->sheet().settings(), dir.filePath(u"Default.ini"_s));
        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        QTRY_VERIFY(form->history().journal());
    }
    QLineEdit *box(const QString &name) const { return find<QLineEdit>(name); }
    QUndoStack *stack() const { return form->history().undo().stack(); }
    void type(const QString &name, const QString &text) const
    {
        QLineEdit *edit = box(name);
        edit->setFocus();
        QTest::keyClicks(edit, text);
    }
    void registerParagraph(const QString &digits) const
    {
        type(u"EditNow"_s, digits);
        QTest::keyClick(box(u"EditNow"_s), Qt::Key_Return);
    }
    void trigger(const QString &action) const { find<QAction>(action)->trigger(); }
};

} // namespace SheetUndoFixture
