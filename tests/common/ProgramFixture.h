#pragma once

#include <QProcessEnvironment>
#include <QString>

// Environment for starting the real program in a test: its own home folder,
// its own single-instance key, and a board whose first-run set-up is done
// (system password replaced, USB access and CPU isolation in place under a
// stand-in system root), so no set-up notice waits for an answer at start.
class ProgramFixture
{
public:
    static QProcessEnvironment settledBoard(const QString& home, const QString& instanceName);
    static void writeFile(const QString& path, const QByteArray& content);
};
