#include "DynoSettings.h"

#include "DynoSetting.h"
#include "PlatformMode.h"
#include "SpinBoxWithUnit.h"
#include "lib/Tools.h"
#include "lib/Unit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDebug>
#include <QDoubleSpinBox>
#include <QSpinBox>

#include <algorithm>
#include <cmath>

// The simulated dyno's installer settings: a fresh program on the simulated
// dyno should measure like a set-up dyno, so the roller diameter, inertia and
// loss model of the scenario's plant are taken over, but only where nobody has
// set them yet.

namespace {

QString number(double value)
{
    return QString::number(value, 'g', 12);
}

bool within(double value, double minimum, double maximum)
{
    // The range of a unit spin box comes back from its display unit; allow for
    // the rounding of that round trip.
    double scale = 1.0;
    for (const double limit : {minimum, maximum}) {
        if (std::isfinite(limit))
            scale = std::max(scale, std::fabs(limit));
    }
    const double slack = 1e-9 * scale;
    return value >= minimum - slack && value <= maximum + slack;
}

} // namespace

QString DynoSettings::checkInstallerSetting(const SimulatedScenario::InstallerSetting& entry,
                                            DynoSetting** found) const
{
    *found = nullptr;
    DynoSetting* setting = nullptr;
    for (const QList<DynoSetting*>* list : settings) {
        if (!list)
            continue;
        for (DynoSetting* candidate : *list) {
            if (candidate && candidate->key == entry.key) {
                setting = candidate;
                break;
            }
        }
        if (setting)
            break;
    }
    const QString where = QStringLiteral("scenario line %1: ").arg(entry.line);
    if (!setting)
        return where + QStringLiteral("no dyno setting \"%1\" on this board").arg(entry.key);
    const QList<double>& v = entry.values;
    const auto one = [&]() -> QString {
        return v.size() == 1 ? QString() : where + QStringLiteral("\"%1\" takes one value").arg(entry.key);
    };
    const auto outOfRange = [&](double minimum, double maximum) {
        return where + QStringLiteral("%1 is out of range for \"%2\" (%3 to %4)")
                           .arg(number(v.first()), entry.key, number(minimum), number(maximum));
    };
    QString problem;
    switch (setting->widgetType) {
    case SettingWidgetType_spinBox: {
        const auto* spin = static_cast<const QSpinBox*>(setting->widget);
        if ((problem = one()).isEmpty()
            && (v.first() != std::floor(v.first()) || !within(v.first(), spin->minimum(), spin->maximum())))
            problem = outOfRange(spin->minimum(), spin->maximum());
        break;
    }
    case SettingWidgetType_doubleSpinBox: {
        const auto* spin = static_cast<const QDoubleSpinBox*>(setting->widget);
        if ((problem = one()).isEmpty() && !within(v.first(), spin->minimum(), spin->maximum()))
            problem = outOfRange(spin->minimum(), spin->maximum());
        break;
    }
    case SettingWidgetType_spinBoxWithUnit: {
        const auto* spin = static_cast<const SpinBoxWithUnit*>(setting->widget);
        const double minimum = spin->getUnit()->getSIValue(spin->minimum());
        const double maximum = spin->getUnit()->getSIValue(spin->maximum());
        if ((problem = one()).isEmpty() && !within(v.first(), minimum, maximum))
            problem = outOfRange(minimum, maximum);
        break;
    }
    case SettingWidgetType_comboBox: {
        const auto* combo = static_cast<const QComboBox*>(setting->widget);
        const double option = v.first();
        if ((problem = one()).isEmpty()
            && (option != std::floor(option) || option < 0 || option >= combo->count()
                || Tools::isComboBoxOptionHidden(combo, int(option))))
            problem = where + QStringLiteral("option %1 of \"%2\" is not offered on this board")
                                  .arg(number(option), entry.key);
        break;
    }
    case SettingWidgetType_checkBox:
        if ((problem = one()).isEmpty() && v.first() != 0 && v.first() != 1)
            problem = outOfRange(0, 1);
        break;
    case SettingWidgetType_lossModelEditor:
        if (v.size() > 5)
            problem = where + QStringLiteral("a loss model has at most 5 coefficients");
        for (const double coefficient : v) {
            if (problem.isEmpty() && coefficient < 0)
                problem = where + QStringLiteral("loss-model coefficient %1 is negative").arg(number(coefficient));
        }
        break;
    default:
        problem = where + QStringLiteral("\"%1\" cannot be given in a scenario").arg(entry.key);
        break;
    }
    if (problem.isEmpty())
        *found = setting;
    return problem;
}

QString DynoSettings::seedInstallerSettings(const QList<SimulatedScenario::InstallerSetting>& entries,
                                            const QString& source)
{
    // All or nothing: a half-seeded dyno would measure wrong in a new way.
    QList<DynoSetting*> targets;
    for (const SimulatedScenario::InstallerSetting& entry : entries) {
        DynoSetting* setting = nullptr;
        const QString problem = checkInstallerSetting(entry, &setting);
        if (!problem.isEmpty()) {
            qDebug().noquote() << QStringLiteral("Installer settings of %1 refused, none taken: %2").arg(source, problem);
            return problem;
        }
        targets.append(setting);
    }
    QStringList taken;
    QStringList kept;
    for (int i = 0; i < entries.size(); ++i) {
        DynoSetting* setting = targets.at(i);
        const SimulatedScenario::InstallerSetting& entry = entries.at(i);
        if (!setting->atDefault()) {
            kept.append(entry.key);
            continue;
        }
        if (setting->widgetType == SettingWidgetType_lossModelEditor)
            setting->setValue(QVariant::fromValue(entry.values));
        else if (setting->widgetType == SettingWidgetType_checkBox)
            setting->setValue(entry.values.first() != 0);
        else
            setting->setValue(entry.values.first());
        QStringList values;
        for (const double value : entry.values)
            values.append(number(value));
        taken.append(entry.key + QLatin1Char('=') + values.join(QLatin1Char(' ')));
    }
    if (!entries.isEmpty()) {
        QString line = QStringLiteral("Installer settings of %1 taken: %2")
                           .arg(source, taken.isEmpty() ? QStringLiteral("none") : taken.join(QStringLiteral(", ")));
        if (!kept.isEmpty())
            line += QStringLiteral("; already set: ") + kept.join(QStringLiteral(", "));
        qDebug().noquote() << line;
    }
    return QString();
}

void DynoSettings::seedInstallerSettingsFromScenario()
{
    // Only the simulated dyno has a scenario; a real board's settings come from its installer.
    if (!PlatformMode::simulated())
        return;
    const QString path = qEnvironmentVariable("ZEMBO_SIM_SCENARIO");
    if (path.isEmpty())
        return;
    QString error;
    const SimulatedScenario scenario = SimulatedScenario::fromFile(path, &error);
    // The simulated controller has said why the file is not used.
    if (!error.isEmpty())
        return;
    seedInstallerSettings(scenario.installerSettings, QStringLiteral("scenario \"%1\"").arg(path));
}
