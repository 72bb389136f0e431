#include "TestModesLink.h"

#include "ChannelId.h"
#include "CsvVectorImporter.h"
#include "DynoApplication.h"
#include "MidiPlayer.h"
#include "SpinBoxWithUnit.h"
#include "TestModeHooks.h"
#include "TunePID.h"
#include "VectorChannel.h"
#include "WizardHooks.h"
#include "Wizards.h"

#include <QDoubleSpinBox>

#include <memory>

namespace {

// The log player's four vectors, empty, in SI units over one time vector.
bool importLog(QWidget* parent, TestModeHooks::Log& log)
{
    auto time = std::make_unique<VectorChannel>(1.0, QStringLiteral("time"), QStringLiteral("Time"), Quantity::Time,
                                                0, nullptr);
    auto engineSpeed = std::make_unique<VectorChannel>(1.0, QStringLiteral("engine_speed"),
                                                       QStringLiteral("Engine speed"), Quantity::RotationalSpeed, 0,
                                                       time.get());
    auto throttle = std::make_unique<VectorChannel>(1.0, QStringLiteral("throttleTarget"), QStringLiteral("Throttle"),
                                                    Quantity::Fraction, 0, time.get());
    auto gear = std::make_unique<VectorChannel>(1.0, QStringLiteral("gearTarget"), QStringLiteral("Gear"),
                                                Quantity::None, 0, time.get());
    const QList<VectorChannel*> vectors {time.get(), engineSpeed.get(), throttle.get(), gear.get()};
    const QList<QStringList> words {{QStringLiteral("time")},
                                    {QStringLiteral("rpm")},
                                    {QStringLiteral("tps"), QStringLiteral("throttle")},
                                    {QStringLiteral("gear")}};
    if (!CsvVectorImporter::importVectors(parent, vectors, words))
        return false;
    log.time = time->rawSamples();
    log.engineSpeed = engineSpeed->rawSamples();
    log.throttle = throttle->rawSamples();
    log.gear = gear->rawSamples();
    return true;
}

QWidget* openTunePid(const PidTuningRequest& request, QWidget* parent)
{
    TunePID::Editors editors;
    editors.pvFilter = qobject_cast<SpinBoxWithUnit*>(request.inputFilter);
    editors.relayAmplitude = qobject_cast<QDoubleSpinBox*>(request.relayAmplitude);
    editors.kFF = qobject_cast<QDoubleSpinBox*>(request.kFF);
    editors.kP = qobject_cast<QDoubleSpinBox*>(request.kP);
    editors.kI = qobject_cast<QDoubleSpinBox*>(request.kI);
    editors.kDFast = qobject_cast<QDoubleSpinBox*>(request.kDFast);
    editors.kDSlow = qobject_cast<QDoubleSpinBox*>(request.kD);
    editors.kDD = qobject_cast<QDoubleSpinBox*>(request.kDD);
    editors.kF = qobject_cast<SpinBoxWithUnit*>(request.errorFilter);
    editors.kDF = qobject_cast<SpinBoxWithUnit*>(request.kDFilter);
    editors.kDDF = qobject_cast<SpinBoxWithUnit*>(request.kDDFilter);
    editors.e1 = qobject_cast<QDoubleSpinBox*>(request.extra1);
    editors.e2 = qobject_cast<QDoubleSpinBox*>(request.extra2);
    return new TunePID(parent, request.setPoint, request.processValue, editors, request.title, request.valueLabel,
                       request.extra1Label, request.extra2Label);
}

} // namespace

namespace TestModesLink {

void install()
{
    TestModeHooks& hooks = TestModeHooks::current();
    hooks.loadLogFile = &importLog;
    hooks.rotationalMassWizard = [](QWidget* parent, const QVariant& vehicleType, double& rotationalMass) {
        const std::optional<double> mass = Wizards::rotationalMassCalculator(parent, vehicleType.toInt());
        if (!mass)
            return false;
        rotationalMass = *mass;
        return true;
    };
    WizardHooks::instance().openTunePid = &openTunePid;
    // The MIDI player (media) only with the option "midi".
    MidiPlayer::registerTestMode(g_midiEnabled);
}

} // namespace TestModesLink
