#pragma once

#include "core/record.h"
#include "core/runwatch.h"
#include "record/recordstore.h"

#include <QObject>

#include <memory>
#include <utility>
#include <vector>

class QTimer;

namespace kelvora {

class Clock;
class ForumSlot;

/**
 * Keeps the record of a run of the program: its start, that it is still alive now and then, its
 * end, and what each slot it follows does, stamped with the program's clock. Trouble with the file
 * never stops a slot: the record is then not kept, and problem() says so once.
 */
class Recorder : public QObject
{
    Q_OBJECT

public:
    /** `aliveEveryMs`: how often the run is marked as still going, and what is written made durable. */
    Recorder(const QString &path, const Clock &clock, int aliveEveryMs, QObject *parent = nullptr);
    ~Recorder() override;

    /**
     * Opens the record and notes that the program started; false when there is no record to keep
     * now. Then it is tried again at every alive mark (a full disk may have room by then), and
     * begins with the followed slots as they are.
     */
    bool open();
    /** Writes what slot `index` does from now on. */
    void follow(int index, const ForumSlot &slot);
    /** Notes that the program ends, and lets go of the file. */
    void close();

    /** The system is about to sleep: the break that follows is a sleep. */
    void systemSleeping();
    /** The system woke: the break since the last moment is written now, as a sleep. */
    void systemWoke();
    /**
     * Now on the record's clock: the machine's, but never before a moment already recorded, so a
     * clock set back neither mixes what is written into what was nor hides it "in the future".
     */
    qint64 nowMs() const;

    /** The record, none when it is not kept. */
    RecordStore *store() const { return m_store.get(); }
    const QString &path() const { return m_path; }
    /** What the record holds: every event, and the minutes of the last `sinceMs`. */
    RecordData read(qint64 sinceMs) const;

signals:
    /** Something the user should know of the record: said once for each trouble. */
    void problem(const kelvora::RecordProblem &problem);
    /** What happens can't be written now (see RecordStore::writeFailing); it is again as soon as it can. */
    void writeFailing(const QString &error);

private:
    bool openStore(bool first);
    void add(int slot, RecordKind kind, const QString &detail = {});
    /** Writes the time the program did not run since the moment before, if it did not. */
    void noteBreak();
    /** Now on the record's clock, which from here on does not go back before it. */
    qint64 stamp();

    QString m_path;
    const Clock &m_clock;
    std::unique_ptr<RecordStore> m_store;
    QTimer *m_aliveTimer = nullptr;
    RunWatch m_runWatch;
    qint64 m_lastStampMs = 0;
    std::vector<std::pair<int, const ForumSlot *>> m_followed;
};

} // namespace kelvora
