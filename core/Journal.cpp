#include "Journal.h"

#include "JournalStore.h"
#include "ProgramDir.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QLibrary>
#include <QSet>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <future>
#include <iterator>
#include <mutex>
#include <thread>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

// Where the store's module is looked for: in the program's own layout only (in the library
// folder of an installed program, beside a portable one).
QStringList modulePaths()
{
    return ProgramDir::ofRunningProgram().modulePaths(QStringLiteral(PELKO_JOURNAL_MODULE_NAME));
}

// A new store from the module, loaded the first time and kept for the rest of the run; null
// when no module is found.
JournalStore *createStore()
{
    static const JournalStoreFactory create = [] {
        for (const QString &path : modulePaths()) {
            // Loading opens and reads the file: a pipe of that name would never answer.
            if (!QFileInfo(path).isFile())
                continue;
            QLibrary module(path);
            if (const auto factory =
                    reinterpret_cast<JournalStoreFactory>(module.resolve(JournalStoreFactoryName)))
                return factory;
        }
        return JournalStoreFactory(nullptr);
    }();
    return create ? create() : nullptr;
}

} // namespace

// The store is created, used and destroyed on the worker thread only, as its database
// connection must be. What the window thread may read is copied out after every task.
struct Journal::Private
{
    std::unique_ptr<JournalStore> store; // worker thread only
    std::thread worker;

    std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable idle;
    struct Task
    {
        std::function<void()> run;
        bool write = false; // a write may share a transaction with the writes next to it
    };
    std::vector<Task> tasks; // queued by the window thread
    // Tasks done, handed back to the window thread to be destroyed there: what a task holds was
    // made on that thread, and memory freed where it was made stays in that thread's cache of
    // the allocator instead of sending every later allocation down the slow path.
    std::vector<Task> finished;
    std::vector<Task> trash; // window thread only
    bool busy = false;
    bool stopping = false;
    // Copied from the store after each task.
    std::atomic<bool> available = false; // read at every step without the lock
    bool readOnly = false;
    QString status;
    QString path;
    qint64 session = 0;
    // Window thread only: the moves since the whole sheet was last handed over, and when.
    int moves = 0;
    qint64 wholeAtMs = 0;

    void publish()
    {
        std::lock_guard lock(mutex);
        if (store) {
            available = store->isAvailable();
            readOnly = store->isReadOnly();
            status = store->statusText();
            session = store->currentSession();
        }
    }

    void run()
    {
        std::vector<Task> work;
        for (;;) {
            {
                std::unique_lock lock(mutex);
                // Idle for a while, the journal's files are looked at: one deleted while nobody
                // plays is made again before a kill could lose what only this program reads.
                if (!wake.wait_for(lock, std::chrono::seconds(2),
                                   [this] { return stopping || !tasks.empty(); })) {
                    busy = true;
                    lock.unlock();
                    if (store)
                        store->checkFiles();
                    publish();
                    lock.lock();
                    busy = false;
                    if (tasks.empty())
                        idle.notify_all();
                    continue;
                }
                if (tasks.empty())
                    return;
                std::swap(work, tasks);
                busy = true;
            }
            for (size_t i = 0; i < work.size();) {
                // The writes waiting in a row go in one transaction: a burst of steps costs
                // one flush to the disk, not one each.
                size_t end = i + 1;
                while (work[i].write && end < work.size() && work[end].write)
                    ++end;
                const bool writes = work[i].write && store;
                if (writes)
                    store->beginBatch();
                for (size_t k = i; k < end; ++k)
                    work[k].run();
                if (writes)
                    store->endBatch();
                i = end;
            }
            publish();
            std::lock_guard lock(mutex);
            if (finished.empty()) {
                std::swap(work, finished);
            } else {
                std::move(work.begin(), work.end(), std::back_inserter(finished));
                work.clear();
            }
            busy = false;
            if (tasks.empty())
                idle.notify_all();
        }
    }

    // Called on the window thread with the lock held: takes the tasks done so far, to be
    // destroyed by dropTrash once the lock is released.
    void collectTrash() { std::swap(trash, finished); }
    void dropTrash() { trash.clear(); }

    // Runs work on the worker after the tasks queued before it and waits for its result.
    template <typename Work, typename Result = std::invoke_result_t<Work, JournalStore &>>
    Result call(Work work, Result fallback = {})
    {
        std::promise<Result> promise;
        std::future<Result> answer = promise.get_future();
        {
            std::lock_guard lock(mutex);
            if (!worker.joinable())
                return fallback;
            tasks.push_back({[this, &work, &promise, &fallback] {
                                 Result result = store ? work(*store) : fallback;
                                 publish(); // before the caller wakes: it sees the outcome
                                 promise.set_value(std::move(result));
                             },
                             false});
            collectTrash();
        }
        wake.notify_one();
        Result result = answer.get();
        dropTrash();
        return result;
    }

    template <typename Work> bool queue(Work work)
    {
        {
            std::lock_guard lock(mutex);
            if (!worker.joinable() || !available)
                return false;
            tasks.push_back({[this, work = std::move(work)] {
                                 if (store)
                                     work(*store);
                             },
                             true});
            collectTrash();
        }
        wake.notify_one();
        dropTrash();
        return true;
    }
};

Journal::Journal() : d(std::make_unique<Private>()) {}

Journal::~Journal()
{
    close();
}

QString Journal::fileName()
{
    return u"Pelko.journal"_s;
}

void Journal::post(std::function<void()> task)
{
    {
        std::lock_guard lock(d->mutex);
        d->tasks.push_back({std::move(task), false});
    }
    d->wake.notify_one();
}

bool Journal::open(const QString &programDir)
{
    close();
    {
        std::lock_guard lock(d->mutex);
        d->stopping = false;
        d->available = false;
        d->readOnly = false;
        d->status.clear();
        d->session = 0;
    }
    const QString path = QDir(programDir).filePath(fileName());
    d->worker = std::thread([this] { d->run(); });
    post([this] {
        d->store.reset(createStore());
        if (!d->store) {
            std::lock_guard lock(d->mutex);
            d->status = u"履歴を記録する部品 %1 が見つからないため、履歴は記録されません。"_s.arg(
                QStringLiteral(PELKO_JOURNAL_MODULE_NAME));
        }
    });
    const bool opened = d->call([&path](JournalStore &store) { return store.open(path); });
    std::lock_guard lock(d->mutex);
    d->path = path;
    return opened;
}

void Journal::close()
{
    if (!d->worker.joinable())
        return;
    post([this] { d->store.reset(); });
    {
        std::lock_guard lock(d->mutex);
        d->stopping = true;
    }
    d->wake.notify_one();
    d->worker.join();
    std::lock_guard lock(d->mutex);
    d->available = false;
    d->session = 0;
}

void Journal::flush()
{
    std::unique_lock lock(d->mutex);
    d->idle.wait(lock, [this] { return d->tasks.empty() && !d->busy; });
}

bool Journal::isAvailable() const
{
    return d->available;
}

bool Journal::isReadOnly() const
{
    std::lock_guard lock(d->mutex);
    return d->readOnly;
}

QString Journal::statusText() const
{
    std::lock_guard lock(d->mutex);
    // Without a data folder there is no journal: said so, not by a path no one can make.
    if (!d->available && ProgramDir::isInNoDataFolder(d->path))
        return ProgramDir::noDataFolderText();
    return d->status;
}

QString Journal::path() const
{
    std::lock_guard lock(d->mutex);
    return d->path;
}

bool Journal::beginSession(const SheetState &initial)
{
    d->moves = 0;
    d->wholeAtMs = QDateTime::currentMSecsSinceEpoch();
    return d->call([&initial](JournalStore &store) { return store.beginSession(initial); });
}

qint64 Journal::currentSession() const
{
    std::lock_guard lock(d->mutex);
    return d->session;
}

Journal::SheetNote Journal::noteOf(const std::optional<SheetState> &after)
{
    SheetNote note;
    ++d->moves;
    if (!after)
        return note;
    note.known = true;
    note.name = after->record.name();
    note.paragraph = int(after->record.routeList().constLast());
    note.settingsFile = after->settingsFile;
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (d->moves >= MovesBetweenWholeSheets || now - d->wholeAtMs >= MsBetweenWholeSheets) {
        note.whole = after;
        d->moves = 0;
        d->wholeAtMs = now;
    }
    return note;
}

bool Journal::appendStep(const SheetStep &step, const std::optional<SheetState> &after)
{
    return d->queue(
        [step, note = noteOf(after)](JournalStore &store) { store.appendStep(step, note); });
}

bool Journal::amendLastStep(const SheetStep &step, const std::optional<SheetState> &after)
{
    return d->queue(
        [step, note = noteOf(after)](JournalStore &store) { store.amendLastStep(step, note); });
}

bool Journal::setUndoIndex(int index, const std::optional<SheetState> &after)
{
    return d->queue(
        [index, note = noteOf(after)](JournalStore &store) { store.setUndoIndex(index, note); });
}

bool Journal::setOrigin(qint64 step)
{
    return d->queue([step](JournalStore &store) { store.setOrigin(step); });
}

bool Journal::appendDice(const QList<int> &faces, int total, qint64 timeMs, bool entered)
{
    return d->queue([faces, total, timeMs, entered](JournalStore &store) {
        store.appendDice(faces, total, timeMs, entered);
    });
}

bool Journal::noteSaved(const QString &path, const QByteArray &bytes)
{
    return d->queue([path, bytes](JournalStore &store) { store.noteSaved(path, bytes); });
}

std::optional<qint64> Journal::stepForSaveFile(const QString &path, const QByteArray &bytes) const
{
    return d->call([&](JournalStore &store) { return store.stepForSaveFile(path, bytes); });
}

qint64 Journal::currentStep() const
{
    return d->call([](JournalStore &store) { return store.currentStep(); }, qint64(0));
}

std::optional<Journal::History> Journal::historyTo(qint64 step) const
{
    return d->call([step](JournalStore &store) { return store.historyTo(step); });
}

QList<Journal::UnsavedSheet> Journal::unsavedSheets() const
{
    return d->call([](JournalStore &store) { return store.unsavedSheets(); });
}

std::optional<Journal::TakenSheet> Journal::takeSheet(qint64 session)
{
    ++d->moves;
    const qint64 timeMs = QDateTime::currentMSecsSinceEpoch();
    return d->call(
        [session, timeMs](JournalStore &store) { return store.takeSheet(session, timeMs); });
}

bool Journal::discardSheet(qint64 session)
{
    return d->call([session](JournalStore &store) { return store.discardSheet(session); });
}

QList<Journal::SessionInfo> Journal::sessions() const
{
    return d->call([](JournalStore &store) { return store.sessions(); });
}

std::optional<Journal::SessionData> Journal::loadSession(qint64 id) const
{
    return d->call([id](JournalStore &store) { return store.loadSession(id); });
}

QList<qint64> Journal::sessionsToDrop(const QList<StoredSession> &sessions, qint64 current,
                                      qint64 nowMs,
                                      const std::function<bool(const QString &)> &fileExists)
{
    QSet<qint64> keep{current};
    for (const StoredSession &session : sessions) {
        // Someone may still be writing it, or it is the last state of a sheet nobody saved.
        if (nowMs - session.lastActiveMs < ActiveWithinMs ||
            (session.hasSteps && !session.taken && !session.saved))
            keep.insert(session.id);
    }
    // The session a save file continues: the one that noted it last.
    QHash<QString, const StoredSession *> byFile;
    for (const StoredSession &session : sessions) {
        if (session.saveFile.isEmpty())
            continue;
        const StoredSession *&last = byFile[session.saveFile];
        if (!last || session.savedAtMs > last->savedAtMs ||
            (session.savedAtMs == last->savedAtMs && session.id > last->id))
            last = &session;
    }
    for (auto it = byFile.cbegin(); it != byFile.cend(); ++it)
        if (fileExists(it.key()))
            keep.insert(it.value()->id);
    QList<qint64> drop;
    for (const StoredSession &session : sessions)
        if (!keep.contains(session.id))
            drop.append(session.id);
    return drop;
}

bool Journal::prune()
{
    if (!isAvailable())
        return false;
    // A task of its own rather than a write: it takes the write lock only once it has read the
    // sessions and looked for their save files.
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    post([this, now] {
        if (d->store)
            d->store->prune(now);
    });
    return true;
}
