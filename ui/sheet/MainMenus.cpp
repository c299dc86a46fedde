#include "MainMenus.h"

#include "EditingKeys.h"

#include <QMenu>
#include <QMenuBar>

using namespace Qt::StringLiterals;

namespace {

QMenu *menu(QMenuBar *bar, const QString &name, const QString &caption)
{
    QMenu *added = bar->addMenu(caption);
    added->setObjectName(name);
    return added;
}

QAction *item(QMenu *menu, const QString &name, const QString &caption, bool enabled = true)
{
    QAction *action = menu->addAction(caption);
    action->setObjectName(name);
    action->setEnabled(enabled);
    return action;
}

void separator(QMenu *menu, const QString &name)
{
    menu->addSeparator()->setObjectName(name);
}

} // namespace

MainMenus MainMenus::create(QMenuBar *bar)
{
    MainMenus m;
    m.file = menu(bar, u"F1"_s, u"ファイル(&F)"_s);
    m.newSheet = item(m.file, u"New1"_s, u"新規作成(&N)"_s);
    m.open = item(m.file, u"Open1"_s, u"開く(&O)"_s);
    separator(m.file, u"N1"_s);
    m.save = item(m.file, u"Save1"_s, u"保存(&S)"_s);
    m.saveAs = item(m.file, u"SaveAs1"_s, u"名前をつけて保存(&A)"_s);
    separator(m.file, u"N2"_s);
    m.exportCharacter = item(m.file, u"N7"_s, u"データをテキストファイルに書き出す(&D)"_s, false);
    m.exportRoute = item(m.file, u"N10"_s, u"道程をテキストファイルに書き出す(&S)"_s, false);
    separator(m.file, u"N5"_s);
    m.exit = item(m.file, u"Exit1"_s, u"終了(&X)"_s);
    // The desktop's own keys; in a box they reach the command, as no box edits with them.
    m.newSheet->setShortcuts(EditingKeys::commandKeys(QKeySequence::New, Qt::CTRL | Qt::Key_N));
    m.open->setShortcuts(EditingKeys::commandKeys(QKeySequence::Open, Qt::CTRL | Qt::Key_O));
    m.save->setShortcuts(EditingKeys::commandKeys(QKeySequence::Save, Qt::CTRL | Qt::Key_S));
    m.saveAs->setShortcuts(
        EditingKeys::commandKeys(QKeySequence::SaveAs, Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    m.exit->setShortcuts(EditingKeys::commandKeys(QKeySequence::Quit, Qt::CTRL | Qt::Key_Q));
    m.setSaveEnabled(false);

    m.edit = menu(bar, u"Edit1"_s, u"編集(&E)"_s);
    m.linkMode = item(m.edit, u"N4"_s, u"現在値を原点にそろえる(&M)"_s);
    m.linkMode->setCheckable(true);

    m.options = menu(bar, u"O1"_s, u"オプション(&O)"_s);
    m.settings = item(m.options, u"N3"_s, u"環境設定(&E)"_s);
    m.quickSelect = m.options->addMenu(u"簡易選択(&S)"_s);
    m.quickSelect->setObjectName(u"Env"_s);
    m.quickSelect->menuAction()->setObjectName(u"EnvAction"_s);
    m.quickSelect->setEnabled(false);
    separator(m.options, u"N6"_s);
    m.showRoute = item(m.options, u"N8"_s, u"道程を見る(&L)"_s, false);
    m.clearRoute = item(m.options, u"N9"_s, u"道程をクリアする(&C)"_s, false);

    m.rules = menu(bar, u"Rules1"_s, u"判定(&J)"_s);

    m.help = menu(bar, u"Help1"_s, u"ヘルプ(&H)"_s);
    m.about = item(m.help, u"About1"_s, u"バージョン情報(&A)"_s);
    return m;
}

void MainMenus::setSaveEnabled(bool enabled) const
{
    save->setEnabled(enabled);
    QList<QKeySequence> keys =
        EditingKeys::commandKeys(QKeySequence::SaveAs, Qt::CTRL | Qt::SHIFT | Qt::Key_S);
    if (!enabled)
        keys += save->shortcuts();
    saveAs->setShortcuts(keys);
}
