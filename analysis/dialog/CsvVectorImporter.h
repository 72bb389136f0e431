#pragma once

#include <QDialog>
#include <QList>
#include <QStringList>

class QComboBox;
class QFile;
class QFrame;
class QPlainTextEdit;
class QSpinBox;
class QTableWidget;
class QVBoxLayout;
class UnitComboBox;
class VectorChannel;

// Fills recorded-channel vectors from the columns of a CSV file: asks for the
// file, lets the operator choose the header row and the separator, proposes
// for each vector the first header column holding one of its words (and the
// unit named there), previews the file and the converted values, and on OK
// replaces each vector's samples by its column in SI units.
//
// Fields that are no numbers read as 0 but are marked in the preview, and OK
// asks before using them: the values may drive the absorber.
class CsvVectorImporter : public QDialog
{
    Q_OBJECT
public:
    // Lines of the file shown in the raw preview; parsing reads all of them.
    static constexpr int kRawPreviewLines = 500;

    CsvVectorImporter(QWidget* parent, QList<VectorChannel*> vectors, QList<QStringList> searchWords);

    // Runs the importer on its own: true when the vectors were filled.
    static bool importVectors(QWidget* parent, const QList<VectorChannel*>& vectors,
                              const QList<QStringList>& searchWords);

    QSpinBox* headerRow = nullptr;
    QComboBox* separator = nullptr;
    QVBoxLayout* mappingLayout = nullptr;
    QFrame* mappingFrame = nullptr;
    QPlainTextEdit* rawPreview = nullptr;
    QTableWidget* valuePreview = nullptr;
    QFile* file = nullptr;
    QList<VectorChannel*> vectors;
    QList<QList<double>> parsedValues;
    QList<QStringList> searchWords;
    QList<UnitComboBox*> unitBoxes;
    QList<QComboBox*> columnBoxes;
    // Fields of the chosen columns that are no numbers (read as 0).
    int invalidFieldCount = 0;

public Q_SLOTS:
    void slot_setupChanged();
    void slot_updatePreview();
    void slot_accept();
};
