#pragma once

#include <QDialog>

class Ledger;
class QLabel;
class QPushButton;
class UniformListView;

namespace HistoryWindowDetail {
class Lines;
}

// The history window "履歴": the route as a timeline, one row per paragraph with when it was
// reached and what changed while the reader was there. It shows a ledger the main window hands
// it and says which row the reader wants to go back to; it changes nothing by itself.
class HistoryWindow : public QDialog
{
    Q_OBJECT

public:
    explicit HistoryWindow(QWidget *parent = nullptr);

    // Shows the ledger's rows, the newest selected and in view. Rows before fromRow are
    // taken to be shown already, as they are.
    void setLedger(const Ledger &ledger, int fromRow = 0);
    // A line above the timeline, for a journal that is missing or read-only and for what an
    // export did; empty hides it.
    void setStatus(const QString &text);
    int selectedRow() const;
    void selectRow(int row);
    // The rows shown, and the title line of one ("[3] 2026-12-07 11:59:03 パラグラフ 12").
    int rowCount() const;
    QString rowTitle(int row) const;

Q_SIGNALS:
    void rewindRequested(int row);
    void exportRequested();

private:
    void updateButtons();

    QLabel *m_status;
    HistoryWindowDetail::Lines *m_lines;
    UniformListView *m_rows;
    QPushButton *m_rewind;
    QPushButton *m_export;
};
