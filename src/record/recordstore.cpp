#include "record/recordstore.h"

#include "core/address.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <atomic>
#include <utility>

namespace kelvora {
namespace {

constexpr qint64 MinuteMs = 60 * 1000;
// Pruning looks at every event: a few times a day is plenty for a record kept a month.
constexpr qint64 PruneEveryMs = 6LL * 60 * 60 * 1000;

const char *const Schema[] = {
    "CREATE TABLE IF NOT EXISTS events(id INTEGER PRIMARY KEY, at INTEGER NOT NULL, slot INTEGER NOT NULL,"
    " kind INTEGER NOT NULL, detail TEXT)",
    "CREATE INDEX IF NOT EXISTS events_at ON events(at)",
    // One row a slot and minute, whatever the period: a reload every second adds counts, not rows.
    // Why the minute's last failed reload failed is its outcome and code (ReloadOutcome); `reason`
    // holds the words that records of layout 1 kept instead.
    "CREATE TABLE IF NOT EXISTS minutes(minute INTEGER NOT NULL, slot INTEGER NOT NULL,"
    " answered INTEGER NOT NULL DEFAULT 0, failed INTEGER NOT NULL DEFAULT 0,"
    " ended_failed INTEGER NOT NULL DEFAULT 0, reason TEXT, outcome INTEGER, code INTEGER,"
    " PRIMARY KEY(minute, slot)) WITHOUT ROWID",
};

// What a record of an older layout gets to become one of this layout; its rows stay as they are.
const char *const Upgrade[] = {
    nullptr, // layout 0: no record yet
    "ALTER TABLE minutes ADD COLUMN outcome INTEGER; ALTER TABLE minutes ADD COLUMN code INTEGER",
};

QString errorText(const QSqlError &error)
{
    return error.text().trimmed();
}

} // namespace

struct RecordStore::Connection
{
    explicit Connection(const QString &path)
    {
        static std::atomic<int> serial{0};
        name = QStringLiteral("kelvora-record-%1").arg(++serial);
        db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
    }
    ~Connection()
    {
        event = QSqlQuery();
        outcome = QSqlQuery();
        alive = QSqlQuery();
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
    }

    /** Runs one statement; false, with the error in `error`, when it fails. */
    bool exec(const QString &statement, QString *error = nullptr, QVariant *firstValue = nullptr)
    {
        QSqlQuery query(db);
        if (!query.exec(statement)) {
            if (error)
                *error = errorText(query.lastError());
            return false;
        }
        if (firstValue)
            *firstValue = query.next() ? query.value(0) : QVariant();
        return true;
    }

    QString name;
    QSqlDatabase db;
    QSqlQuery event;
    QSqlQuery outcome;
    QSqlQuery alive;
};

RecordStore::RecordStore(const QString &path, QObject *parent) : QObject(parent), m_path(path) {}

RecordStore::~RecordStore() = default;

bool RecordStore::open()
{
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    if (QFileInfo::exists(m_path)) {
        m_db = std::make_unique<Connection>(m_path);
        QVariant version;
        QSqlQuery query(m_db->db.open() ? m_db->db : QSqlDatabase());
        const bool read = query.exec(QStringLiteral("PRAGMA quick_check")) && query.next();
        // Only a file that SQLite reads and finds wrong (26: not a database, 11: corrupt) is set
        // aside: one it may not open (its permissions, another program holding it) is somebody's
        // record all the same.
        const QString code = query.lastError().nativeErrorCode();
        const bool damaged = read ? query.value(0).toString() != QLatin1String("ok")
                                  : code == QLatin1String("26") || code == QLatin1String("11");
        const bool newer = read && m_db->exec(QStringLiteral("PRAGMA user_version"), nullptr, &version) &&
                           version.toInt() > Version;
        query = QSqlQuery();
        m_db.reset();
        if ((damaged && !setAside(RecordProblem::Cause::Damaged)) ||
            (!damaged && newer && !setAside(RecordProblem::Cause::Newer)))
            return false;
    }
    if (openFile())
        return true;
    m_db.reset();
    return false;
}

bool RecordStore::openFile()
{
    m_db = std::make_unique<Connection>(m_path);
    QString error;
    bool made = m_db->db.open();
    if (!made)
        error = errorText(m_db->db.lastError());
    // Each write is a transaction of its own in the log. The log goes into the file, and both to
    // the disk, at markAlive(): never in the middle of some reload's write. The record reads little
    // at a time and needs only a small cache.
    made = made && m_db->exec(QStringLiteral("PRAGMA journal_mode=WAL"), &error) &&
           m_db->exec(QStringLiteral("PRAGMA synchronous=NORMAL"), &error) &&
           m_db->exec(QStringLiteral("PRAGMA wal_autocheckpoint=0"), &error) &&
           m_db->exec(QStringLiteral("PRAGMA cache_size=-256"), &error);
    QVariant version;
    made = made && m_db->exec(QStringLiteral("PRAGMA user_version"), &error, &version);
    QVariant tables;
    made = made && m_db->exec(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE name = 'minutes'"),
                              &error, &tables);
    // A record of an older layout is brought up to this one, in one transaction with its new version.
    if (made && tables.toInt() > 0 && version.toInt() < Version) {
        made = m_db->db.transaction();
        for (int from = std::max(1, version.toInt()); made && from < Version; ++from) {
            for (const QString &statement : QString::fromLatin1(Upgrade[from]).split(u';'))
                made = made && m_db->exec(statement.trimmed(), &error);
        }
        made = made && m_db->exec(QStringLiteral("PRAGMA user_version=%1").arg(Version), &error) &&
               m_db->db.commit();
        if (!made)
            m_db->db.rollback();
    }
    for (const char *statement : Schema)
        made = made && m_db->exec(QLatin1String(statement), &error);
    made = made && m_db->exec(QStringLiteral("PRAGMA user_version=%1").arg(Version), &error);
    if (made && !prepareStatements()) {
        made = false;
        error = errorText(m_db->outcome.lastError());
    }
    if (made)
        return true;
    emit problem({RecordProblem::Cause::CannotOpen, RecordProblem::Fate::NotKept, m_path, {}, error});
    return false;
}

bool RecordStore::prepareStatements()
{
    m_db->event = QSqlQuery(m_db->db);
    m_db->outcome = QSqlQuery(m_db->db);
    m_db->alive = QSqlQuery(m_db->db);
    return m_db->event.prepare(
               QStringLiteral("INSERT INTO events(at, slot, kind, detail) VALUES(?, ?, ?, ?)")) &&
           m_db->outcome.prepare(QStringLiteral(
               "INSERT INTO minutes(minute, slot, answered, failed, ended_failed, outcome, code)"
               " VALUES(?, ?, ?, ?, ?, ?, ?)"
               " ON CONFLICT(minute, slot) DO UPDATE SET answered = answered + excluded.answered,"
               " failed = failed + excluded.failed, ended_failed = excluded.ended_failed,"
               " reason = CASE WHEN excluded.outcome IS NULL THEN reason END,"
               " outcome = coalesce(excluded.outcome, outcome), code = coalesce(excluded.code, code)")) &&
           m_db->alive.prepare(QStringLiteral("UPDATE events SET at = ? WHERE id = ?"));
}

bool RecordStore::setAside(RecordProblem::Cause why)
{
    const QString aside = m_path + QStringLiteral(".bad-") +
                          QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    const bool moved = QFile::rename(m_path, aside);
    // On Windows a file another program holds open can be neither renamed nor removed: it stays
    // as it is, and so does its log.
    if (!moved && !QFile::remove(m_path) && QFileInfo::exists(m_path)) {
        emit problem({why, RecordProblem::Fate::NotKept, m_path, {}, {}});
        return false;
    }
    for (const char *suffix : {"-wal", "-shm"}) {
        const QString part = m_path + QLatin1String(suffix);
        if (QFile::exists(part) && !(moved && QFile::rename(part, aside + QLatin1String(suffix))))
            QFile::remove(part);
    }
    emit problem({why,
                  moved ? RecordProblem::Fate::SetAside : RecordProblem::Fate::Deleted,
                  m_path,
                  moved ? aside : QString(),
                  {}});
    return true;
}

void RecordStore::writeFailed(const QString &error)
{
    if (std::exchange(m_failing, true))
        return;
    emit writeFailing(error);
}

void RecordStore::add(const RecordEvent &event)
{
    if (!m_db)
        return;
    // A new run marks its own last moment, and so does a run that goes on after a break, so
    // that its mark comes after the break.
    if (event.kind == RecordKind::ProgramStarted || event.kind == RecordKind::Continued)
        m_aliveId = -1;
    if (!insert(event))
        return writeFailed(errorText(m_db->event.lastError()));
    if (event.kind == RecordKind::ProgramAlive)
        m_aliveId = m_db->event.lastInsertId().toLongLong();
    writeSucceeded();
}

bool RecordStore::insert(const RecordEvent &event)
{
    QSqlQuery &query = m_db->event;
    query.bindValue(0, event.atMs);
    query.bindValue(1, event.slot);
    query.bindValue(2, int(event.kind));
    // Only where a slot went is kept of an address: never what it carried (see addressForRecord).
    const bool address = event.kind == RecordKind::Opened || event.kind == RecordKind::Resumed;
    const QString detail = address && !event.detail.isEmpty() ? addressForRecord(event.detail) : event.detail;
    query.bindValue(3, detail.isEmpty() ? QVariant(QMetaType(QMetaType::QString)) : QVariant(detail));
    return query.exec();
}

void RecordStore::addOutcome(int slot, qint64 atMs, const ReloadResult &result)
{
    if (!m_db)
        return;
    const bool answered = result.answered();
    const QVariant none(QMetaType(QMetaType::Int));
    QSqlQuery &query = m_db->outcome;
    query.bindValue(0, atMs / MinuteMs);
    query.bindValue(1, slot);
    query.bindValue(2, answered ? 1 : 0);
    query.bindValue(3, answered ? 0 : 1);
    query.bindValue(4, answered ? 0 : 1);
    query.bindValue(5, answered ? none : QVariant(int(result.outcome)));
    query.bindValue(6, answered ? none : QVariant(result.code));
    if (!query.exec())
        return writeFailed(errorText(query.lastError()));
    writeSucceeded();
}

void RecordStore::markAlive(qint64 atMs)
{
    if (!m_db)
        return;
    if (m_aliveId < 0) {
        add({atMs, -1, RecordKind::ProgramAlive, {}});
    } else {
        m_db->alive.bindValue(0, atMs);
        m_db->alive.bindValue(1, m_aliveId);
        if (!m_db->alive.exec())
            return writeFailed(errorText(m_db->alive.lastError()));
    }
    // In the log, written is not yet on the disk: a checkpoint puts it there.
    m_db->exec(QStringLiteral("PRAGMA wal_checkpoint(PASSIVE)"));
    if (atMs - m_prunedAtMs >= PruneEveryMs)
        prune(atMs);
}

void RecordStore::prune(qint64 nowMs)
{
    if (!m_db)
        return;
    m_prunedAtMs = nowMs;
    const qint64 cutoff = nowMs - RecordKeptMs;
    const RecordData data = read(nowMs);
    const auto older = std::count_if(data.events.begin(), data.events.end(),
                                     [cutoff](const RecordEvent &event) { return event.atMs < cutoff; });
    QVariant olderMinute;
    m_db->exec(QStringLiteral("SELECT 1 FROM minutes WHERE minute < %1 LIMIT 1").arg(cutoff / MinuteMs),
               nullptr, &olderMinute);
    if (older == 0 && !olderMinute.isValid())
        return;
    const std::vector<RecordEvent> compacted = compactRecord(data.events, cutoff);
    const std::size_t standIns = compacted.size() - (data.events.size() - std::size_t(older));
    QString error;
    bool done =
        m_db->db.transaction() &&
        m_db->exec(QStringLiteral("DELETE FROM events WHERE at < %1").arg(cutoff), &error) &&
        m_db->exec(QStringLiteral("DELETE FROM minutes WHERE minute < %1").arg(cutoff / MinuteMs), &error);
    for (std::size_t i = 0; done && i < standIns; ++i) {
        done = insert(compacted[i]);
        if (!done)
            error = errorText(m_db->event.lastError());
    }
    if (done && m_db->db.commit())
        return writeSucceeded();
    m_db->db.rollback();
    writeFailed(error.isEmpty() ? errorText(m_db->db.lastError()) : error);
}

qint64 RecordStore::lastMomentMs() const
{
    QVariant last;
    if (!m_db || !m_db->exec(QStringLiteral("SELECT max(at) FROM events"), nullptr, &last))
        return 0;
    return last.toLongLong();
}

RecordData RecordStore::read(qint64 sinceMs) const
{
    RecordData data;
    if (!m_db)
        return data;
    QSqlQuery events(m_db->db);
    events.setForwardOnly(true);
    if (events.exec(QStringLiteral("SELECT at, slot, kind, detail FROM events ORDER BY at, id"))) {
        while (events.next())
            data.events.push_back({events.value(0).toLongLong(), events.value(1).toInt(),
                                   RecordKind(events.value(2).toInt()), events.value(3).toString()});
    }
    QSqlQuery minutes(m_db->db);
    minutes.setForwardOnly(true);
    minutes.prepare(
        QStringLiteral("SELECT slot, minute, answered, failed, ended_failed, reason, outcome, code "
                       "FROM minutes WHERE minute >= ? ORDER BY minute, slot"));
    minutes.bindValue(0, sinceMs / MinuteMs);
    if (minutes.exec()) {
        while (minutes.next()) {
            RecordFailure failure{std::nullopt, minutes.value(5).toString()};
            if (!minutes.value(6).isNull())
                failure.result =
                    ReloadResult{ReloadOutcome(minutes.value(6).toInt()), minutes.value(7).toInt()};
            data.minutes.push_back({minutes.value(0).toInt(), minutes.value(1).toLongLong(),
                                    minutes.value(2).toInt(), minutes.value(3).toInt(),
                                    minutes.value(4).toBool(), std::move(failure)});
        }
    }
    return data;
}

} // namespace kelvora
