#pragma once

#include <QByteArray>
#include <QString>

#include <atomic>
#include <thread>

class SimulatedObdAdapter;

// Serves a simulated OBD adapter on a pseudo-terminal pair: the program opens
// the slave side as its serial port; the simulator reads the master side a
// command line (up to CR) at a time and writes the adapter's answer. The
// slave stays open here too, so the port survives the program closing it;
// stop() closes both sides, which the program sees as an unplugged adapter.
class SimulatedObdPty
{
public:
    explicit SimulatedObdPty(SimulatedObdAdapter& adapter);
    ~SimulatedObdPty();

    // False with `error` set when no pty could be made.
    bool start(QString* error = nullptr);
    void stop();
    QString slaveName() const { return slave; }

    // Delivery faults.
    std::atomic<bool> silent {false};          // answer nothing
    std::atomic<int> replyDelayMs {0};         // before each answer
    std::atomic<bool> splitDeliveries {false}; // answer in pieces with pauses
    std::atomic<bool> bytesAfterPrompt {false};// stray bytes right after '>'
    std::atomic<bool> nulPadding {false};      // NUL bytes between the lines

private:
    void serve();
    void send(const QByteArray& bytes);

    SimulatedObdAdapter& adapter;
    int masterFd = -1;
    int slaveFd = -1;
    int wakeFds[2] = {-1, -1};
    QString slave;
    std::thread worker;
};
