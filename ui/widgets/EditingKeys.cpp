#include "EditingKeys.h"

#include <QKeyEvent>

namespace EditingKeys {

bool isEditingShortcut(const QKeyEvent *key)
{
    if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab)
        return true;
    for (const auto shortcut : {QKeySequence::Copy, QKeySequence::Cut, QKeySequence::Paste,
                                QKeySequence::Undo, QKeySequence::Redo, QKeySequence::SelectAll}) {
        if (key->matches(shortcut))
            return true;
    }
    return false;
}

} // namespace EditingKeys
