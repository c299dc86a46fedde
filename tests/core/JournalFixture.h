#pragma once

// The sheets, steps and raw database access the journal's tests share, and the programs they
// start as child processes (a player killed mid-game, a second writer).

#include "Journal.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QThread>

#include <cstdio>

namespace JournalFixture {

using namespace Qt::StringLiterals;

constexpr qint64 Now = 1796637600000; // 2026-12-07 10:00:00 UTC

inline SheetState sheetWithMoney(int money)
{
    SheetState s = SheetState::fresh();
    s.record.setMoney(money);
    return s;
}

inline SheetStep moneyStep(int from, int to, qint64 time = 1)
{
    return {SheetStep::Kind::Typing, u"EditMoney"_s, time,
            SheetDelta::between(sheetWithMoney(from), sheetWithMoney(to))};
}

// A step of a kind that names no box.
inline SheetStep flagStep()
{
    SheetState ticked = sheetWithMoney(23);
    ticked.record.setFlagCount(1);
    ticked.record.setFlag(0, true);
    return {SheetStep::Kind::Flag, QString(), 2, SheetDelta::between(sheetWithMoney(23), ticked)};
}

inline QByteArray contentOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Runs statements on the database at path through a connection of its own.
inline bool runSql(const QString &path, const QStringList &statements)
{
    bool ok = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"raw"_s);
        db.setDatabaseName(path);
        ok = db.open();
        for (const QString &sql : statements) {
            QSqlQuery q(db);
            ok = ok && q.exec(sql);
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(u"raw"_s);
    return ok;
}

// A program that plays a sheet named after money, with steps steps, says so once its steps are
// on the disk and waits to be killed.
inline int playAndWait(const QString &dir, int money, int steps)
{
    Journal journal;
    SheetState sheet = sheetWithMoney(0);
    sheet.record.setName(QString::number(money));
    sheet.record.setRouteCount(1);
    sheet.record.setRouteAt(1, 7);
    sheet.record.setInventory(QString(4000, u'x'));
    if (!journal.open(dir) || !journal.beginSession(sheet))
        return 1;
    for (int i = 0; i < steps; ++i) {
        SheetState next = sheet;
        next.record.setMoney(i == steps - 1 ? steps : money + i);
        journal.appendStep(
            {SheetStep::Kind::Typing, u"EditMoney"_s, i, SheetDelta::between(sheet, next)}, next);
        sheet = next;
        if (i % 50 == 0)
            journal.flush();
    }
    journal.flush();
    std::printf("ready\n");
    std::fflush(stdout);
    for (;;)
        QThread::sleep(1);
}

// The other program of the two-writer test: steps steps, each its own transaction.
inline int writeSteps(const QString &dir, int steps)
{
    Journal journal;
    if (!journal.open(dir) || !journal.beginSession(sheetWithMoney(0))) {
        std::fprintf(stderr, "%s\n", qPrintable(journal.statusText()));
        return 1;
    }
    for (int i = 0; i < steps; ++i)
        journal.appendStep(moneyStep(i, i + 1, i));
    journal.flush();
    return journal.isAvailable() ? 0 : 2;
}

// The first value sql reads from the journal at path; invalid when it cannot be read.
inline QVariant firstValue(const QString &path, const QString &sql)
{
    QVariant value;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"count"_s);
        db.setDatabaseName(path);
        QSqlQuery q(db);
        if (db.open() && q.exec(sql) && q.next())
            value = q.value(0);
    }
    QSqlDatabase::removeDatabase(u"count"_s);
    return value;
}

// The rows of table in the journal at path, -1 when it cannot be read.
inline int rowCount(const QString &path, const QString &table)
{
    const QVariant count = firstValue(path, u"SELECT count(*) FROM %1"_s.arg(table));
    return count.isValid() ? count.toInt() : -1;
}

} // namespace JournalFixture
