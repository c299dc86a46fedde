#include "ResumeDialog.h"

#include "Ledger.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

ResumeDialog::ResumeDialog(const QList<Journal::UnsavedSheet> &sheets, QWidget *parent)
    : QDialog(parent), m_list(new QTreeWidget(this))
{
    setObjectName(u"ResumeDialog"_s);
    setWindowTitle(u"前回の続き"_s);
    m_list->setObjectName(u"ResumeList"_s);
    m_list->setAccessibleName(u"保存されずに残ったシート"_s);
    m_list->setRootIsDecorated(false);
    m_list->setHeaderLabels({u"名前"_s, u"最終変更"_s, u"パラグラフ"_s, u"設定ファイル"_s});
    for (const Journal::UnsavedSheet &sheet : sheets) {
        QString name = sheet.name.isEmpty() ? u"(名前なし)"_s : sheet.name;
        // Left on another machine (or under this one's former name): said at once.
        if (!sheet.machine.isEmpty())
            name += u" [別のマシン %1]"_s.arg(sheet.machine);
        auto *item = new QTreeWidgetItem(
            m_list,
            {name, Ledger::timeText(sheet.lastActiveMs),
             sheet.paragraph ? QString::number(sheet.paragraph) : u"-"_s, sheet.settingsFile});
        item->setData(0, Qt::UserRole, sheet.session);
        if (!sheet.saveFile.isEmpty())
            item->setToolTip(0, sheet.saveFile);
    }
    m_list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    if (m_list->topLevelItemCount() > 0)
        m_list->setCurrentItem(m_list->topLevelItem(0));

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(u"開く"_s);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(u"ResumeOpen"_s);
    buttons->button(QDialogButtonBox::Cancel)->setText(u"キャンセル"_s);
    QPushButton *discard = buttons->addButton(u"破棄"_s, QDialogButtonBox::DestructiveRole);
    discard->setObjectName(u"ResumeDiscard"_s);
    discard->setAutoDefault(false); // Return never forgets a sheet
    discard->setEnabled(m_list->topLevelItemCount() > 0);
    connect(discard, &QPushButton::clicked, this, [this, discard] {
        const qint64 session = chosenSession();
        if (session == 0)
            return;
        Q_EMIT discardRequested(session);
        delete m_list->currentItem();
        discard->setEnabled(m_list->topLevelItemCount() > 0);
    });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_list, &QTreeWidget::itemActivated, this, &QDialog::accept);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_list);
    layout->addWidget(buttons);
    resize(520, 300);
}

qint64 ResumeDialog::chosenSession() const
{
    const QTreeWidgetItem *item = m_list->currentItem();
    return item ? item->data(0, Qt::UserRole).toLongLong() : 0;
}
