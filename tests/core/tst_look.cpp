#include "Colors.h"
#include "EnhancedPixmap.h"
#include "Fonts.h"
#include "Icons.h"
#include "MySettings.h"

#include <QApplication>
#include <QTest>

class TestLook : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void colors();
    void fonts();
    void icons();
    void enhancedPixmapKeepsPlacement();
};

void TestLook::colors()
{
    QVERIFY(!theColors.colorError.isValid());
    theColors.init();
    const QPalette p = QApplication::palette();
    QCOMPARE(p.color(QPalette::Disabled, QPalette::Text), QColor(189, 189, 189));
    QCOMPARE(p.color(QPalette::Active, QPalette::Highlight), QColor(47, 140, 198));
    QCOMPARE(p.color(QPalette::Disabled, QPalette::Highlight), QColor(144, 144, 144));
    QCOMPARE(p.color(QPalette::Inactive, QPalette::ToolTipBase), QColor(255, 255, 219));
    QCOMPARE(theColors.colorInactive, p.color(QPalette::Base));
    QCOMPARE(theColors.colorInactive, QColor(255, 255, 255));
    QCOMPARE(theColors.colorPending, QColor(255, 224, 77));
    QCOMPARE(theColors.colorAttentionText, QColor(255, 0, 0));
    QCOMPARE(theColors.colorAlarmLow, QColor(0, 0, 255));
}

void TestLook::fonts()
{
    theFonts.init();
    QCOMPARE(theFonts.baseSize, 12);
    QCOMPARE(theFonts.fixedFontBase.pointSize(), 12);
    QCOMPARE(theFonts.normalFont.pointSize(), 12);
    QCOMPARE(theFonts.bigFont.pointSize(), 16);
    QCOMPARE(theFonts.hugeFont.pointSize(), 20);
    QCOMPARE(theFonts.fixedFontBase.family(), theFonts.fixedFont.family());
}

void TestLook::icons()
{
    // The settings store registers the embedded resources the icons come from.
    QVERIFY(theSettings.settingsDir.exists());
    QVERIFY(theIcons.userIcons.isEmpty());
    theIcons.init();
    QCOMPARE(theIcons.userIcons.size(), 75);
    QVERIFY(theIcons.userIcons.contains(QStringLiteral("pump")));
    QVERIFY(!theIcons.userIcons.value(QStringLiteral("pump")).isNull());
    QVERIFY(!theIcons.userIcons.contains(QStringLiteral("no-such-icon")));
    for (const QIcon* icon : {&theIcons.iconEye, &theIcons.iconEyeHighRes, &theIcons.iconGears,
                              &theIcons.iconLossModel, &theIcons.iconFacebook, &theIcons.iconApplication,
                              &theIcons.iconVideo, &theIcons.iconVideoHighRes})
        QVERIFY(!icon->pixmap(32, 32).isNull());
}

void TestLook::enhancedPixmapKeepsPlacement()
{
    EnhancedPixmap pixmap;
    QVERIFY(pixmap.isNull());
    QCOMPARE(pixmap.aspectRatioMode, int(Qt::KeepAspectRatio));
    QCOMPARE(pixmap.scale, 100);
    QCOMPARE(pixmap.xPosition, 50);
    pixmap.scale = 80;
    QPixmap picture(10, 20);
    pixmap.fromQPixmap(picture);
    QCOMPARE(pixmap.scale, 80);
    QCOMPARE(pixmap.size(), QSize(10, 20));
    QVariant v = QVariant::fromValue(pixmap);
    QCOMPARE(v.value<EnhancedPixmap>().scale, 80);
}

QTEST_MAIN(TestLook)
#include "tst_look.moc"
