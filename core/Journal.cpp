#include "Journal.h"

using namespace Qt::StringLiterals;

struct Journal::Private
{
    QString path;
    QString status;
};

Journal::Journal() : d(std::make_unique<Private>()) {}
Journal::~Journal() = default;

QString Journal::fileName()
{
    return u"Pelko.journal"_s;
}

bool Journal::open(const QString &)
{
    return false;
}
void Journal::close() {}
bool Journal::isAvailable() const
{
    return false;
}
bool Journal::isReadOnly() const
{
    return false;
}
QString Journal::statusText() const
{
    return d->status;
}
QString Journal::path() const
{
    return d->path;
}
bool Journal::beginSession(const SheetState &)
{
    return false;
}
qint64 Journal::currentSession() const
{
    return 0;
}
bool Journal::appendStep(const SheetStep &)
{
    return false;
}
bool Journal::amendLastStep(const SheetStep &)
{
    return false;
}
bool Journal::setUndoIndex(int)
{
    return false;
}
bool Journal::appendDice(const QList<int> &, int, qint64)
{
    return false;
}
bool Journal::noteSaved(const QString &, const QByteArray &)
{
    return false;
}
std::optional<qint64> Journal::sessionForSaveFile(const QString &, const QByteArray &) const
{
    return std::nullopt;
}
std::optional<qint64> Journal::lastUnfinishedSession() const
{
    return std::nullopt;
}
QList<Journal::SessionInfo> Journal::sessions() const
{
    return {};
}
std::optional<Journal::SessionData> Journal::loadSession(qint64) const
{
    return std::nullopt;
}
std::optional<Journal::SessionData> Journal::continueSession(qint64, int)
{
    return std::nullopt;
}
int Journal::savedStepCount(qint64) const
{
    return -1;
}
