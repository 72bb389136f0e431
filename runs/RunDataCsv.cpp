// CSV export of a calculated run: quoted cells, CR LF lines, an optional
// preamble for outside analysis software and an optional information header.
#include "RunData.h"

#include "ChannelSetup.h"
#include "MySettings.h"
#include "ProjectListModel.h"
#include "RunListModel.h"
#include "TableFieldFlag.h"
#include "VectorChannel.h"
#include "lib/Tools.h"

#include <QFile>
#include <QProgressDialog>
#include <QTextStream>

#include <cmath>
#include <limits>
#include <memory>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The samples of one channel at the export's time steps, computed row by row:
// the same arithmetic as Resampler::resampleToVector with linear
// interpolation, without holding every channel's m values at once (an hour at
// 1 ms over hundreds of channels would not fit the board).
class ColumnCursor
{
public:
    ColumnCursor(const QList<double>* x, const QList<double>* y, double rate)
        : xs(x->constData())
        , ys(y->constData())
        , n(std::min(x->size(), y->size()))
        , period(1.0 / rate)
    {
    }

    double at(int j)
    {
        if (n == 0)
            return kNaN;
        const double t = j * period;
        if (t < lastTime)
            i = 0; // rows of markers come in any order
        lastTime = t;
        while (i < n - 1 && xs[i + 1] <= t)
            ++i;
        if (i < n - 1 && xs[i] <= t)
            return ys[i] + (t - xs[i]) * (ys[i + 1] - ys[i]) / (xs[i + 1] - xs[i]);
        if (i == n - 1 && t == xs[n - 1])
            return ys[n - 1];
        if (i == 0 || i == n - 1)
            return kNaN;
        return ys[i];
    }

private:
    const double* xs;
    const double* ys;
    qsizetype n;
    double period;
    qsizetype i = 0;
    double lastTime = -std::numeric_limits<double>::infinity();
};

void preambleLine(QTextStream& out, const QString& key, const QString& value)
{
    out << '"' << key << "\",\"" << value << "\"\r\n";
}

void preambleLine(QTextStream& out, const QString& key, double value)
{
    out << '"' << key << "\",\"" << value << "\"\r\n";
}

} // namespace

void RunData::exportToCSV(const QString& csvFileName, double samplingPeriod, CsvExportSampleOption samples,
                          QList<QString> channelKeys, bool addInfoHeader, CsvExportPreset preset,
                          bool removeIntermediateChannels, int numberPrecision)
{
    if (!mainTimeChannel)
        return;
    const double period = samples == CsvExportSample_markers ? 1.0 / double(analysisSamplingFrequency())
                                                             : samplingPeriod;
    const QList<double>& mainTime = mainTimeChannel->rawSamples();
    const double tEnd = mainTime.isEmpty() ? 0.0 : mainTime.last();
    const double steps = std::trunc(tEnd / period);
    const int m = steps > 0 && steps < double(std::numeric_limits<int>::max()) ? int(steps) : 0;

    QFile file(csvFileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        Tools::showError(tr("Can't open file for writing"));
        return;
    }
    QTextStream out(&file);
    out.setEncoding(QStringConverter::Utf8);
    out.setRealNumberPrecision(numberPrecision);

    if (preset == CsvExportPreset_duvir) {
        auto number = [](const QVariant& value) { return value.isNull() ? 0.0 : value.toDouble(); };
        out << "\"duvir_softwareName\",\"KOLVO\"\r\n";
        preambleLine(out, QStringLiteral("duvir_activeSoftwareVersion"), theSettings.version.versionText);
        preambleLine(out, QStringLiteral("duvir_hardware"), getRunInfoValueStringWithUnit(RunListFields::deviceCode));
        preambleLine(out, QStringLiteral("duvir_ambientTemperature [K]"), number(runInfo.value(12)));
        preambleLine(out, QStringLiteral("duvir_ambientPressure [Pa]"), number(runInfo.value(13)));
        preambleLine(out, QStringLiteral("duvir_ambientHumidity [%]"), number(runInfo.value(14)) * 100.0);
        preambleLine(out, QStringLiteral("duvir_ambientCorrectionFactor [%]"), number(runInfo.value(11)) * 100.0);
        preambleLine(out, QStringLiteral("duvir_ambientCorrectionStandard"),
                     getRunInfoValueStringWithUnit(RunListFields::enginePowerCorrectionStandard));
        preambleLine(out, QStringLiteral("duvir_runSoftwareVersion"),
                     getRunInfoValueStringWithUnit(RunListFields::createdWithSoftwareVersion));
        preambleLine(out, QStringLiteral("duvir_runTimestamp"),
                     QString::number(runInfo.value(RunListFields::creationTimestamp).toLongLong()));
        preambleLine(out, QStringLiteral("duvir_runComment"), runInfo.value(RunListFields::comment).toString());
        preambleLine(out, QStringLiteral("duvir_runName"), runInfo.value(RunListFields::name).toString());
        preambleLine(out, QStringLiteral("duvir_vehicleWeight [kg]"), number(projectInfo.value(14)));
        preambleLine(out, QStringLiteral("duvir_vehicleMake"), getProjectInfoValueStringWithUnit(ProjectListFieldId(10)));
        preambleLine(out, QStringLiteral("duvir_vehicleModel"), getProjectInfoValueStringWithUnit(ProjectListFieldId(11)));
        preambleLine(out, QStringLiteral("duvir_vehicleSeries"), getProjectInfoValueStringWithUnit(ProjectListFieldId(12)));
        preambleLine(out, QStringLiteral("duvir_vehicleYear"), getProjectInfoValueStringWithUnit(ProjectListFieldId(13)));
        preambleLine(out, QStringLiteral("duvir_engineDisplacement [L]"), number(projectInfo.value(25)) * 1000.0);
        preambleLine(out, QStringLiteral("duvir_engineValveCount"), QString::number(projectInfo.value(27).toInt()));
        preambleLine(out, QStringLiteral("duvir_engineBoostType"),
                     getProjectInfoValueStringWithUnit(ProjectListFieldId(23)));
        preambleLine(out, QStringLiteral("duvir_engineCode"), getProjectInfoValueStringWithUnit(ProjectListFieldId(21)));
        preambleLine(out, QStringLiteral("duvir_customerEmail"), projectInfo.value(55).toString());
        preambleLine(out, QStringLiteral("duvir_projectName"), projectInfo.value(8).toString());
    }

    if (addInfoHeader) {
        out << "\r\n" << tr("Project information") << "\r\n";
        for (int id = 0; id < ProjectListFieldCount && theProjectListModel; ++id) {
            const TableModelFieldDescriptor* descriptor = theProjectListModel->descriptor(id);
            if (!descriptor || (descriptor->flags & FieldInternal))
                continue;
            out << '"' << descriptor->headerLabel << "\",\""
                << getProjectInfoValueStringWithUnit(static_cast<ProjectListFieldId>(id)) << "\"\r\n";
        }
        out << "\r\n" << tr("Run information") << "\r\n";
        for (int id = 0; id < RunListFieldCount && theRunListModel; ++id) {
            const TableModelFieldDescriptor* descriptor = theRunListModel->descriptor(id);
            if (!descriptor || (descriptor->flags & FieldInternal))
                continue;
            out << '"' << descriptor->headerLabel << "\",\""
                << getRunInfoValueStringWithUnit(static_cast<RunListFieldId>(id)) << "\"\r\n";
        }
        out << "\r\n";
    }

    QList<VectorChannel*> channels;
    if (!channelKeys.isEmpty()) {
        for (const QString& key : std::as_const(channelKeys)) {
            if (VectorChannel* channel = getChannelByAnalyzeKey(key))
                channels.append(channel);
        }
    } else {
        for (VectorChannel* channel : listVectorChannels()) {
            if (removeIntermediateChannels && channel->setup && (channel->setup->flags & 4))
                continue;
            channels.append(channel);
        }
    }
    std::vector<std::unique_ptr<VectorChannel>> temporary;
    if (preset == CsvExportPreset_duvir) {
        const struct {
            ChannelId id;
            const char* name;
            const char* unit;
        } presetColumns[] = {{ChannelId_selectedTime, "duvir_time", "s"},
                             {ChannelId_engineSpeed, "duvir_engineSpeed", "RPM"},
                             {ChannelId_engineCorrectedPower, "duvir_enginePower", "kW"},
                             {ChannelId_engineCorrectedTorque, "duvir_engineTorque", "Nm"}};
        QList<VectorChannel*> front;
        for (const auto& column : presetColumns) {
            VectorChannel* source = getVectorChannel(column.id, 0);
            if (!source)
                continue;
            auto copy = std::make_unique<VectorChannel>(source);
            copy->setup->displayName = QLatin1String(column.name);
            copy->setup->setUnitFromName(QLatin1String(column.unit));
            front.append(copy.get());
            temporary.push_back(std::move(copy));
        }
        channels = front + channels;
    }

    std::vector<ColumnCursor> columns;
    std::vector<bool> fixedTime;
    columns.reserve(size_t(channels.size()));
    const double rate = 1.0 / period;
    for (int c = 0; c < channels.size(); ++c) {
        VectorChannel* channel = channels.at(c);
        if (c > 0)
            out << ',';
        out << '"' << channel->setup->getNameWithUnit() << '"';
        columns.emplace_back(&mainTime, channel->getTranslatedData(), rate);
        const Quantity quantity = channel->setup->quantity;
        fixedTime.push_back(quantity == Quantity::Time || quantity == Quantity::ClockTime);
    }
    out << "\r\n";

    auto writeRow = [&](int j) {
        for (size_t c = 0; c < columns.size(); ++c) {
            const double value = columns[c].at(j);
            if (c > 0)
                out << ',';
            out << '"'
                << (fixedTime[c] ? QString::number(value, 'f', 3) : QString::number(value, 'g', numberPrecision))
                << '"';
        }
        out << "\r\n";
    };

    QProgressDialog progress(tr("Writing samples..."), tr("Abort"), 0, m);
    progress.setWindowModality(Qt::WindowModal);
    if (samples == CsvExportSample_all || samples == CsvExportSample_selection) {
        int first = 0;
        int last = m - 1;
        if (samples == CsvExportSample_selection) {
            const QPointF selection = getSelectionPoint();
            first = int(std::max(0.0, std::trunc(selection.x() / period)));
            last = int(std::min(double(m - 1), std::ceil(selection.y() / period)));
        }
        for (int j = first; j <= last; ++j) {
            if (j % 1000 == 0) {
                progress.setValue(j);
                if (progress.wasCanceled())
                    break;
            }
            writeRow(j);
        }
    } else if (samples == CsvExportSample_markers) {
        progress.setMaximum(int(markerTimes.size()));
        if (markerTimes.isEmpty())
            Tools::showInfo(tr("No markers found in current run"));
        for (int k = 0; k < markerTimes.size(); ++k) {
            const double steps = std::trunc(markerTimes.at(k) / period);
            if (!(steps > 0 && steps < double(m)))
                continue;
            progress.setValue(k);
            writeRow(int(steps));
        }
    }
    progress.setValue(progress.maximum());
    out.flush();
    file.close();
}
