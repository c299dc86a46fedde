#include "Ledger.h"

#include <QDateTime>

using namespace Qt::StringLiterals;

Ledger::Ledger(const SheetState &initial, const QList<SheetStep> &, const QList<DiceEvent> &,
               const QStringList &, const QStringList &)
{
    m_rows.append(Row{});
    m_snapshots.append(Snapshot{initial, 0, 0});
}

SheetState Ledger::stateAtRow(int row) const
{
    return m_snapshots.value(row).withoutRoute;
}

QStringList Ledger::lines(const QString &) const
{
    return {};
}

QString Ledger::exportFileName(const QString &characterName)
{
    return characterName.isEmpty() ? u"履歴.txt"_s : characterName + u"_履歴.txt"_s;
}

QString Ledger::timeText(qint64 timeMs)
{
    return QDateTime::fromMSecsSinceEpoch(timeMs).toString(u"yyyy-MM-dd HH:mm:ss"_s);
}
