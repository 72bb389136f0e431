#pragma once

#include <QDialog>
#include <QStringList>

class DiskCleanupOption;
class QLabel;
class QPushButton;

// Finds run files by conditions (too short, too long, too slow, never
// analysed, not in the database), shows what each condition and all of them
// together would free, and deletes the chosen files with their rows. The
// constructor runs the dialog modally and returns when it is closed.
class DiskCleanupTool : public QDialog
{
    Q_OBJECT
public:
    explicit DiskCleanupTool(QWidget* parent = nullptr);

    // Bytes of the named files of the runs folder (a missing file counts 0).
    static qint64 fileSpaceUsed(const QStringList& names);
    // Opens the tool for the low-storage check and the database tools.
    static void registerOpener();

    DiskCleanupOption* minLength = nullptr;
    DiskCleanupOption* maxLength = nullptr;
    DiskCleanupOption* minRoadSpeed = nullptr;
    DiskCleanupOption* minEngineSpeed = nullptr;
    DiskCleanupOption* neverAnalyzed = nullptr;
    DiskCleanupOption* notInDatabase = nullptr;
    QLabel* summary = nullptr;
    QStringList finalFileList;
    QPushButton* cleanButton = nullptr;
    QPushButton* scanButton = nullptr;

public Q_SLOTS:
    void slot_scan();
    void slot_updateFinalFileList();
    void slot_clean();

private:
    QList<DiskCleanupOption*> options() const;
};
