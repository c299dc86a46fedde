#pragma once

#include "Journal.h"

#include <QDialog>

class QTreeWidget;

// "前回の続き": the sheets left without a save, newest first, each with its character name,
// when it was last changed, its last paragraph and its settings file. The one chosen is the
// one to take up; "破棄" asks for the one selected to be forgotten and takes it off the list.
// The dialog itself changes nothing.
class ResumeDialog : public QDialog
{
    Q_OBJECT

public:
    ResumeDialog(const QList<Journal::UnsavedSheet> &sheets, QWidget *parent = nullptr);

    // The session of the sheet chosen, 0 for none.
    qint64 chosenSession() const;

Q_SIGNALS:
    void discardRequested(qint64 session);

private:
    QTreeWidget *m_list;
};
