// Runs one numeric kernel on vectors that a reference script wrote as raw
// little-endian float64 (float32 for the band-pass) and writes the result the
// same way, so the script can compare it with numpy/scipy.
//   numerics_tool iir|iir4 in out fs fc
//   numerics_tool vsiir|vsiirn data time out fc
//   numerics_tool biquad in32 out32 fs f0 q
//   numerics_tool fft in signal_out freq_out amp_out rate normalise(0|1)
//   numerics_tool resample x y out rate count mode
//   numerics_tool reader x y queries out
//   numerics_tool bins axis queries bins_out positions_out
//   numerics_tool fit x y out        (out: status, result, a0..a4)
#include "BiQuad.h"
#include "BinFinder.h"
#include "CharacteristicReader.h"
#include "FFT.h"
#include "FitCurve.h"
#include "IIR.h"
#include "IIR4.h"
#include "Resampler.h"
#include "VariableSamplingIIR.h"
#include "VariableSamplingIIRN.h"

#include <QFile>
#include <QPointF>

#include <cstdio>
#include <cstring>

namespace {

template<typename T>
QList<T> readVector(const char* path)
{
    QFile file(QString::fromLocal8Bit(path));
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", path);
        std::exit(2);
    }
    const QByteArray bytes = file.readAll();
    QList<T> values(bytes.size() / qsizetype(sizeof(T)));
    std::memcpy(values.data(), bytes.constData(), size_t(values.size()) * sizeof(T));
    return values;
}

template<typename T>
void writeVector(const char* path, const QList<T>& values)
{
    QFile file(QString::fromLocal8Bit(path));
    if (!file.open(QIODevice::WriteOnly)
        || file.write(reinterpret_cast<const char*>(values.constData()), values.size() * qsizetype(sizeof(T)))
               != values.size() * qsizetype(sizeof(T))) {
        std::fprintf(stderr, "cannot write %s\n", path);
        std::exit(2);
    }
}

double number(const char* text)
{
    return std::strtod(text, nullptr);
}

int usage()
{
    std::fprintf(stderr, "usage: numerics_tool <kernel> files... parameters...\n");
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return usage();
    const QByteArray kernel(argv[1]);
    char** a = argv + 2;
    const int n = argc - 2;

    if ((kernel == "iir" || kernel == "iir4") && n == 4) {
        QList<double> data = readVector<double>(a[0]);
        if (kernel == "iir") {
            QList<double> out;
            IIR::filterVectorToOther(&data, &out, number(a[2]), number(a[3]));
            data = out;
        } else {
            IIR4::filterVectorInplace(&data, number(a[2]), number(a[3]));
        }
        writeVector(a[1], data);
    } else if ((kernel == "vsiir" || kernel == "vsiirn") && n == 4) {
        QList<double> data = readVector<double>(a[0]);
        const QList<double> time = readVector<double>(a[1]);
        if (kernel == "vsiir")
            VariableSamplingIIR::filterVector(&data, &time, number(a[3]));
        else
            VariableSamplingIIRN::filterVector(&data, &time, number(a[3]));
        writeVector(a[2], data);
    } else if (kernel == "biquad" && n == 5) {
        QList<float> data = readVector<float>(a[0]);
        BiQuad filter;
        filter.setFrequencyAndQ(float(number(a[2])), float(number(a[3])), float(number(a[4])));
        for (float& sample : data)
            sample = filter.addData(sample);
        writeVector(a[1], data);
    } else if (kernel == "fft" && n == 6) {
        QList<double> signal = readVector<double>(a[0]);
        QList<double> frequencies;
        QList<double> amplitudes;
        if (!FFT::calculate(signal, frequencies, amplitudes, number(a[4]), number(a[5]) != 0.0))
            return 3;
        writeVector(a[1], signal);
        writeVector(a[2], frequencies);
        writeVector(a[3], amplitudes);
    } else if (kernel == "resample" && n == 6) {
        const QList<double> x = readVector<double>(a[0]);
        const QList<double> y = readVector<double>(a[1]);
        QList<double> out;
        Resampler::resampleToVector(&x, &y, &out, number(a[3]), int(number(a[4])),
                                    static_cast<SamplingMode>(int(number(a[5]))));
        writeVector(a[2], out);
    } else if (kernel == "reader" && n == 4) {
        const QList<double> x = readVector<double>(a[0]);
        const QList<double> y = readVector<double>(a[1]);
        QList<double> queries = readVector<double>(a[2]);
        QList<QPointF> curve;
        for (qsizetype i = 0; i < x.size(); ++i)
            curve.append(QPointF(x[i], y[i]));
        CharacteristicReader reader;
        reader.init(&curve);
        for (double& q : queries)
            q = reader.getValue(q);
        writeVector(a[3], queries);
    } else if (kernel == "bins" && n == 4) {
        const QList<double> axis = readVector<double>(a[0]);
        const QList<double> queries = readVector<double>(a[1]);
        QList<double> bins;
        QList<double> positions;
        BinFinder finder;
        finder.init(&axis);
        for (double q : queries) {
            bins.append(finder.findBin(q));
            positions.append(finder.getBinRelativePosition(q));
        }
        writeVector(a[2], bins);
        writeVector(a[3], positions);
    } else if (kernel == "fit" && n == 3) {
        const QList<double> x = readVector<double>(a[0]);
        const QList<double> y = readVector<double>(a[1]);
        double coefficients[5] = {-1.0, -1.0, -1.0, -1.0, -1.0};
        int status = 0;
        const int result = FitCurve::calculatePowerLossCoeficients(&x, &y, coefficients, 4, &status);
        writeVector(a[2], QList<double>{double(status), double(result), coefficients[0], coefficients[1],
                                        coefficients[2], coefficients[3], coefficients[4]});
    } else {
        return usage();
    }
    return 0;
}
