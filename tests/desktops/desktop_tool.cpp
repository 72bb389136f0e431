// Writes what the desktops would for the reference checks:
//   desktop_tool default          opens the RUN tab set on a fresh home and
//                                 prints the path of the desktop file it saved
//   desktop_tool xytable FILE COLUMN_BINS ROW_BINS
//                                 feeds the X-Y table the samples of FILE
//                                 ("column row value" per line) and prints
//                                 "column row count mean" per cell
#include "ChannelSetup.h"
#include "Channels.h"
#include "HwInfo.h"
#include "MdiManager.h"
#include "MySettings.h"
#include "RMdiXYTable.h"
#include "RMdiXYTableModel.h"
#include "RunChannel.h"
#include "RunMdi.h"
#include "lib/Units.h"

#include <QApplication>
#include <QFile>
#include <QTextStream>

#include <cstdio>

namespace {

QList<double> parseBins(const QString& text)
{
    QList<double> bins;
    for (const QString& part : text.split(QLatin1Char(',')))
        bins.append(part.toDouble());
    return bins;
}

int xyTable(const QString& file, const QString& columnBins, const QString& rowBins)
{
    RunMdi::registerRunDesktop();
    MdiManager manager(nullptr, MdiType_run);
    auto* mdi = static_cast<RunMdi*>(manager.newMdi(QStringLiteral("tool"), QString(), false));
    auto* table = static_cast<RMdiXYTable*>(mdi->addWidget(7, QRect(0, 0, 400, 300), false));
    RunChannel* column = theChannels.getChannelByKey(QStringLiteral("engine_speed"));
    RunChannel* row = theChannels.getChannelByKey(QStringLiteral("dyno_speed"));
    RunChannel* value = theChannels.getChannelByKey(QStringLiteral("engine_power"));
    column->setup->bins = parseBins(columnBins);
    row->setup->bins = parseBins(rowBins);
    RMdiXYTableModel* model = table->model;
    model->setChannel(XYMapAxis_columns, column);
    model->setChannel(XYMapAxis_rows, row);
    model->setChannel(XYMapAxis_value, value);
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly | QIODevice::Text))
        return 2;
    QTextStream lines(&in);
    while (!lines.atEnd()) {
        const QStringList p = lines.readLine().split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (p.size() == 3)
            model->addData(p[0].toDouble(), p[1].toDouble(), p[2].toDouble());
    }
    for (int r = 0; r < model->rowCountData; ++r)
        for (int c = 0; c < model->columnCountData; ++c)
            std::printf("%d %d %d %.17g\n", c, r, model->cellCount(c, r), model->cellMean(c, r));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    theUnits.init();
    theHwInfo.setDeviceCode(DeviceCode_ZR6);
    theChannels.init();
    const QStringList args = app.arguments();
    if (args.size() >= 2 && args[1] == QLatin1String("default")) {
        RunMdi::registerRunDesktop();
        {
            MdiManager manager(nullptr, MdiType_run);
            manager.initAfterSettings();
        }
        std::printf("%s\n", qPrintable(theSettings.desktopsDir.absoluteFilePath(QStringLiteral("desktop.xml"))));
        return 0;
    }
    if (args.size() >= 5 && args[1] == QLatin1String("xytable"))
        return xyTable(args[2], args[3], args[4]);
    std::fprintf(stderr, "usage: desktop_tool default | xytable FILE COLUMN_BINS ROW_BINS\n");
    return 2;
}
