#include "core/slotstate.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace kelvora;

// The slots' state survives a restart as it was; a file that can't be used costs nothing but itself.
class TestSlotState : public QObject
{
    Q_OBJECT

    QTemporaryDir m_folder;

    QString path() const { return m_folder.filePath(QStringLiteral("slots.json")); }
    void put(const QByteArray &bytes) const
    {
        QFile file(path());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

private slots:
    void cleanup()
    {
        for (const QString &name : QDir(m_folder.path()).entryList(QDir::Files))
            QFile::remove(m_folder.filePath(name));
    }

    void keepsWhatEachSlotWasDoing()
    {
        SavedState state;
        state.resumeOnStart = false;
        state.lateReloads = false;
        state.entries[0] =
            SavedSlot{QStringLiteral("http://bbs.example.cn/forum.php?mod=viewthread&tid=7"), 5, true};
        state.entries[7] = SavedSlot{QStringLiteral("https://论坛.example.cn/"), 30, false};
        const SlotStateFile file(path());
        QVERIFY(file.write(state));
        const StateRead read = file.read();
        QCOMPARE(read.problem, StateProblem::None);
        QVERIFY(read.state == state);
        // Human-readable, and versioned.
        QFile written(path());
        QVERIFY(written.open(QIODevice::ReadOnly));
        const QByteArray text = written.readAll();
        QVERIFY(text.contains("\"version\": 1"));
        QVERIFY(text.contains("\"period\": 30"));
        // A file of a version that kept no such switch has it on.
        put("{\"version\": 1, \"slots\": []}");
        QVERIFY(file.read().state.lateReloads);
    }

    void aFileThatCantBeUsedGivesAFirstRun_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("problem");
        QTest::newRow("empty") << QByteArray("  \n") << int(StateProblem::Empty);
        QTest::newRow("not JSON") << QByteArray("\x89PNG garbage") << int(StateProblem::Damaged);
        QTest::newRow("cut short") << QByteArray("{\"version\": 1, \"slots\": [{\"slot\": 1,")
                                   << int(StateProblem::Damaged);
        QTest::newRow("no version") << QByteArray("{\"slots\": []}") << int(StateProblem::Damaged);
        QTest::newRow("newer") << QByteArray("{\"version\": 9, \"slots\": []}") << int(StateProblem::Newer);
        QTest::newRow("slot out of range")
            << QByteArray(
                   "{\"version\": 1, \"slots\": [{\"slot\": 9, \"address\": \"http://a/\", \"period\": 1}]}")
            << int(StateProblem::Damaged);
        QTest::newRow("no period")
            << QByteArray("{\"version\": 1, \"slots\": [{\"slot\": 1, \"address\": \"http://a/\"}]}")
            << int(StateProblem::Damaged);
    }
    void aFileThatCantBeUsedGivesAFirstRun()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, problem);
        put(bytes);
        const SlotStateFile file(path());
        const StateRead read = file.read();
        QCOMPARE(int(read.problem), problem);
        QVERIFY(read.state == SavedState());

        // Kept aside, never overwritten: a second bad file gets a name of its own.
        const QString aside = file.setAside();
        QCOMPARE(aside, path() + QStringLiteral(".bad"));
        QVERIFY(!QFile::exists(path()));
        put(bytes);
        QCOMPARE(file.setAside(), path() + QStringLiteral(".bad2"));
        QCOMPARE(file.read().problem, StateProblem::Missing);
    }

    void aWriteThatFailsSaysWhyAndKeepsTheLastGoodFile()
    {
        const SlotStateFile good(path());
        SavedState state;
        state.entries[2] = SavedSlot{QStringLiteral("http://a/"), 2, true};
        QVERIFY(good.write(state));
        const SlotStateFile nowhere(m_folder.filePath(QStringLiteral("missing-folder/slots.json")));
        QString error;
        QVERIFY(!nowhere.write(state, &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(good.read().state == state);
    }
};

QTEST_GUILESS_MAIN(TestSlotState)
#include "tst_slotstate.moc"
