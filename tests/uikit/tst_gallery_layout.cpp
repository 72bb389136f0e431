// The gallery page laid out as a user sees it: no row overlaps another, and
// no widget is squeezed below its minimum or cuts its own text.
#include "Colors.h"
#include "Fonts.h"
#include "Icons.h"
#include "Units.h"
#include "WidgetGallery.h"

#include <QAbstractSpinBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>

class TestGalleryLayout : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void nothingClippedOrOverlapping();
};

void TestGalleryLayout::initTestCase()
{
    theColors.init();
    theFonts.init();
    theUnits.init();
    theIcons.init();
}

void TestGalleryLayout::nothingClippedOrOverlapping()
{
    WidgetGallery gallery;
    // At the size the page asks for: the check is about the widgets, not a small screen.
    gallery.resize(gallery.sizeHint());
    gallery.show();
    QVERIFY(QTest::qWaitForWindowExposed(&gallery));
    QVERIFY(gallery.rowWidgets.size() >= 25);

    QList<QRect> placed;
    for (QWidget* widget : std::as_const(gallery.rowWidgets)) {
        const QString name = QString::fromLatin1(widget->metaObject()->className());
        const QRect area(widget->mapTo(&gallery, QPoint(0, 0)), widget->size());
        QVERIFY2(gallery.rect().contains(area), qPrintable(name + " lies outside the page"));
        const QSize minimum =
            widget->minimumSizeHint().expandedTo(widget->minimumSize()).boundedTo(widget->maximumSize());
        QVERIFY2(widget->width() >= minimum.width() && widget->height() >= minimum.height(),
                 qPrintable(QStringLiteral("%1 is squeezed below its minimum size: %2x%3 < %4x%5 (page %6x%7)")
                                .arg(name)
                                .arg(widget->width())
                                .arg(widget->height())
                                .arg(minimum.width())
                                .arg(minimum.height())
                                .arg(gallery.width())
                                .arg(gallery.height())));
        for (const QRect& other : std::as_const(placed))
            QVERIFY2(!area.intersects(other), qPrintable(name + " overlaps another row"));
        placed.append(area);
    }

    // Every line of text, also inside spin boxes, combo boxes and the CAN-id
    // pair, is wide enough for what it shows.
    for (QLineEdit* edit : gallery.findChildren<QLineEdit*>()) {
        if (!edit->isVisible())
            continue;
        const int needed = edit->fontMetrics().horizontalAdvance(edit->displayText());
        QVERIFY2(edit->contentsRect().width() >= needed,
                 qPrintable(QStringLiteral("'%1' is cut in a %2")
                                .arg(edit->displayText(), QLatin1String(edit->parent()->metaObject()->className()))));
    }
    for (QComboBox* combo : gallery.findChildren<QComboBox*>()) {
        const int needed = combo->fontMetrics().horizontalAdvance(combo->currentText());
        QVERIFY2(combo->width() > needed, qPrintable(combo->currentText() + " is cut"));
    }
}

QTEST_MAIN(TestGalleryLayout)
#include "tst_gallery_layout.moc"
