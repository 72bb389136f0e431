// Pictures of the I/O page of one board as a real window system draws it
// (run under Xvfb):
//   xvfb-run -a io_page_shots DEVICE_CODE OUTPUT_FOLDER [WIDTH HEIGHT]
// Registers the settings on the simulated controller of that board, gives
// some inputs and outputs values and writes the page after a few refreshes.
// Fails when the picture comes out blank or a tile is illegible (parts
// overlapping, texts wider or taller than their boxes).
#include "FakeReadings.h"
#include "SettingsFixture.h"

#include "Channels.h"
#include "Colors.h"
#include "Fonts.h"
#include "HwInfo.h"
#include "IO.h"
#include "IOItem.h"
#include "VerticalLabel.h"
#include "MySettings.h"
#include "RunChannel.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QImage>
#include <QFontMetrics>
#include <QLabel>
#include <QRegularExpression>
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

// Where a tile's parts overlap or a text does not fit its part: what a user
// would see as garbled.
QStringList illegible(const IO& page)
{
    QStringList problems;
    for (const IOItem* item : page.items) {
        const QString name = item->caption->text().simplified() + QLatin1Char(' ') + QString::number(item->id + 1);
        const QRect value = item->valueLabel->geometry();
        const QRect caption = item->caption->geometry();
        const QRect number = item->number->isVisible() ? item->number->geometry() : QRect();
        if (value.intersects(caption) || (number.isValid() && (caption.intersects(number) || value.intersects(number))))
            problems << name + QStringLiteral(": parts overlap");
        if (!item->rect().contains(caption) || (number.isValid() && !item->rect().contains(number)))
            problems << name + QStringLiteral(": name or number cut off below");
        for (const QLabel* label : {static_cast<const QLabel*>(item->caption), static_cast<const QLabel*>(item->valueLabel)}) {
            const QFontMetrics metrics(label->font());
            const QStringList pieces = label->wordWrap()
                ? label->text().split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts)
                : label->text().split(QLatin1Char('\n'));
            for (const QString& piece : pieces) {
                if (metrics.horizontalAdvance(piece) > label->contentsRect().width())
                    problems << name + QStringLiteral(": \"%1\" wider than its box").arg(piece);
            }
        }
        const QFontMetrics metrics(item->valueLabel->font());
        if (item->valueLabel->text().count(QLatin1Char('\n')) + 1 > item->valueLabel->contentsRect().height() / metrics.lineSpacing())
            problems << name + QStringLiteral(": reading taller than its box");
    }
    return problems;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    if (argc < 3) {
        QTextStream(stderr) << "usage: io_page_shots DEVICE_CODE OUTPUT_FOLDER [WIDTH HEIGHT]\n";
        return 2;
    }
    const int code = QString::fromLocal8Bit(argv[1]).toInt();
    const QDir folder(QString::fromLocal8Bit(argv[2]));
    const QSize size = argc >= 5 ? QSize(QString::fromLocal8Bit(argv[3]).toInt(), QString::fromLocal8Bit(argv[4]).toInt())
                                 : QSize(1560, 860);
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
    page.resize(size);
    page.show();
    if (!QTest::qWaitForWindowExposed(&page))
        return 1;
    page.enableSlots(true);
    QTest::qWait(300);

    const QString path = folder.filePath(QStringLiteral("io_code%1_%2x%3.png").arg(code).arg(size.width()).arg(size.height()));
    const QImage image = page.grab().toImage();
    if (!image.save(path) || !drawn(image)) {
        QTextStream(stderr) << "blank or unsaved picture: " << path << '\n';
        return 1;
    }
    QTextStream(stdout) << path << '\n' << page.header->text() << '\n';
    const QStringList problems = illegible(page);
    for (const QString& problem : problems)
        QTextStream(stderr) << problem << '\n';
    return problems.isEmpty() ? 0 : 1;
}
