// Pictures of the record forms and the characteristic editor as a real
// window system draws them (run under Xvfb):
//   xvfb-run -a build/tools/formshots OUTPUT_FOLDER
// Writes channel-setup-dialog.png and characteristic-editor.png and fails when
// a picture comes out blank.
#include "ChannelSetup.h"
#include "ChannelSetupDescriptor.h"
#include "ChannelSetupDialog.h"
#include "Colors.h"
#include "Fonts.h"
#include "Icons.h"
#include "PointVectorEditor.h"
#include "PointVectorEditorAxis.h"
#include "lib/Units.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QSet>
#include <QTest>
#include <QTextStream>

#include <cmath>

namespace {

// A picture with a handful of colours only is a window that drew nothing.
bool drawn(const QImage& image)
{
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 3) {
        for (int x = 0; x < image.width(); x += 3)
            colours.insert(image.pixel(x, y));
    }
    return colours.size() > 16;
}

bool save(QWidget& widget, const QString& path)
{
    widget.show();
    if (!QTest::qWaitForWindowExposed(&widget))
        return false;
    QTest::qWait(300);
    const QImage image = widget.grab().toImage();
    if (!image.save(path) || !drawn(image)) {
        QTextStream(stderr) << "blank or unsaved picture: " << path << '\n';
        return false;
    }
    QTextStream(stdout) << path << ' ' << image.width() << 'x' << image.height() << '\n';
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    if (argc < 2) {
        QTextStream(stderr) << "usage: formshots OUTPUT_FOLDER\n";
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    if (!folder.exists() && !QDir().mkpath(folder.absolutePath()))
        return 2;
    theColors.init();
    theFonts.init();
    theUnits.init();
    theIcons.init();
    theChannelSetupDescriptor.init();

    ChannelSetup setup;
    setup.key = QStringLiteral("dyno_speed");
    setup.displayName = QStringLiteral("Road speed");
    setup.quantity = Quantity::Speed;
    setup.unit = theUnits.getUnitByQuantityAndName(Quantity::Speed, QStringLiteral("km/h"));
    setup.autorangeMin = setup.autorangeMax = false;
    setup.rangeMax = 83.333;
    setup.warningHigh = 69.444;
    setup.alarmHigh = 83.333;
    setup.filter = 0.2;
    setup.color = QColor(200, 30, 30);
    setup.comment = QStringLiteral("Linear dyno road speed");
    setup.sanitize();
    ChannelSetupDialog dialog(&setup, nullptr, true, false);
    bool ok = save(dialog, folder.filePath(QStringLiteral("channel-setup-dialog.png")));

    PointVectorEditor editor(nullptr, QStringLiteral("x"), QStringLiteral("y"));
    editor.axes[PointVectorField_x]->slot_setQuantity(Quantity::RotationalSpeed);
    editor.axes[PointVectorField_x]->setUnitFromName(QStringLiteral("RPM"));
    editor.axes[PointVectorField_x]->slot_setDecimals(0);
    editor.axes[PointVectorField_x]->slot_setLabel(QStringLiteral("Engine speed"));
    editor.axes[PointVectorField_y]->slot_setQuantity(Quantity::Fraction);
    editor.axes[PointVectorField_y]->slot_setLabel(QStringLiteral("Throttle"));
    editor.axes[PointVectorField_y]->slot_setDecimals(1);
    QList<QPointF> curve;
    for (int rpm = 1000; rpm <= 7000; rpm += 1000)
        curve.append({rpm * M_PI / 30, 0.2 + 0.7 * (rpm - 1000) / 6000.0});
    editor.slot_setVector(curve);
    editor.enableTracker();
    editor.resize(700, 450);
    editor.show();
    editor.getValue(4300 * M_PI / 30);
    ok = save(editor, folder.filePath(QStringLiteral("characteristic-editor.png"))) && ok;
    return ok ? 0 : 1;
}
