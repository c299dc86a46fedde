#include "HistoryWindow.h"

#include "Ledger.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

using namespace Qt::StringLiterals;

HistoryWindow::HistoryWindow(QWidget *parent)
    : QDialog(parent), m_status(new QLabel(this)), m_rows(new QTreeWidget(this)),
      m_rewind(new QPushButton(u"この時点に戻る"_s, this)),
      m_export(new QPushButton(u"書き出し"_s, this))
{
    setObjectName(u"HistoryWindow"_s);
    setWindowTitle(u"履歴"_s);
    m_status->setObjectName(u"HistoryStatus"_s);
    m_status->setWordWrap(true);
    m_status->hide();
    m_rows->setObjectName(u"HistoryList"_s);
    m_rows->setColumnCount(1);
    // Every row is one line: the view then lays out a long history without measuring it.
    m_rows->setUniformRowHeights(true);
    m_rows->header()->hide();
    m_rows->setAccessibleName(u"履歴"_s);
    m_rewind->setObjectName(u"RewindButton"_s);
    m_rewind->setToolTip(u"選んだパラグラフを登録した時点のシートに戻す"_s);
    m_export->setObjectName(u"ExportButton"_s);
    m_export->setToolTip(u"履歴をテキストファイルに書き出す"_s);
    auto *close = new QPushButton(u"閉じる"_s, this);
    close->setObjectName(u"CloseButton"_s);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_rewind);
    buttons->addWidget(m_export);
    buttons->addStretch();
    buttons->addWidget(close);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_status);
    layout->addWidget(m_rows);
    layout->addLayout(buttons);
    resize(420, 480);

    connect(m_rows, &QTreeWidget::currentItemChanged, this, &HistoryWindow::updateButtons);
    connect(m_rewind, &QPushButton::clicked, this, [this] {
        if (selectedRow() >= 0)
            Q_EMIT rewindRequested(selectedRow());
    });
    connect(m_export, &QPushButton::clicked, this, &HistoryWindow::exportRequested);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    updateButtons();
}

void HistoryWindow::setLedger(const Ledger &ledger, int fromRow)
{
    fromRow = std::clamp(fromRow, 0, m_rows->topLevelItemCount());
    while (m_rows->topLevelItemCount() > fromRow)
        delete m_rows->takeTopLevelItem(m_rows->topLevelItemCount() - 1);
    QList<QTreeWidgetItem *> items;
    for (qsizetype i = fromRow; i < ledger.rows().size(); ++i) {
        const Ledger::Row &row = ledger.rows()[i];
        auto *item = new QTreeWidgetItem(QStringList{row.title});
        for (const QString &change : row.changes)
            item->addChild(new QTreeWidgetItem(QStringList{change}));
        items.append(item);
    }
    m_rows->addTopLevelItems(items);
    for (QTreeWidgetItem *item : std::as_const(items))
        item->setExpanded(true);
    selectRow(m_rows->topLevelItemCount() - 1);
}

void HistoryWindow::setStatus(const QString &text)
{
    m_status->setText(text);
    m_status->setVisible(!text.isEmpty());
}

int HistoryWindow::selectedRow() const
{
    QTreeWidgetItem *item = m_rows->currentItem();
    // A change line stands for the row it belongs to.
    if (item && item->parent())
        item = item->parent();
    return item ? m_rows->indexOfTopLevelItem(item) : -1;
}

void HistoryWindow::selectRow(int row)
{
    QTreeWidgetItem *item = m_rows->topLevelItem(row);
    m_rows->setCurrentItem(item);
    if (item)
        m_rows->scrollToItem(item);
    updateButtons();
}

void HistoryWindow::updateButtons()
{
    m_rewind->setEnabled(selectedRow() >= 0);
    m_export->setEnabled(m_rows->topLevelItemCount() > 0);
}
