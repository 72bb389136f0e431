// Pictures of the I/O page of one board as a real window system draws it
// (run under Xvfb):
//   xvfb-run -a io_page_shots DEVICE_CODE OUTPUT_FOLDER
// Registers the settings on the simulated controller of that board, gives
// some inputs and outputs values and writes the page after a few refreshes.
// Fails when the picture comes out blank.
#include "FakeReadings.h"
#include "SettingsFixture.h"

#include "Channels.h"
#include "Colors.h"
#include "Fonts.h"
#include "HwInfo.h"
#include "IO.h"
#include "MySettings.h"
#include "RunChannel.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QSet>
#include <QTest>
#include <QTextStream>

namespace {

bool drawn(const QImage& image)
{
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 3) {
        for (int x = 0; x < image.width(); x += 3)
            colours.insert(image.pixel(x, y));
    }
    return colours.size() > 8;
}

void set(ChannelId id, int instance, double value)
{
    if (RunChannel* channel = theChannels.getChannel(id, instance))
        channel->setDataWithoutFilter(value, QDateTime::currentMSecsSinceEpoch());
}

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    if (argc < 3) {
        QTextStream(stderr) << "usage: io_page_shots DEVICE_CODE OUTPUT_FOLDER\n";
        return 2;
    }
    const int code = QString::fromLocal8Bit(argv[1]).toInt();
    const QDir folder(QString::fromLocal8Bit(argv[2]));
    if (!folder.exists() && !QDir().mkpath(folder.absolutePath()))
        return 2;
    theColors.init();
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSize(10);
    QApplication::setFont(font);
    theFonts.init();

    SettingsFixture fixture(code);
    if (!fixture.start())
        return 1;
    theSettings.initEnumLabels();

    // Relay 1 and switch 2 on, the rest off; a few readings.
    const HwInfo& hw = theHwInfo;
    for (int i = 0; i < hw.relayOutputs; ++i)
        set(ChannelId_relayOutputState, i, i == 0 ? 1 : 0);
    for (int i = 0; i < hw.lowSideOutputs; ++i)
        set(ChannelId_lowSideOutputState, i, 0);
    for (int i = 0; i < hw.switchInputs; ++i)
        set(ChannelId_switchState, i, i == 1 ? 1 : 0);
    for (int i = 0; i < hw.analogInputs; ++i)
        set(ChannelId_ainVoltage, i, 0.5 * (i + 1));
    FakeReadings readings;
    readings.pulses = {{0, 1200}, {1, 1300}, {2, 4711}, {3, 1400}, {4, 1500}, {5, 1600}};
    readings.millivolts = {{1, 5012}, {2, 11934}, {3, 22010}};
    readings.warnings = {{3, true}};
    for (int i = 0; i < hw.loadCells; ++i)
        readings.setFilter(IOReadings::FilterGroup_loadCells, i, 10.0 * (i + 1));
    for (int i = 0; i < hw.hpAnalogInputs; ++i)
        readings.setFilter(IOReadings::FilterGroup_hpAnalogInputs, i, 1000.0 * (i + 1));
    IOReadings::install(&readings);

    QLabel ambientReadout;
    IO page;
    page.setAmbientReadout(&ambientReadout);
    page.init();
    page.resize(1560, 860);
    page.show();
    if (!QTest::qWaitForWindowExposed(&page))
        return 1;
    page.enableSlots(true);
    QTest::qWait(300);

    const QString path = folder.filePath(QStringLiteral("io_code%1.png").arg(code));
    const QImage image = page.grab().toImage();
    if (!image.save(path) || !drawn(image)) {
        QTextStream(stderr) << "blank or unsaved picture: " << path << '\n';
        return 1;
    }
    QTextStream(stdout) << path << '\n' << page.header->text() << '\n';
    return 0;
}
