#include "Bme280Driver.h"

#include <algorithm>

namespace {

constexpr uint8_t softResetCommand = 0xB6;
constexpr int maxRegistersPerWrite = 10;
constexpr int chipIdTries = 5;

constexpr double minTemperature = -40.0;
constexpr double maxTemperature = 85.0;
constexpr double minPressure = 30000.0;
constexpr double maxPressure = 110000.0;
constexpr double minHumidity = 0.0;
constexpr double maxHumidity = 100.0;

bool usable(const bme280_dev* dev)
{
    return dev && dev->readCallback && dev->writeCallback && dev->delayCallback;
}

uint8_t withField(uint8_t reg, int shift, uint8_t value)
{
    const uint8_t mask = static_cast<uint8_t>(0x07 << shift);
    return static_cast<uint8_t>((reg & ~mask) | ((value << shift) & mask));
}

uint8_t field(uint8_t reg, int shift)
{
    return static_cast<uint8_t>((reg >> shift) & 0x07);
}

int8_t writeOne(uint8_t reg, uint8_t value, const bme280_dev* dev)
{
    return bme280_set_regs(&reg, &value, 1, dev);
}

// The chip takes new settings only in sleep mode. A soft reset is the way to
// sleep from any mode; the settings it wipes are written back.
int8_t putToSleep(const bme280_dev* dev)
{
    uint8_t regs[4];
    int8_t rslt = bme280_get_regs(Bme280Register::ctrlHum, regs, 4, dev);
    if (rslt != Bme280Ok)
        return rslt;
    rslt = bme280_soft_reset(dev);
    if (rslt != Bme280Ok)
        return rslt;
    // ctrl_hum first: it is taken over by the ctrl_meas write after it.
    const uint8_t addresses[3] = {Bme280Register::ctrlHum, Bme280Register::ctrlMeas, Bme280Register::config};
    const uint8_t values[3] = {static_cast<uint8_t>(regs[0] & 0x07), static_cast<uint8_t>(regs[2] & 0xFC), regs[3]};
    return bme280_set_regs(addresses, values, 3, dev);
}

int8_t sleepIfAwake(const bme280_dev* dev)
{
    uint8_t mode = 0;
    int8_t rslt = bme280_get_sensor_mode(&mode, dev);
    if (rslt == Bme280Ok && mode != Bme280Sleep)
        rslt = putToSleep(dev);
    return rslt;
}

int8_t readCalibration(bme280_dev* dev)
{
    uint8_t first[bme280Calibration1Length];
    int8_t rslt = bme280_get_regs(Bme280Register::calibration1, first, bme280Calibration1Length, dev);
    if (rslt != Bme280Ok)
        return rslt;
    uint8_t second[bme280Calibration2Length];
    rslt = bme280_get_regs(Bme280Register::calibration2, second, bme280Calibration2Length, dev);
    if (rslt != Bme280Ok)
        return rslt;

    auto u16 = [&first](int i) { return static_cast<uint16_t>(first[i] | (first[i + 1] << 8)); };
    auto s16 = [&u16](int i) { return static_cast<int16_t>(u16(i)); };
    bme280_calib_data& c = dev->calibration;
    c.digT1 = u16(0);
    c.digT2 = s16(2);
    c.digT3 = s16(4);
    c.digP1 = u16(6);
    c.digP2 = s16(8);
    c.digP3 = s16(10);
    c.digP4 = s16(12);
    c.digP5 = s16(14);
    c.digP6 = s16(16);
    c.digP7 = s16(18);
    c.digP8 = s16(20);
    c.digP9 = s16(22);
    c.digH1 = first[25];
    c.digH2 = static_cast<int16_t>(second[0] | (second[1] << 8));
    c.digH3 = second[2];
    // Two signed 12-bit words share 0xE5: its low nibble ends dig_H4, its
    // high nibble starts dig_H5.
    c.digH4 = static_cast<int16_t>(static_cast<int8_t>(second[3]) * 16 | (second[4] & 0x0F));
    c.digH5 = static_cast<int16_t>(static_cast<int8_t>(second[5]) * 16 | (second[4] >> 4));
    c.digH6 = static_cast<int8_t>(second[6]);
    return Bme280Ok;
}

double compensateTemperature(uint32_t raw, bme280_calib_data* c)
{
    const double adc = raw;
    const double var1 = (adc / 16384.0 - c->digT1 / 1024.0) * c->digT2;
    const double x = adc / 131072.0 - c->digT1 / 8192.0;
    const double var2 = x * x * c->digT3;
    c->fineTemperature = static_cast<int32_t>(var1 + var2);
    return std::clamp((var1 + var2) / 5120.0, minTemperature, maxTemperature);
}

double compensatePressure(uint32_t raw, const bme280_calib_data* c)
{
    double var1 = c->fineTemperature / 2.0 - 64000.0;
    double var2 = var1 * var1 * c->digP6 / 32768.0;
    var2 = var2 + var1 * c->digP5 * 2.0;
    var2 = var2 / 4.0 + c->digP4 * 65536.0;
    const double var3 = c->digP3 * var1 * var1 / 524288.0;
    var1 = (var3 + c->digP2 * var1) / 524288.0;
    var1 = (1.0 + var1 / 32768.0) * c->digP1;
    // A zeroed trimming would divide by zero.
    if (var1 == 0.0)
        return minPressure;
    double p = 1048576.0 - raw;
    p = (p - var2 / 4096.0) * 6250.0 / var1;
    var1 = c->digP9 * p * p / 2147483648.0;
    var2 = p * c->digP8 / 32768.0;
    p = p + (var1 + var2 + c->digP7) / 16.0;
    return std::clamp(p, minPressure, maxPressure);
}

double compensateHumidity(uint32_t raw, const bme280_calib_data* c)
{
    const double t = c->fineTemperature - 76800.0;
    const double var2 = c->digH4 * 64.0 + c->digH5 / 16384.0 * t;
    const double var3 = raw - var2;
    const double var4 = c->digH2 / 65536.0;
    const double var5 = 1.0 + c->digH3 / 67108864.0 * t;
    double h = 1.0 + c->digH6 / 67108864.0 * t * var5;
    h = var3 * var4 * h;
    h = h * (1.0 - c->digH1 * h / 524288.0);
    return std::clamp(h, minHumidity, maxHumidity);
}

} // namespace

int8_t bme280_get_regs(uint8_t reg, uint8_t* data, uint16_t len, const bme280_dev* dev)
{
    if (!usable(dev) || !data)
        return Bme280NullDevice;
    if (len == 0)
        return Bme280InvalidLength;
    // On SPI bit 7 of the address is the read flag.
    if (dev->interface == Bme280Spi)
        reg = static_cast<uint8_t>(reg | 0x80);
    return dev->readCallback(dev->busContext, dev->deviceId, reg, data, len) == 0 ? Bme280Ok : Bme280BusFailure;
}

int8_t bme280_set_regs(const uint8_t* regs, const uint8_t* data, uint8_t len, const bme280_dev* dev)
{
    if (!usable(dev) || !regs || !data)
        return Bme280NullDevice;
    if (len == 0)
        return Bme280InvalidLength;
    const int count = std::min<int>(len, maxRegistersPerWrite);
    auto address = [dev](uint8_t reg) {
        return dev->interface == Bme280Spi ? static_cast<uint8_t>(reg & 0x7F) : reg;
    };
    // First address, then data, address, data, ...: one burst.
    uint8_t burst[2 * maxRegistersPerWrite - 1];
    burst[0] = data[0];
    for (int i = 1; i < count; ++i) {
        burst[2 * i - 1] = address(regs[i]);
        burst[2 * i] = data[i];
    }
    const uint16_t length = static_cast<uint16_t>(2 * count - 1);
    return dev->writeCallback(dev->busContext, dev->deviceId, address(regs[0]), burst, length) == 0
               ? Bme280Ok
               : Bme280BusFailure;
}

int8_t bme280_soft_reset(const bme280_dev* dev)
{
    if (!usable(dev))
        return Bme280NullDevice;
    const int8_t rslt = writeOne(Bme280Register::reset, softResetCommand, dev);
    // The chip copies its trimming memory after a reset.
    if (rslt == Bme280Ok)
        dev->delayCallback(2);
    return rslt;
}

int8_t bme280_init(bme280_dev* dev)
{
    if (!usable(dev))
        return Bme280NullDevice;
    int8_t rslt = Bme280ChipNotFound;
    for (int attempt = 0; attempt < chipIdTries; ++attempt) {
        uint8_t id = 0;
        rslt = bme280_get_regs(Bme280Register::chipId, &id, 1, dev);
        if (rslt == Bme280Ok && id == bme280ChipId) {
            dev->chipId = id;
            rslt = bme280_soft_reset(dev);
            if (rslt == Bme280Ok)
                rslt = readCalibration(dev);
            return rslt;
        }
        if (rslt == Bme280Ok)
            rslt = Bme280ChipNotFound;
        dev->delayCallback(1);
    }
    return rslt;
}

int8_t bme280_get_sensor_mode(uint8_t* mode, const bme280_dev* dev)
{
    if (!mode)
        return Bme280NullDevice;
    uint8_t meas = 0;
    const int8_t rslt = bme280_get_regs(Bme280Register::ctrlMeas, &meas, 1, dev);
    if (rslt == Bme280Ok)
        *mode = meas & 0x03;
    return rslt;
}

int8_t bme280_set_sensor_mode(uint8_t mode, const bme280_dev* dev)
{
    int8_t rslt = sleepIfAwake(dev);
    if (rslt != Bme280Ok)
        return rslt;
    uint8_t meas = 0;
    rslt = bme280_get_regs(Bme280Register::ctrlMeas, &meas, 1, dev);
    if (rslt != Bme280Ok)
        return rslt;
    return writeOne(Bme280Register::ctrlMeas, static_cast<uint8_t>((meas & 0xFC) | (mode & 0x03)), dev);
}

int8_t bme280_set_sensor_settings(uint8_t flags, const bme280_dev* dev)
{
    int8_t rslt = sleepIfAwake(dev);
    if (rslt != Bme280Ok)
        return rslt;
    const bme280_settings& s = dev->settings;
    uint8_t reg = 0;
    if (flags & Bme280HumidityOversampling) {
        rslt = bme280_get_regs(Bme280Register::ctrlHum, &reg, 1, dev);
        if (rslt == Bme280Ok)
            rslt = writeOne(Bme280Register::ctrlHum, withField(reg, 0, s.osrH), dev);
        // ctrl_hum counts only once ctrl_meas has been written after it.
        if (rslt == Bme280Ok)
            rslt = bme280_get_regs(Bme280Register::ctrlMeas, &reg, 1, dev);
        if (rslt == Bme280Ok)
            rslt = writeOne(Bme280Register::ctrlMeas, reg, dev);
        if (rslt != Bme280Ok)
            return rslt;
    }
    if (flags & (Bme280PressureOversampling | Bme280TemperatureOversampling)) {
        rslt = bme280_get_regs(Bme280Register::ctrlMeas, &reg, 1, dev);
        if (rslt != Bme280Ok)
            return rslt;
        if (flags & Bme280PressureOversampling)
            reg = withField(reg, 2, s.osrP);
        if (flags & Bme280TemperatureOversampling)
            reg = withField(reg, 5, s.osrT);
        rslt = writeOne(Bme280Register::ctrlMeas, reg, dev);
        if (rslt != Bme280Ok)
            return rslt;
    }
    if (flags & (Bme280Filter | Bme280StandbyTime)) {
        rslt = bme280_get_regs(Bme280Register::config, &reg, 1, dev);
        if (rslt != Bme280Ok)
            return rslt;
        if (flags & Bme280Filter)
            reg = withField(reg, 2, s.filter);
        if (flags & Bme280StandbyTime)
            reg = withField(reg, 5, s.standbyTime);
        rslt = writeOne(Bme280Register::config, reg, dev);
    }
    return rslt;
}

int8_t bme280_get_sensor_settings(bme280_dev* dev)
{
    uint8_t regs[4];
    const int8_t rslt = bme280_get_regs(Bme280Register::ctrlHum, regs, 4, dev);
    if (rslt != Bme280Ok)
        return rslt;
    dev->settings.osrH = field(regs[0], 0);
    dev->settings.osrP = field(regs[2], 2);
    dev->settings.osrT = field(regs[2], 5);
    dev->settings.filter = field(regs[3], 2);
    dev->settings.standbyTime = field(regs[3], 5);
    return Bme280Ok;
}

int8_t bme280_parse_sensor_data(const uint8_t* regData, bme280_uncomp_data* uncomp)
{
    if (!regData || !uncomp)
        return Bme280NullDevice;
    uncomp->pressure = (uint32_t(regData[0]) << 12) | (uint32_t(regData[1]) << 4) | (uint32_t(regData[2]) >> 4);
    uncomp->temperature = (uint32_t(regData[3]) << 12) | (uint32_t(regData[4]) << 4) | (uint32_t(regData[5]) >> 4);
    uncomp->humidity = (uint32_t(regData[6]) << 8) | uint32_t(regData[7]);
    return Bme280Ok;
}

int8_t bme280_compensate_data(uint8_t components, const bme280_uncomp_data* uncomp, bme280_data* data,
                              bme280_calib_data* calibration)
{
    if (!uncomp || !data || !calibration)
        return Bme280NullDevice;
    // Pressure and humidity depend on the temperature through fineTemperature.
    const double temperature = compensateTemperature(uncomp->temperature, calibration);
    if (components & Bme280Temperature)
        data->temperature = temperature;
    if (components & Bme280Pressure)
        data->pressure = compensatePressure(uncomp->pressure, calibration);
    if (components & Bme280Humidity)
        data->humidity = compensateHumidity(uncomp->humidity, calibration);
    return Bme280Ok;
}

int8_t bme280_get_sensor_data(uint8_t components, bme280_data* data, bme280_dev* dev)
{
    if (!usable(dev) || !data)
        return Bme280NullDevice;
    uint8_t regData[bme280DataLength];
    const int8_t rslt = bme280_get_regs(Bme280Register::data, regData, bme280DataLength, dev);
    if (rslt != Bme280Ok)
        return rslt;
    bme280_uncomp_data uncomp;
    bme280_parse_sensor_data(regData, &uncomp);
    return bme280_compensate_data(components, &uncomp, data, &dev->calibration);
}
