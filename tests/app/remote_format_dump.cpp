// Prints how the remote-control server writes numbers and encodes names, for
// a comparison with Python's "%g" and urllib.parse.quote(s, safe=''):
//   g <IEEE-754 bits in hex> <text>
//   q <bytes in hex> <encoded> <decoded again, in hex>
#include "RemoteProtocol.h"

#include <QByteArray>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>

namespace {

void printValue(double value)
{
    uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    std::printf("g %016llx %s\n", static_cast<unsigned long long>(bits),
                RemoteProtocol::formatValue(value).constData());
}

void printEncoded(const QByteArray& bytes)
{
    const QByteArray encoded = RemoteProtocol::percentEncode(bytes);
    std::printf("q %s %s %s\n", bytes.isEmpty() ? "-" : bytes.toHex().constData(), encoded.isEmpty() ? "-" : encoded.constData(),
                bytes.isEmpty() ? "-" : RemoteProtocol::percentDecode(encoded).toHex().constData());
}

} // namespace

int main()
{
    const double inf = std::numeric_limits<double>::infinity();
    for (const double v : {0.0, -0.0, 1.0, -1.0, 1.5e6, 123456.0, 1234567.0, 999999.5, 999999.4, 100000.0, 0.0001,
                           0.00001, 0.000123456789, 3.14159265358979, -2.5e-7, 1e100, 1e-300, 5e-324, DBL_MAX,
                           DBL_MIN, 0.1 + 0.2, 12369.0, 9.9999996e-5, 2.5, 0.5, 1e15, 123.456789,
                           std::numeric_limits<double>::quiet_NaN(), inf, -inf})
        printValue(v);
    std::mt19937_64 random(12369);
    std::uniform_real_distribution<double> mantissa(-10.0, 10.0);
    std::uniform_int_distribution<int> exponent(-12, 12);
    for (int i = 0; i < 5000; ++i)
        printValue(mantissa(random) * std::pow(10.0, exponent(random)));

    QByteArray ascii;
    for (int c = 1; c < 128; ++c)
        ascii.append(char(c));
    printEncoded(ascii);
    for (const char* text : {"Throttle \xc3\xb6", "a b~c_d-e.f", "%", "%20", "100%", "\xf0\x9f\x9a\x97 speed",
                             "loadCell_1_value", "I_gas/throttle:1;2"})
        printEncoded(QByteArray(text));
    std::uniform_int_distribution<int> byte(0, 255);
    for (int i = 0; i < 200; ++i) {
        QByteArray bytes;
        for (int n = 0; n < 1 + i % 17; ++n)
            bytes.append(char(byte(random)));
        printEncoded(bytes);
    }
    return 0;
}
