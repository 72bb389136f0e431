// Scatter plot with 20 grey runs: time of the per-refresh layer redraw (p50,
// p99) against a full replot of the same plot; X-Y table: one sample's
// addData against a plain binary-search binning of the same samples.
#include "Channels.h"
#include "DesktopHooks.h"
#include "HwInfo.h"
#include "MdiManager.h"
#include "RMdiScatterPlot.h"
#include "RMdiXYTable.h"
#include "RMdiXYTableModel.h"
#include "ChannelSetup.h"
#include "RunChannel.h"
#include "RunMdi.h"
#include "ScatterPlotAxis.h"
#include "lib/Units.h"

#include <QApplication>
#include <QElapsedTimer>
#include <qcustomplot.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>

namespace {

double percentile(QList<qint64> v, double p)
{
    std::sort(v.begin(), v.end());
    return double(v.at(std::min(qsizetype(p * v.size()), v.size() - 1)));
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    theUnits.init();
    theHwInfo.setDeviceCode(DeviceCode_ZR6);
    theChannels.init();
    RunMdi::registerRunDesktop();
    qint64 now = 1'000'000;
    qint64 runStart = now;
    RunMdi::setClock([&now] { return now; });
    RunMdi::setTimerStarter([](RunMdi*, int) {});
    DesktopHooks::instance()->runStartTime = [&runStart] { return runStart; };
    MdiManager manager(nullptr, MdiType_run);
    manager.resize(1200, 900);
    manager.show();
    auto* mdi = static_cast<RunMdi*>(manager.newMdi(QStringLiteral("bench"), QString(), false));
    auto* plot = static_cast<RMdiScatterPlot*>(mdi->addWidget(5, QRect(0, 0, 1000, 700), false));
    RunChannel* x = theChannels.getChannelByKey(QStringLiteral("engine_speed"));
    RunChannel* y = theChannels.getChannelByKey(QStringLiteral("engine_power"));
    plot->xAxis->setAxisChannel(x);
    plot->yAxis->setAxisChannel(y);
    plot->leavePrevious->setChecked(true);
    for (int run = 0; run <= 20; ++run) {
        runStart = now;
        for (int i = 0; i < 1500; ++i) {
            now += 20;
            x->setDataWithoutFilter(100 + i * 0.4, now);
            y->setDataWithoutFilter((60000 + run * 500) * std::sin(i / 1000.0) + 1000, now);
            plot->refreshTick(now);
        }
    }
    QList<qint64> layer;
    for (int i = 0; i < 500; ++i) {
        now += 20;
        x->setDataWithoutFilter(700 + i * 0.1, now);
        y->setDataWithoutFilter(50000 + i, now);
        plot->refreshTick(now);
        layer.append(plot->lastLayerRedrawUs);
    }
    QList<qint64> full;
    for (int i = 0; i < 50; ++i) {
        QElapsedTimer t;
        t.start();
        plot->plot->replot(QCustomPlot::rpImmediateRefresh);
        full.append(t.nsecsElapsed() / 1000);
    }
    std::printf("scatter plot, %d grey runs: layer redraw p50 %.0f us, p99 %.0f us; full replot p50 %.0f us; "
                "ratio full / layer p50: %.1f\n",
                int(plot->backgroundEntries.size()), percentile(layer, 0.5), percentile(layer, 0.99),
                percentile(full, 0.5), percentile(full, 0.5) / std::max(1.0, percentile(layer, 0.5)));

    auto* table = static_cast<RMdiXYTable*>(mdi->addWidget(7, QRect(0, 0, 500, 400), false));
    RunChannel* rows = theChannels.getChannelByKey(QStringLiteral("dyno_speed"));
    QList<double> bins;
    for (int i = 0; i < 50; ++i)
        bins.append(i * 100.0);
    x->setup->bins = bins;
    rows->setup->bins = bins;
    RMdiXYTableModel* model = table->model;
    model->setChannel(XYMapAxis_columns, x);
    model->setChannel(XYMapAxis_rows, rows);
    model->setChannel(XYMapAxis_value, y);
    std::mt19937 gen(25);
    // An operating point that wanders slowly, as on the dyno.
    QList<double> cs, rs;
    double c = 2000, r = 2000;
    std::normal_distribution<double> step(0.0, 15.0);
    for (int i = 0; i < 1'000'000; ++i) {
        c = std::clamp(c + step(gen), 0.0, 4900.0);
        r = std::clamp(r + step(gen), 0.0, 4900.0);
        cs.append(c);
        rs.append(r);
    }
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < cs.size(); ++i)
        model->addData(cs[i], rs[i], 1.0);
    const double ours = double(t.nsecsElapsed()) / cs.size();
    // The reference: a binary search of the midpoints per axis and a sum.
    QList<double> mids;
    for (int i = 0; i + 1 < bins.size(); ++i)
        mids.append((bins[i] + bins[i + 1]) / 2);
    QList<double> sums(bins.size() * bins.size(), 0.0);
    t.restart();
    for (int i = 0; i < cs.size(); ++i) {
        const auto ci = std::upper_bound(mids.begin(), mids.end(), cs[i]) - mids.begin();
        const auto ri = std::upper_bound(mids.begin(), mids.end(), rs[i]) - mids.begin();
        sums[ri * bins.size() + ci] += 1.0;
    }
    const double reference = double(t.nsecsElapsed()) / cs.size();
    std::printf("xy table addData: %.1f ns per sample; binary-search binning %.1f ns; ratio %.1f\n", ours, reference,
                ours / std::max(0.1, reference));
    return 0;
}
