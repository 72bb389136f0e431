// Not a test: pictures of the lamp, number, bar, gauge, speed-gauge, input,
// command and picture widgets, each kind in a row of five states (normal,
// warning, alarm, stale, unbound). Run it on a virtual X display:
//   xvfb-run -a -s "-screen 0 1600x1200x24" widget_screens OUTDIR
#include "AbstractRMdiWidget.h"
#include "BrakeControllerPanelInputs.h"
#include "ChannelSetup.h"
#include "Channels.h"
#include "Colors.h"
#include "HwInfo.h"
#include "MdiManager.h"
#include "MySettings.h"
#include "RMdiCommandButton.h"
#include "RMdiGauge.h"
#include "RMdiImage.h"
#include "RMdiInputButton.h"
#include "RMdiInputSlider.h"
#include "RMdiInputSpinBox.h"
#include "RMdiIndicator.h"
#include "RunChannel.h"
#include "RunMdi.h"
#include "inputChannels/InputChannelsModel.h"
#include "lib/Units.h"

#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QDomDocument>
#include <QLineEdit>
#include <QTest>

#include <limits>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QDir().mkpath(out);
    theUnits.init();
    theColors.init();
    theHwInfo.setDeviceCode(DeviceCode_ZR6);
    theChannels.init();
    theChannels.registerFamily(Channels::Family_inputChannels, &theInputChannelsModel);
    RunMdi::registerRunDesktop();
    BrakeControllerPanelInputs panel;
    panel.mode = 3;
    panel.variable = 1;
    panel.engineSpeedTarget = 300.0;
    RMdiGauge::setBrakePanelSource([&panel] { return &panel; });

    const double inf = std::numeric_limits<double>::infinity();
    // One channel per state: normal, warning high, alarm high, stale.
    const char* names[] = {"Normal", "Warning", "Alarm", "Stale"};
    const double values[] = {50.0, 85.0, 95.0, std::numeric_limits<double>::quiet_NaN()};
    QList<RunChannel*> channels;
    for (int i = 0; i < 4; ++i) {
        auto* c = new RunChannel(0, QStringLiteral("screen_%1"), i, QString::fromLatin1(names[i]), Quantity::None);
        ChannelSetup* s = c->setup;
        s->autorangeMin = s->autorangeMax = false;
        s->rangeMin = 0;
        s->rangeMax = 100;
        s->decimals = 0;
        s->warningLow = -inf;
        s->alarmLow = -inf;
        s->warningHigh = 80;
        s->alarmHigh = 90;
        s->alarmDelay = 0;
        s->color = QColor(0, 0, 128);
        emit s->signal_setupChanged();
        c->setDataWithoutFilter(values[i], QDateTime::currentMSecsSinceEpoch());
        c->slot_checkWarningsAndAlarms();
        channels.append(c);
    }

    const QDir home(QDir::homePath());
    QImage picture(400, 300, QImage::Format_RGB32);
    picture.fill(QColor(30, 120, 200));
    picture.save(home.filePath(QStringLiteral("screen.png")));

    struct Kind {
        const char* file;
        int type;
        QSize size;
    };
    const Kind kinds[] = {
        {"indicator", 0, {160, 60}},  {"number", 1, {200, 80}},     {"bar", 2, {100, 260}},
        {"gauge", 3, {220, 220}},     {"gauge_engine_speed", 14, {220, 220}},
        {"input_button", 8, {140, 50}}, {"input_slider", 10, {200, 70}}, {"input_spinbox", 9, {200, 70}},
        {"command_button", 13, {160, 50}}, {"image", 16, {200, 150}},
    };
    MdiManager manager(nullptr, MdiType_run);
    manager.resize(1500, 1000);
    manager.show();
    if (!QTest::qWaitForWindowExposed(&manager))
        return 1;
    for (const Kind& kind : kinds) {
        auto* mdi = static_cast<RunMdi*>(manager.newMdi(QString::fromLatin1(kind.file), QString(), false));
        manager.setCurrentWidget(mdi);
        QTest::qWait(50);
        QList<AbstractRMdiWidget*> row;
        for (int state = 0; state < 5; ++state) {
            const QRect rect(10 + state * (kind.size.width() + 20), 10, kind.size.width(), kind.size.height());
            auto* w = static_cast<AbstractRMdiWidget*>(mdi->addWidget(kind.type, rect, false));
            if (kind.type == 14) {
                // The engine-speed gauge is always bound: the states go to its channel's setup instead.
            } else if (state < 4 && kind.type != 13 && kind.type != 16) {
                w->setChannel(channels[state]);
            } else if (state == 4 && kind.type != 13 && kind.type != 16) {
                w->setChannel(nullptr);
            }
            if (auto* lamp = qobject_cast<RMdiIndicator*>(w))
                lamp->typeBox->setCurrentIndex(state == 1 ? 1 : state == 2 ? 2 : 0);
            if (auto* command = qobject_cast<RMdiCommandButton*>(w))
                command->labelEdit->setText(state == 4 ? QString() : QStringLiteral("Start logger %1").arg(state));
            if (auto* image = qobject_cast<RMdiImage*>(w)) {
                QDomDocument doc;
                QDomElement setup = doc.createElement(QStringLiteral("setup"));
                QDomElement src = doc.createElement(QStringLiteral("image"));
                src.setAttribute(QStringLiteral("src"), state == 0 ? home.filePath(QStringLiteral("screen.png"))
                                                                  : home.filePath(QStringLiteral("missing.png")));
                if (state < 4)
                    setup.appendChild(src);
                image->parseDomElement(&setup);
            }
            row.append(w);
        }
        RunChannel* engine = theChannels.getChannelByKey(QStringLiteral("engine_speed"));
        engine->setDataWithoutFilter(250.0, QDateTime::currentMSecsSinceEpoch());
        qint64 t = QDateTime::currentMSecsSinceEpoch();
        for (int i = 0; i < 3; ++i) {
            for (AbstractRMdiWidget* w : row)
                w->refreshTick(t);
            t += 1000;
            QTest::qWait(30);
        }
        QTest::qWait(200);
        QRect shot(0, 0, 5 * (kind.size.width() + 20) + 10, kind.size.height() + 20);
        manager.grab().copy(shot.translated(mdi->viewport()->mapTo(&manager, QPoint(0, 0))))
            .save(QDir(out).filePath(QString::fromLatin1(kind.file) + QStringLiteral(".png")));
    }
    return 0;
}
