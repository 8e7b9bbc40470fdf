#pragma once

#include "core/record.h"

#include <QObject>
#include <QString>

#include <memory>

namespace kelvora {

/**
 * The record on disk: an SQLite file of the program's and the slots' changes, and of each slot's
 * reload outcomes counted by the minute. Every write is its own transaction in a write-ahead log,
 * made durable at each mark of the program being alive, so a crash loses nothing written and a
 * power cut no more than the seconds since. Trouble never stops a slot: the record is then not
 * kept, and problem() says so once.
 */
class RecordStore : public QObject
{
    Q_OBJECT

public:
    /** The file next to the slots' state that the program keeps its record in. */
    static QString fileName() { return QStringLiteral("record.sqlite"); }
    /** The version of the file's layout this program writes. */
    static constexpr int Version = 2;

    explicit RecordStore(const QString &path, QObject *parent = nullptr);
    ~RecordStore() override;

    /**
     * Opens the file, or makes it; a damaged file, or one from a newer program, is set aside
     * first and a new one made. False when there is no record to keep.
     */
    bool open();

    void add(const RecordEvent &event);
    /** One reload's outcome, counted into its minute. */
    void addOutcome(int slot, qint64 atMs, const ReloadResult &result);
    /**
     * The program still runs: the run's last moment moves here, what is written so far is made
     * durable, and now and then what is older than the record keeps is pruned.
     */
    void markAlive(qint64 atMs);
    /** Lets go of what is older than the record keeps. */
    void prune(qint64 nowMs);
    /** Every event, and the minutes since `sinceMs`. */
    RecordData read(qint64 sinceMs) const;
    /** The latest moment recorded, 0 for an empty record. */
    qint64 lastMomentMs() const;

signals:
    /** Something the user should know of the record: said once for each trouble. */
    void problem(const kelvora::RecordProblem &problem);
    /** What is recorded can't be written now (`error` says why, as a full disk): said once until it can. */
    void writeFailing(const QString &error);

private:
    struct Connection;
    bool openFile();
    /** Makes the writing statements ready. */
    bool prepareStatements();
    /** Writes one event; false, the error in the event query, when it could not. */
    bool insert(const RecordEvent &event);
    /** Moves a record that cannot be used out of the way; false, and told, when that cannot be done. */
    bool setAside(RecordProblem::Cause why);
    void writeFailed(const QString &error);
    void writeSucceeded() { m_failing = false; }

    QString m_path;
    std::unique_ptr<Connection> m_db;
    qint64 m_aliveId = -1;
    qint64 m_prunedAtMs = 0;
    bool m_failing = false;
};

} // namespace kelvora
