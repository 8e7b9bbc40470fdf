#include "core/banner.h"
#include "core/engineswitches.h"
#include "core/urllisteditor.h"
#include "words/words.h"

#include <QTest>

using namespace kelvora;
using View = UrlListEditorState::View;
using Close = UrlListEditorState::CloseDecision;

// The address list editor's states and close decisions, the banner's three machines, and the
// engine's switches.
class TestExtras : public QObject
{
    Q_OBJECT

    const QString m_loaded = QStringLiteral("A\nB\n");

private slots:
    void theEditorOpensViewingAndClosesUnasked()
    {
        const UrlListEditorState state(m_loaded);
        QCOMPARE(state.view(), View::Viewing);
        QVERIFY(state.isLocked() && state.isTextShown() && state.canEdit());
        QCOMPARE(editorHelpButtonText(state.view() == View::Help), QStringLiteral("增加方法"));
        QCOMPARE(state.closeDecision(m_loaded), Close::Close);
    }

    void unlockedItAsksEvenWithNothingTyped()
    {
        UrlListEditorState state(m_loaded);
        state.unlock();
        QCOMPARE(state.view(), View::Editing);
        QVERIFY(!state.isLocked());
        QCOMPARE(state.closeDecision(m_loaded), Close::Ask);
        state.unlock(); // pressed again: still editing
        QCOMPARE(state.view(), View::Editing);
    }

    void theHelpViewLocksButNeverLosesAnEditUnasked()
    {
        UrlListEditorState state(m_loaded);
        state.unlock();
        state.toggleHelp();
        QCOMPARE(state.view(), View::Help);
        QVERIFY(state.isLocked() && !state.isTextShown() && !state.canEdit());
        QCOMPARE(editorHelpButtonText(state.view() == View::Help), QStringLiteral("关 闭"));
        // An edit made before the visit still counts.
        QCOMPARE(state.closeDecision(QStringLiteral("A\nB\nC\n")), Close::Ask);
        QCOMPARE(state.closeDecision(m_loaded), Close::Close);

        state.toggleHelp();
        QCOMPARE(state.view(), View::Viewing);
        QCOMPARE(state.closeDecision(QStringLiteral("A\nB\nC\n")), Close::Ask);
    }

    void aSaveMakesTheSavedTextTheOneToKeep()
    {
        UrlListEditorState state(m_loaded);
        state.unlock();
        state.saved(QStringLiteral("A\n"));
        QCOMPARE(state.view(), View::Viewing);
        QCOMPARE(state.loadedText(), QStringLiteral("A\n"));
        QCOMPARE(state.closeDecision(QStringLiteral("A\n")), Close::Close);
    }

    void theBannerStepsLeftAndWraps()
    {
        double left = banner::StartLeftTwips;
        int steps = 0;
        while (left > 0) {
            left = banner::nextLeft(left, 12345);
            ++steps;
        }
        QCOMPARE(steps, 27);
        QCOMPARE(left, -60.0); // from 40 it moves on to -60
        QCOMPARE(banner::nextLeft(left, 12345), 12345.0);
        // A left edge of exactly 0 is not stepped: it wraps.
        QCOMPARE(banner::nextLeft(0, 12345), 12345.0);
        // The wrap takes the window's width at that moment.
        QCOMPARE(banner::nextLeft(-10, 9000), 9000.0);
    }

    void theBannerColourAlternatesFromBlue()
    {
        QCOMPARE(banner::nextColour(banner::Colour::Default), banner::Colour::Blue);
        QCOMPARE(banner::nextColour(banner::Colour::Blue), banner::Colour::Red);
        QCOMPARE(banner::nextColour(banner::Colour::Red), banner::Colour::Blue);
    }

    void theGreetingsCycleIn91Ticks()
    {
        const QString first = QStringLiteral(" 再次祝福亲爱的Selvie永远幸福快乐！     by Tavren");
        const QString second = QStringLiteral(" Tavren在此祝您合家欢乐，永远快乐！");
        const QString third = QStringLiteral(" Tavren软件将免费进行到底！     by Tavren");
        QString caption;
        QMap<QString, int> shown;
        int counter = 0;
        for (int tick = 1; tick <= 2 * 91; ++tick) {
            const banner::TextTick next = banner::nextText(counter);
            counter = next.counter;
            if (next.greeting != 0)
                caption = bannerGreeting(next.greeting);
            if (tick <= 91)
                ++shown[caption];
            if (tick == 1)
                QCOMPARE(caption, first);
            if (tick == 91 || tick == 182)
                QCOMPARE(counter, 0);
            if (tick == 92)
                QCOMPARE(caption, first);
        }
        QCOMPARE(shown.value(first), 30);
        QCOMPARE(shown.value(second), 30);
        QCOMPARE(shown.value(third), 31);
    }
    void theEngineGetsItsSwitchesAfterItsMarkerAndKeepsTheUsers_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("expected");
        const QString gc =
            QStringLiteral("--js-flags=--optimize-for-size --gc-memory-reducer-start-delay-ms=1000");
        QTest::newRow("none given") << QStringList{"kelvora", "--minimised"}
                                    << QStringList{"kelvora", "--minimised", "--webEngineArgs", gc};
        QTest::newRow("the user's own") << QStringList{"kelvora", "--webEngineArgs", "--lang=en"}
                                        << QStringList{"kelvora", "--webEngineArgs", "--lang=en", gc};
        // The engine heeds the last --js-flags alone: the user's V8 flags and ours go together.
        QTest::newRow("V8 flags add up")
            << QStringList{"kelvora", "--webEngineArgs", "--js-flags=--trace-gc", "--lang=en"}
            << QStringList{
                   "kelvora", "--webEngineArgs",
                   "--js-flags=--trace-gc --optimize-for-size --gc-memory-reducer-start-delay-ms=1000",
                   "--lang=en"};
        // Before the marker it is the program's argument, which the engine never sees.
        QTest::newRow("before the marker")
            << QStringList{"kelvora", "--js-flags=--trace-gc"}
            << QStringList{"kelvora", "--js-flags=--trace-gc", "--webEngineArgs", gc};
    }

    void theEngineGetsItsSwitchesAfterItsMarkerAndKeepsTheUsers()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, expected);
        const QString gc =
            QStringLiteral("--js-flags=--optimize-for-size --gc-memory-reducer-start-delay-ms=1000");
        const QStringList switches = engineSwitches(QVersionNumber(6, 8, 2));
        QCOMPARE(switches, QStringList{gc});
        QCOMPARE(withEngineSwitches(arguments, switches), expected);
        QCOMPARE(withEngineSwitches(arguments, {}), arguments);
        // Where the engine reads its switches from its variable, ours join them, the user's first.
        QCOMPARE(withEngineSwitches(QByteArray("--lang=en"), switches), "--lang=en \"" + gc.toUtf8() + '"');
        QCOMPARE(withEngineSwitches(QByteArray("--js-flags=--trace-gc"), switches),
                 QByteArray("--js-flags=--trace-gc"));
    }

    // By Qt WebEngine's own version: from 6.140 on it is numbered apart from Qt.
    void eachEngineGetsOnlyWhatItNeeds_data()
    {
        QTest::addColumn<QVersionNumber>("webEngine");
        QTest::addColumn<QStringList>("switches");
        const QStringList reducer{
            QStringLiteral("--js-flags=--optimize-for-size --gc-memory-reducer-start-delay-ms=1000")};
        const QStringList pressure{QStringLiteral("--js-flags=--initial-old-space-size=4")};
        QTest::newRow("6.4") << QVersionNumber(6, 4, 2) << QStringList{};
        QTest::newRow("6.8") << QVersionNumber(6, 8, 2) << reducer;
        QTest::newRow("6.9") << QVersionNumber(6, 9, 3) << reducer;
        QTest::newRow("6.10") << QVersionNumber(6, 10, 0) << pressure;
        QTest::newRow("6.11") << QVersionNumber(6, 11, 2) << pressure;
        QTest::newRow("6.140") << QVersionNumber(6, 140, 0) << reducer;
    }

    void eachEngineGetsOnlyWhatItNeeds()
    {
        QFETCH(QVersionNumber, webEngine);
        QFETCH(QStringList, switches);
        QCOMPARE(engineSwitches(webEngine), switches);
    }
};

QTEST_GUILESS_MAIN(TestExtras)
#include "tst_extras.moc"
