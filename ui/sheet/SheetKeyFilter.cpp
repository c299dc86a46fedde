#include "SheetKeyFilter.h"

#include "EditingKeys.h"
#include "NumberText.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>

#include <algorithm>

namespace {

// A letter that several items of a menu share moves the selection among them, and Return
// chooses. Qt counts disabled items among them but cannot select one: while "保存(&S)" is
// disabled, S would reach neither it nor the route export sharing its letter. Here the letter
// moves among the enabled items alone; a menu without disabled sharers is left to Qt.
bool selectBySharedMnemonic(QMenu *menu, const QKeyEvent *key)
{
    if (key->text().size() != 1 ||
        (key->modifiers() & ~(Qt::ShiftModifier | Qt::AltModifier | Qt::KeypadModifier)))
        return false;
    const int letter = key->text().front().toUpper().unicode();
    QList<QAction *> enabled;
    int sharers = 0;
    for (QAction *action : menu->actions()) {
        if (action->isSeparator() || !action->isVisible())
            continue;
        const QKeySequence mnemonic = QKeySequence::mnemonic(action->text());
        if (mnemonic.isEmpty() || (mnemonic[0].toCombined() & 0xFFFF) != letter)
            continue;
        ++sharers;
        if (action->isEnabled())
            enabled.append(action);
    }
    if (sharers < 2 || enabled.isEmpty() || enabled.size() == sharers)
        return false;
    const qsizetype at = enabled.indexOf(menu->activeAction());
    menu->setActiveAction(enabled[(at + 1) % enabled.size()]);
    return true;
}

} // namespace

SheetKeyFilter::SheetKeyFilter(std::function<void()> enterInParagraphBox, QObject *parent)
    : QObject(parent), m_enter(std::move(enterInParagraphBox))
{}

void SheetKeyFilter::watchMenu(QMenu *menu)
{
    menu->installEventFilter(this);
}

void SheetKeyFilter::watchNumberBox(QLineEdit *box)
{
    m_numberBoxes.insert(box);
    box->installEventFilter(this);
}

void SheetKeyFilter::watchParagraphBox(QLineEdit *box)
{
    m_paragraphBox = box;
    box->installEventFilter(this);
}

bool SheetKeyFilter::acceptedInParagraphBox(QChar c)
{
    if (c == u'\r' || c == u'\n') {
        m_enter();
        return false;
    }
    return NumberText::isAcceptedKey(c);
}

bool SheetKeyFilter::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto *key = static_cast<QKeyEvent *>(event);
    if (auto *menu = qobject_cast<QMenu *>(watched))
        return selectBySharedMnemonic(menu, key);
    if (watched != m_paragraphBox && !m_numberBoxes.contains(watched))
        return false;
    if (EditingKeys::isEditingShortcut(key))
        return false;
    // Every character a key would type must pass, whatever modifier is held: the box takes
    // Alt+A as an "a", and a character beyond the BMP comes as two halves, neither a digit.
    const QString typed = key->text();
    return !std::all_of(typed.begin(), typed.end(), [this, watched](QChar c) {
        return watched == m_paragraphBox ? acceptedInParagraphBox(c) : NumberText::isAcceptedKey(c);
    });
}
