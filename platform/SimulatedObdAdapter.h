#pragma once

#include <QByteArray>
#include <QList>
#include <QMutex>

#include <atomic>
#include <functional>

// An ELM327-style adapter with a vehicle of two ECUs (engine 7E8, transmission
// 7E9) behind it, for tests and ZEMBO_SIMULATE=1. It takes one command line at
// a time and gives the bytes the adapter would print, prompt included. What it
// knows of the command set: ATZ ATE ATL ATS ATH ATSP ATDP ATSH ATI AT@1 and
// the response-count digit; services 01 (PID bitmaps 00..E0), 03, 04, 09 and
// UDS 22 and 19, with negative responses and a pending response (7F..78)
// before one answer. Faults are switched by the public flags.
class SimulatedObdAdapter
{
public:
    SimulatedObdAdapter();

    // One command line without its carriage return; the adapter's output.
    QByteArray handleCommand(const QByteArray& line);

    // Every command line received, as received (without the CR).
    QList<QByteArray> commandLog() const;
    void clearCommandLog();

    // The vehicle as the simulated dyno's plant drives it.
    std::atomic<double> engineRpm {850.0};
    std::atomic<double> roadSpeedKmh {0.0};
    // Called before each answer to refresh the two values above, if set.
    std::function<void(SimulatedObdAdapter&)> plantSource;

    // The protocol the vehicle speaks (ATSP digit, 6 = CAN 11 bit 500 kbit/s,
    // 7 = CAN 29 bit, 3 = ISO 9141-2).
    std::atomic<int> vehicleProtocol {6};
    // Faults.
    std::atomic<bool> vehicleOff {false};
    std::atomic<bool> identificationWithFC {false};
    std::atomic<bool> stopNextRequest {false};

private:
    struct Ecu {
        int canId;            // reply id (11-bit)
        QList<int> pids;      // supported service 01 PIDs (bitmap PIDs included)
    };

    QByteArray finish(const QList<QByteArray>& lines) const;
    QByteArray vehicleRequest(const QByteArray& hex);
    QList<QByteArray> ecuAnswer(const Ecu& ecu, const QByteArray& request, bool& negative) const;
    QList<QByteArray> formatFrames(const Ecu& ecu, const QByteArray& payload) const;
    QByteArray pidData(const Ecu& ecu, int pid) const;
    QByteArray hex(const QByteArray& bytes) const;

    mutable QMutex mutex;
    QList<QByteArray> log;
    QList<Ecu> ecus;
    bool echo = true;
    bool linefeeds = true;
    bool spaces = true;
    bool headers = false;
    int protocol = 0;          // 0 automatic
    bool searched = false;     // automatic search done
    QByteArray header;         // ATSH, empty for the default
};
