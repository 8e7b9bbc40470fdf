#include "platform/power.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

using namespace kelvora;

namespace {

const QString MockInterface = QStringLiteral("org.freedesktop.DBus.Mock");
const QString Login1 = QStringLiteral("org.freedesktop.login1");
const QString Login1Path = QStringLiteral("/org/freedesktop/login1");
const QString GnomeSession = QStringLiteral("org.gnome.SessionManager");
const QString GnomeSessionPath = QStringLiteral("/org/gnome/SessionManager");

QDBusMessage call(const QDBusConnection &bus, const QString &service, const QString &path,
                  const QString &interface, const QString &method, const QVariantList &arguments = {})
{
    QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
    message.setArguments(arguments);
    return bus.call(message);
}

/** What logind's stand-in lists: "what who why mode" for each lock held. */
QStringList inhibitors()
{
    const QDBusMessage reply =
        call(QDBusConnection::systemBus(), Login1, Login1Path,
             QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("ListInhibitors"));
    QStringList out;
    const QDBusArgument list = reply.arguments().value(0).value<QDBusArgument>();
    list.beginArray();
    while (!list.atEnd()) {
        QString what, who, why, mode;
        uint uid = 0, pid = 0;
        list.beginStructure();
        list >> what >> who >> why >> mode >> uid >> pid;
        list.endStructure();
        out << QStringList{what, who, why, mode}.join(u' ');
    }
    list.endArray();
    return out;
}

/** The calls the desktop session's stand-in had of `method`: Inhibit's flags, Uninhibit's cookie. */
QVariantList gnomeCalls(const QString &method)
{
    const QDBusMessage reply = call(QDBusConnection::sessionBus(), GnomeSession, GnomeSessionPath,
                                    MockInterface, QStringLiteral("GetMethodCalls"), {method});
    QVariantList firsts;
    const QDBusArgument calls = reply.arguments().value(0).value<QDBusArgument>();
    calls.beginArray();
    while (!calls.atEnd()) {
        qulonglong at = 0;
        QVariantList arguments;
        calls.beginStructure();
        calls >> at >> arguments;
        calls.endStructure();
        firsts << (method == u"Inhibit" ? arguments.value(3) : arguments.value(0));
    }
    calls.endArray();
    return firsts;
}

bool waitForName(const QDBusConnection &bus, const QString &name)
{
    return QTest::qWaitFor([&] { return bus.interface()->isServiceRegistered(name).value(); }, 10000);
}

} // namespace

// The sleep lock and the word of a wake, against python3-dbusmock's logind on a system bus of the
// test's own and a stand-in of GNOME's session manager on its session bus: what `systemd-inhibit
// --list` would show, and what GNOME's automatic suspend obeys.
class TestPower : public QObject
{
    Q_OBJECT

    QProcess m_logind;
    QProcess m_gnome;

    void startMock(QProcess &process, const QStringList &arguments)
    {
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(QStringLiteral("/usr/bin/python3"),
                      QStringList{QStringLiteral("-m"), QStringLiteral("dbusmock")} + arguments);
        QVERIFY(process.waitForStarted());
    }

private slots:
    void initTestCase()
    {
        if (qEnvironmentVariableIsEmpty("KELVORA_PRIVATE_BUSES"))
            QSKIP("no private buses with python3-dbusmock here");
        QCoreApplication::setApplicationName(QStringLiteral("kelvora"));
    }
    void cleanupTestCase()
    {
        for (QProcess *process : {&m_logind, &m_gnome}) {
            process->terminate();
            process->waitForFinished();
        }
    }

    // A machine without logind (a container): the user is told once, and nothing else goes wrong.
    void withoutLogindTheRefusalIsToldOnce()
    {
        SystemPower power;
        QSignalSpy refused(&power, &SystemPower::refused);
        power.hold(QStringLiteral("正在挂机：1 个论坛保持在线"));
        QTRY_COMPARE(refused.size(), 1);
        QCOMPARE(refused.first().at(0).value<SystemPower::Refusal>(), SystemPower::Refusal::NoService);
        power.hold(QStringLiteral("正在挂机：2 个论坛保持在线"));
        QTest::qWait(200); // a second refusal would be told by now
        QCOMPARE(refused.size(), 1);
        QVERIFY(!power.isHeld());
        power.release();
    }

    void theLocksAreHeldWithTheirReasonAndGoneWhenReleased()
    {
        startMock(m_logind,
                  {QStringLiteral("--system"), QStringLiteral("--template"), QStringLiteral("logind")});
        startMock(m_gnome, {QStringLiteral("--session"), GnomeSession, GnomeSessionPath, GnomeSession});
        QVERIFY(waitForName(QDBusConnection::systemBus(), Login1));
        QVERIFY(waitForName(QDBusConnection::sessionBus(), GnomeSession));
        call(QDBusConnection::sessionBus(), GnomeSession, GnomeSessionPath, MockInterface,
             QStringLiteral("AddMethod"),
             {QString(), QStringLiteral("Inhibit"), QStringLiteral("susu"), QStringLiteral("u"),
              QStringLiteral("ret = 7")});
        call(QDBusConnection::sessionBus(), GnomeSession, GnomeSessionPath, MockInterface,
             QStringLiteral("AddMethod"),
             {QString(), QStringLiteral("Uninhibit"), QStringLiteral("u"), QString(), QString()});

        SystemPower power;
        QSignalSpy refused(&power, &SystemPower::refused);
        power.hold(QStringLiteral("正在挂机：1 个论坛保持在线"));
        QTRY_COMPARE(inhibitors(),
                     QStringList{QStringLiteral("sleep kelvora 正在挂机：1 个论坛保持在线 block")});
        QTRY_COMPARE(gnomeCalls(QStringLiteral("Inhibit")), QVariantList{4u}); // suspend
        QTRY_VERIFY(power.isHeld());

        // A new reason is a new lock; the old one goes once the new one holds.
        power.hold(QStringLiteral("正在挂机：3 个论坛保持在线"));
        QTRY_COMPARE(inhibitors(),
                     QStringList{QStringLiteral("sleep kelvora 正在挂机：3 个论坛保持在线 block")});
        QTRY_COMPARE(gnomeCalls(QStringLiteral("Uninhibit")), QVariantList{7u});

        power.release();
        QTRY_VERIFY(inhibitors().isEmpty());
        QTRY_COMPARE(gnomeCalls(QStringLiteral("Uninhibit")).size(), 2);
        QVERIFY(!power.isHeld());
        QCOMPARE(refused.size(), 0);
    }

    void theSystemSaysItSleepsAndWakes()
    {
        SystemPower power;
        QSignalSpy sleeping(&power, &SystemPower::sleeping);
        QSignalSpy woke(&power, &SystemPower::woke);
        for (const bool before : {true, false})
            call(QDBusConnection::systemBus(), Login1, Login1Path, MockInterface,
                 QStringLiteral("EmitSignal"),
                 {QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"),
                  QStringLiteral("b"), QVariant::fromValue(QVariantList{before})});
        QTRY_COMPARE(woke.size(), 1);
        QCOMPARE(sleeping.size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestPower)
#include "tst_power.moc"
