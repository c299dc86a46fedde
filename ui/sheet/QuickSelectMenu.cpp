#include "QuickSelectMenu.h"

#include "ErrorReport.h"
#include "FileError.h"
#include "IniData.h"
#include "Sheet.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>

using namespace Qt::StringLiterals;

namespace {

// Settings files are named without regard to letter case; of two names differing in case
// only, the exact one counts first, else the first listed, which is the one the name reaches.
qsizetype positionOf(const QStringList &files, const QString &name)
{
    const qsizetype exact = files.indexOf(name);
    if (exact >= 0)
        return exact;
    for (qsizetype i = 0; i < files.size(); ++i) {
        if (files[i].compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

} // namespace

QuickSelectMenu::QuickSelectMenu(QMenu *menu, IniSettings &settings, const Sheet &sheet,
                                 QObject *parent)
    : QObject(parent), m_menu(menu), m_settings(settings), m_sheet(sheet),
      m_group(new QActionGroup(this))
{
    m_group->setExclusive(true);
    connect(m_menu, &QMenu::triggered, this, &QuickSelectMenu::itemChosen);
    m_settings.written = [this] { rebuild(); };
}

QuickSelectMenu::~QuickSelectMenu()
{
    m_settings.written = {};
}

QAction *QuickSelectMenu::addCommand(const QString &text, int id)
{
    auto *action = new QAction(text, m_menu);
    action->setData(id);
    m_menu->addAction(action);
    return action;
}

// Both the submenu and its item in the parent menu: either one disabled greys the entries.
void QuickSelectMenu::setMenuEnabled(bool on)
{
    m_menu->setEnabled(on);
    m_menu->menuAction()->setEnabled(on);
}

void QuickSelectMenu::rebuild()
{
    setMenuEnabled(false);
    // The item being clicked may be among these: it must outlive its own signal.
    for (QAction *old : m_menu->actions()) {
        m_menu->removeAction(old);
        m_group->removeAction(old);
        old->deleteLater();
    }
    m_entries.clear();

    const QStringList &files = m_settings.files;
    const qsizetype first = qsizetype(page) * PageSize;
    if (page > 0) {
        addCommand(u"前のページ(&B)"_s, PreviousPage);
        m_menu->addSeparator();
    }
    for (qsizetype k = 0; k < PageSize && first + k < files.size(); ++k) {
        const QString &file = files[first + k];
        QString shown = file.left(file.size() - 4);
        shown.replace(u'&', u"&&"_s);
        QAction *entry =
            addCommand(u'&' + QString::number(k) + u'　' + shown, int(m_entries.size()));
        entry->setCheckable(true);
        m_group->addAction(entry);
        m_entries.append(file);
    }
    if (files.size() > first + PageSize) {
        m_menu->addSeparator();
        addCommand(u"次のページ(&N)"_s, NextPage);
    }
    setMenuEnabled(!m_menu->actions().isEmpty());

    const qsizetype current = positionOf(files, m_sheet.settingsFile());
    if (current >= first && current < first + PageSize) {
        for (QAction *action : m_group->actions()) {
            if (action->data().toInt() == current - first)
                action->setChecked(true);
        }
    }
}

int QuickSelectMenu::pageOf(const QString &fileName) const
{
    const qsizetype found = positionOf(m_settings.files, fileName);
    return found < 0 ? 0 : int(found / PageSize);
}

void QuickSelectMenu::itemChosen(QAction *item)
{
    if (item->isSeparator())
        return;
    const int id = item->data().toInt();
    if (id == PreviousPage || id == NextPage) {
        page = id == PreviousPage ? std::max(0, page - 1) : page + 1;
        rebuild();
        return;
    }
    if (id < 0 || id >= m_entries.size())
        return;
    const QString file = m_entries[id];
    // A file that cannot be read changes nothing: the file in force stays the one whose
    // values are in force.
    SettingsValues loaded;
    QString notice;
    try {
        m_settings.load(loaded, file, &notice);
    } catch (const FileError &error) {
        PelkoApplication::showError(error.message());
        rebuild();
        return;
    }
    PelkoApplication::showNotice(notice);
    Q_EMIT settingsChosen(file, loaded);
}
