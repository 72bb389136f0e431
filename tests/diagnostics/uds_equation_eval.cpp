// Puts reply texts through UDS channel equations: reads lines
// "equation<TAB>reply hex<TAB>support bit" and prints "value status" a line.
#include "UDSChannel.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream in(stdin);
    UDSChannel channel;
    channel.udsSetup.priorityGroup = PriorityGroup_1;
    qint64 time = 1;
    while (!in.atEnd()) {
        const QStringList parts = in.readLine().split('\t');
        if (parts.size() < 3)
            continue;
        channel.udsSetup.equation = parts[0];
        channel.udsSetup.supportBit = parts[2].toInt();
        channel.updateAndCheckEquation(false);
        const double value = channel.newByteData(parts[1].toLatin1(), ++time);
        std::printf("%.17g %d\n", value, int(channel.status()));
    }
    return 0;
}
