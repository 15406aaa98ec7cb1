// Laying out from the design table: scale 1 must give exactly the designed
// pixel rectangles, and larger scales must keep the design's shape.

#include "design/designtable.h"

#include <QtTest>

class TestDesignTable : public QObject
{
    Q_OBJECT

private slots:
    void scaleOneIsTheDesignedPixels_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("pixels");
        QTest::newRow("Option1") << "Option1" << QRect(0, 0, 153, 135);
        QTest::newRow("Option7") << "Option7" << QRect(304, 136, 153, 135);
        QTest::newRow("Option20") << "Option20" << QRect(760, 0, 17, 17);
        QTest::newRow("Text1") << "Text1" << QRect(736, 24, 57, 49);
        QTest::newRow("Label1") << "Label1" << QRect(24, 424, 601, 161);
        QTest::newRow("Label7") << "Label7" << QRect(24, 664, 785, 113);
        QTest::newRow("Command3") << "Command3" << QRect(688, 584, 73, 25);
        QTest::newRow("LoadError") << "LoadError" << QRect(648, 76, 169, 66);
        QTest::newRow("SoundNotice") << "SoundNotice" << QRect(648, 4, 88, 20);
    }
    void scaleOneIsTheDesignedPixels()
    {
        QFETCH(QString, name);
        QFETCH(QRect, pixels);
        const design::Control &c = name == u"LoadError"     ? design::loadErrorLabel()
                                   : name == u"SoundNotice" ? design::soundNoticeLabel()
                                                            : design::control(qPrintable(name));
        QCOMPARE(design::pixelRect(c), pixels);
    }

    void everyControlIsWholePixelsAtScaleOne()
    {
        // Edges rounded at scale 1 would move a control by a pixel.
        for (const design::Control &c : design::controls()) {
            QVERIFY2(c.left % 15 == 0 && c.top % 15 == 0 && c.width % 15 == 0 && c.height % 15 == 0, c.name);
        }
        QCOMPARE(design::clientSize(), QSize(819, 734));
    }

    void addedLabelsCoverNoDesignedControl()
    {
        // The offer of an interrupted game shares the load error's place: it
        // goes at the first edit of the round name, the only way to a load error.
        for (const design::Control *added :
             {&design::loadErrorLabel(), &design::soundNoticeLabel(), &design::resumeNoticeLabel(),
              &design::keepNoticeLabel(), &design::soundNoticeWithKeep(), &design::keepNoticeWithSound()}) {
            const QRect mine = design::pixelRect(*added);
            QVERIFY(QRect(QPoint(), design::clientSize()).contains(mine));
            for (const design::Control &c : design::controls())
                QVERIFY2(!mine.intersects(design::pixelRect(c)), c.name);
        }
        QVERIFY(!design::pixelRect(design::loadErrorLabel())
                     .intersects(design::pixelRect(design::soundNoticeLabel())));
        QVERIFY(!design::pixelRect(design::resumeNoticeLabel())
                     .intersects(design::pixelRect(design::soundNoticeLabel())));
        // The two notices of the quiet corner, when both show.
        QVERIFY(!design::pixelRect(design::soundNoticeWithKeep())
                     .intersects(design::pixelRect(design::keepNoticeWithSound())));
    }

    void largerScalesKeepTheShape_data()
    {
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<double>("scale");
        QTest::newRow("1920x1080") << QSize(1920, 1080) << 1080.0 / 734;
        QTest::newRow("1280x800") << QSize(1280, 800) << 800.0 / 734;
        QTest::newRow("tall 1080x1920") << QSize(1080, 1920) << 1080.0 / 819;
        QTest::newRow("designed") << QSize(819, 734) << 1.0;
    }
    void largerScalesKeepTheShape()
    {
        QFETCH(QSize, screen);
        QFETCH(double, scale);
        const double s = design::fittingScale(screen);
        QCOMPARE(s, scale);
        const QSize client = design::clientSize(s);
        QVERIFY(client.width() <= screen.width() && client.height() <= screen.height());

        // Neighbours still overlap by the design's one twip-pixel and rows
        // keep their gap: both edges come from the same rounding.
        const QRect one = design::pixelRect(design::control("Option1"), s);
        const QRect two = design::pixelRect(design::control("Option2"), s);
        const QRect five = design::pixelRect(design::control("Option5"), s);
        QCOMPARE(two.left() - (one.right() + 1), design::toPixels(2280, s) - design::toPixels(2295, s));
        QVERIFY(five.top() > one.bottom());
        QCOMPARE(design::pointSize(design::control("Option1").font, s), 72 * s);
    }
};

QTEST_GUILESS_MAIN(TestDesignTable)
#include "tst_designtable.moc"
