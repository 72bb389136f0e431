#include "SpiChannel.h"

#include <QDebug>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {
QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}
} // namespace

SpiChannel::~SpiChannel()
{
    if (fd >= 0)
        ::close(fd);
}

int SpiChannel::init(const QString& path, unsigned int speedHz, unsigned char mode, unsigned char bitsPerWord)
{
    if (fd >= 0)
        ::close(fd);
    fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        qDebug().noquote() << "Unable to open SPI device: \n" + systemError();
        return -1;
    }
    if (::ioctl(fd, SPI_IOC_WR_MODE, &mode) < 0)
        qDebug().noquote() << "SPI Mode Change failure:\n" + systemError();
    if (::ioctl(fd, SPI_IOC_WR_BITS_PER_WORD, &bitsPerWord) < 0)
        qDebug().noquote() << "SPI BPW Change failure: \n" + systemError();
    if (::ioctl(fd, SPI_IOC_WR_MAX_SPEED_HZ, &speedHz) < 0)
        qDebug().noquote() << "SPI Speed Change failure: \n" + systemError();

    std::memset(&descriptor, 0, sizeof descriptor);
    descriptor.speed_hz = speedHz;
    descriptor.delay_usecs = 0;
    descriptor.bits_per_word = bitsPerWord;
    return fd;
}

int SpiChannel::writeRead(const unsigned char* tx, unsigned char* rx, int length)
{
    if (fd < 0 || length <= 0)
        return -1;
    descriptor.tx_buf = reinterpret_cast<unsigned long>(tx);
    descriptor.rx_buf = reinterpret_cast<unsigned long>(rx);
    descriptor.len = static_cast<unsigned int>(length);
    return ::ioctl(fd, SPI_IOC_MESSAGE(1), &descriptor);
}
