#include "core/twips.h"
#include "core/windowlayout.h"

#include <QTest>

using namespace kelvora;

class TestWindowLayout : public QObject
{
    Q_OBJECT

private slots:
    void designSizeInPixels()
    {
        const double w = DesignInnerWidthTwips;
        const double h = DesignInnerHeightTwips;
        QCOMPARE(twipsToPixels(w), 823);
        QCOMPARE(twipsToPixels(h), 647);
        // 105 + 12345 / 1.017 = 12243.6 twips = 816.2 px; 700 + 9705 / 1.075 = 9727.9 twips = 648.5 px.
        QCOMPARE(twipsToPixels(panelRectTwips(w, h)), QRect(QPoint(7, 47), QPoint(815, 648)));
        // 120 + 12345 / 1.035 = 12047.5 twips = 803.2 px; 1920 + 9705 / 1.3788 = 8958.7 twips = 597.2 px.
        QCOMPARE(twipsToPixels(browserRectTwips(w, h)), QRect(QPoint(8, 128), QPoint(802, 596)));
    }

    void reachesPastItsContainerWithoutBeingClipped()
    {
        // No rule keeps a control inside its container: the window or the panel clips it.
        const double w = DesignInnerWidthTwips;
        const double h = DesignInnerHeightTwips;
        const QRectF panel = panelRectTwips(w, h);
        QVERIFY(panel.bottom() > h);                     // 700 + H / 1.075 > H
        QVERIFY(panel.right() <= w);                     // 105 + W / 1.017 stays inside at this width...
        QVERIFY(panelRectTwips(3000, h).right() > 3000); // ...but not in a narrow window
        // The browser passes its panel's bottom and right edges in a small window.
        QVERIFY(browserRectTwips(w, h).bottom() <= panel.height());
        QVERIFY(browserRectTwips(w, h).right() <= panel.width());
        QVERIFY(browserRectTwips(3000, 3000).bottom() > panelRectTwips(3000, 3000).height());
        QVERIFY(browserRectTwips(3000, 3000).right() > panelRectTwips(3000, 3000).width());
    }

    void roundsEdgesNotSizes()
    {
        // Two rectangles that meet in twips still meet in pixels.
        const QRect left = twipsToPixels(QRectF(0, 0, 22.4, 10));
        const QRect right = twipsToPixels(QRectF(22.4, 0, 22.4, 10));
        QCOMPARE(left.x() + left.width(), right.x());
        QCOMPARE(twipsToPixels(7.5), 1);
        QCOMPARE(twipsToPixels(7.4), 0);
    }
};

QTEST_GUILESS_MAIN(TestWindowLayout)
#include "tst_windowlayout.moc"
