#include "InertiaExperimentRun.h"

#include "DynoSettingId.h"
#include "OpenedRunsManager.h"
#include "PathSaver.h"
#include "RunData.h"
#include "lib/Tools.h"

#include <QDebug>
#include <QObject>

namespace InertiaExperimentRun {

RunData* chooseAndLoad(QWidget*)
{
    const QString path = thePathSaver.getOpenFileName(
        Path::openRun, QObject::tr("Select run log from inertia calibration experiment"));
    if (path.isEmpty())
        return nullptr;
    RunData* run = theOpenedRunsManager.getRunData(path);
    if (!run) {
        Tools::showError(QObject::tr("Error opening run data file"));
        return nullptr;
    }
    if (run->loadAll() != 0) {
        qDebug() << "Error loading run data";
        return nullptr;
    }
    if (run->calculateAll(false) != 0) {
        qDebug() << "Error calculating base data";
        return nullptr;
    }
    return run;
}

QList<double> lossModelOf(RunData* run)
{
    const QVariant value = run->getSettingValue(DynoSettingId_lossModel, 0, QVariant());
    if (value.userType() == qMetaTypeId<QList<double>>())
        return value.value<QList<double>>();
    QList<double> out;
    for (const QVariant& v : value.toList())
        out.append(v.toDouble());
    return out;
}

std::pair<int, int> selectionIndexes(const QList<double>& time, double start, double end)
{
    int first = 0;
    int last = 0;
    for (qsizetype i = 0; i < time.size(); ++i) {
        if (time.at(i) > end)
            break;
        if (time.at(i) <= start)
            first = int(i);
        last = int(i);
    }
    return {first, last - first};
}

} // namespace InertiaExperimentRun
