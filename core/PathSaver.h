#pragma once

#include <QCoreApplication>
#include <QList>
#include <QMap>
#include <QString>

class QWidget;

namespace Paths {

// The purposes of the file dialogs. The name of each value is the last part of
// its settings key "path/" + name; the numbers never change.
enum Path : int {
    openRun = 0,
    openMidi = 1,
    openXml = 2,
    openCanx = 3,
    openDbc = 4,
    openTrace = 5,
    openBin = 6,
    openBranding = 7,
    openImage = 8,
    openDriveCycle = 9,
    openPointVectorCsv = 10,
    openVectorCsv = 11,
    saveCsv = 12,
    saveImage = 13,
    saveVideoFrame = 14,
    saveAudio = 15,
    savePdf = 16,
    saveXml = 17,
    saveBin = 18,
    savePointVectorCsv = 19,
    saveTxt = 20,
    saveDbc = 21
};

} // namespace Paths

// Written Path::openRun; the enumerators stay out of the global namespace.
using Path = Paths::Path;

// What is kept per purpose: the name under "path/" and the folder of first use.
struct PathDescriptor {
    QString name;
    QString defaultFolder;
};

// Remembers the last folder per file purpose and runs the open, save and print
// dialogs there, offering only the purpose's file types. GUI thread only.
class PathSaver
{
    Q_DECLARE_TR_FUNCTIONS(PathSaver)
public:
    PathSaver();

    void registerPath(Path path, const QString& name, const QString& defaultFolder);
    QString getPath(Path path) const;
    // Remembers the folder that holds `file`.
    void savePath(Path path, const QString& file);
    QString getPathFilter(Path path) const;

    // Empty results mean the operator cancelled.
    QString getSaveFileName(Path path, const QString& caption, const QString& proposedName);
    QString getOpenFileName(Path path, const QString& caption);
    QList<QString> getOpenFileNames(Path path, const QString& caption);

    // Prints the widget (to a PDF file in the remembered folder unless the
    // operator picks a printer); the folder is remembered once a file was written.
    void savePrint(QWidget* widget, QString name);
    // Saves a picture of the widget; the folder is remembered once it was written.
    void saveWidgetAsImage(QWidget* widget, QString name);

    // The name proposed for saving `proposedName` in `folder`: one that no file
    // of the same suffix there has yet ("report 2.pdf" beside "report.pdf" and
    // "report 1.pdf").
    static QString proposeUniqueName(const QString& folder, const QString& proposedName);

private:
    QString askSaveFileName(Path path, const QString& caption, const QString& proposedName, bool remember);
    QStringList askOpenFileNames(Path path, const QString& caption, bool several);
    // The default folders of first use need not exist yet; a save goes there.
    void createDefaultFolder(Path path) const;

    QMap<Path, PathDescriptor> paths;
};

extern PathSaver thePathSaver;
