#include "CsvVectorImporter.h"

#include "ChannelSetup.h"
#include "DialogAnswerer.h"
#include "MySettings.h"
#include "PathSaver.h"
#include "UnitComboBox.h"
#include "VectorChannel.h"
#include "lib/Tools.h"
#include "lib/Unit.h"
#include "lib/Units.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QFormLayout>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QTableWidget>
#include <QTimer>

namespace {

// A field as a number: decimal point, blanks around it allowed; ok false for
// text that is no number (which then reads as 0).
double parseField(const QString& text, bool* ok)
{
    const double value = text.trimmed().toDouble(ok);
    return *ok ? value : 0.0;
}

} // namespace

CsvVectorImporter::CsvVectorImporter(QWidget* parent, QList<VectorChannel*> vectorList, QList<QStringList> words)
    : QDialog(parent)
    , vectors(vectorList)
    , searchWords(words)
{
    const QString fileName = thePathSaver.getOpenFileName(Path::openPointVectorCsv, tr("Open CSV file"));
    if (fileName.isEmpty()) {
        QTimer::singleShot(10, this, &QDialog::reject);
        return;
    }
    file = new QFile(fileName, this);
    file->open(QIODevice::ReadOnly);

    auto* form = new QFormLayout(this);
    headerRow = new QSpinBox(this);
    headerRow->setRange(1, 100);
    headerRow->setObjectName(QStringLiteral("CsvVectorImporter_fromRow"));
    separator = new QComboBox(this);
    separator->addItem(tr("comma"), QChar(44));
    separator->addItem(tr("semicolon"), QChar(59));
    separator->addItem(tr("tab"), QChar(9));
    separator->addItem(tr("space"), QChar(32));
    separator->setObjectName(QStringLiteral("CsvVectorImporter_separator"));
    mappingLayout = new QVBoxLayout();
    rawPreview = new QPlainTextEdit(this);
    rawPreview->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    valuePreview = new QTableWidget(this);
    valuePreview->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    form->addRow(tr("From row"), headerRow);
    form->addRow(tr("Separator"), separator);
    form->addRow(mappingLayout);
    form->addRow(rawPreview);
    form->addRow(valuePreview);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons, &QDialogButtonBox::accepted, this, &CsvVectorImporter::slot_accept);
    form->addRow(buttons);

    theSettings.connectSpinBox(headerRow);
    theSettings.connectComboBox(separator);
    connect(headerRow, &QSpinBox::valueChanged, this, &CsvVectorImporter::slot_setupChanged);
    connect(separator, &QComboBox::currentIndexChanged, this, &CsvVectorImporter::slot_setupChanged);
    slot_setupChanged();
    setWindowTitle(tr("CSV Import"));
    resize(800, 800);
}

bool CsvVectorImporter::importVectors(QWidget* parent, const QList<VectorChannel*>& vectorList,
                                      const QList<QStringList>& words)
{
    CsvVectorImporter importer(parent, vectorList, words);
    if (!importer.file)
        return false;
    return DialogAnswerer::exec(&importer) == QDialog::Accepted;
}

void CsvVectorImporter::slot_setupChanged()
{
    if (!file)
        return;
    const int h = headerRow->value();
    const QChar sep = separator->currentData().toChar();
    file->seek(0);
    for (int i = 0; i < h - 1 && !file->atEnd(); ++i)
        file->readLine();
    QString line = QString::fromUtf8(file->readLine());
    while (line.endsWith(QLatin1Char('\n')) || line.endsWith(QLatin1Char('\r')))
        line.chop(1);
    const QStringList header = Tools::splitCSVLine(line, sep);

    delete mappingFrame;
    columnBoxes.clear();
    unitBoxes.clear();
    mappingFrame = new QFrame(this);
    mappingFrame->setFrameStyle(QFrame::Box | QFrame::Plain);
    auto* grid = new QGridLayout(mappingFrame);
    QFont titleFont(font().family(), 12);
    const QStringList titles = {tr("Channel"), tr("CSV Header"), tr("Unit")};
    for (int c = 0; c < 3; ++c) {
        auto* title = new QLabel(titles.at(c), mappingFrame);
        title->setFont(titleFont);
        grid->addWidget(title, 0, c);
    }
    for (int i = 0; i < vectors.size(); ++i) {
        const ChannelSetup* setup = vectors.at(i)->setup;
        grid->addWidget(new QLabel(setup ? setup->getName() : QString(), mappingFrame), i + 1, 0);
        auto* column = new QComboBox(mappingFrame);
        column->addItem(QString());
        column->addItems(header);
        int chosen = 0;
        for (int f = 0; f < header.size() && chosen == 0; ++f) {
            for (const QString& word : searchWords.value(i)) {
                if (!word.isEmpty() && header.at(f).contains(word, Qt::CaseInsensitive)) {
                    chosen = f + 1;
                    break;
                }
            }
        }
        column->setCurrentIndex(chosen);
        const Quantity quantity = setup ? setup->quantity : Quantity::None;
        auto* unit = new UnitComboBox(quantity, mappingFrame);
        if (chosen > 0)
            unit->setUnit(theUnits.getUnitByQuantityAndSearchInString(quantity, header.at(chosen - 1)));
        grid->addWidget(column, i + 1, 1);
        grid->addWidget(unit, i + 1, 2);
        connect(column, &QComboBox::currentIndexChanged, this, &CsvVectorImporter::slot_updatePreview);
        connect(unit, &QComboBox::currentIndexChanged, this, &CsvVectorImporter::slot_updatePreview);
        columnBoxes.append(column);
        unitBoxes.append(unit);
    }
    mappingLayout->addWidget(mappingFrame);
    slot_updatePreview();
}

void CsvVectorImporter::slot_updatePreview()
{
    if (!file)
        return;
    // A log of hours is megabytes: the raw view shows its head only.
    file->seek(0);
    QString head;
    for (int i = 0; i < kRawPreviewLines && !file->atEnd(); ++i)
        head += QString::fromUtf8(file->readLine());
    if (!file->atEnd())
        head += tr("...");
    rawPreview->setPlainText(head);

    valuePreview->clear();
    valuePreview->setColumnCount(int(vectors.size()));
    QStringList titles;
    for (const VectorChannel* vector : vectors)
        titles.append(vector->getNameWithUnit());
    valuePreview->setHorizontalHeaderLabels(titles);
    valuePreview->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    valuePreview->verticalHeader()->hide();

    parsedValues.clear();
    for (int i = 0; i < vectors.size(); ++i)
        parsedValues.append(QList<double>());
    QList<QList<bool>> invalid;
    for (int i = 0; i < vectors.size(); ++i)
        invalid.append(QList<bool>());
    invalidFieldCount = 0;
    const int h = headerRow->value();
    const QChar sep = separator->currentData().toChar();
    file->seek(0);
    for (int i = 0; i < h && !file->atEnd(); ++i)
        file->readLine();
    while (!file->atEnd()) {
        QString line = QString::fromUtf8(file->readLine());
        while (line.endsWith(QLatin1Char('\n')) || line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.isEmpty())
            break;
        const QStringList fields = Tools::splitCSVLine(line, sep);
        for (int i = 0; i < vectors.size(); ++i) {
            const int c = columnBoxes.at(i)->currentIndex();
            if (c <= 0) {
                parsedValues[i].append(0.0);
                invalid[i].append(false);
                continue;
            }
            bool ok = false;
            const double number = parseField(fields.value(c - 1, QStringLiteral("0")), &ok);
            const Unit* unit = unitBoxes.at(i)->getUnit();
            parsedValues[i].append(unit ? unit->getSIValue(number) : number);
            invalid[i].append(!ok);
            if (!ok)
                ++invalidFieldCount;
        }
    }
    const int rows = parsedValues.isEmpty() ? 0 : int(parsedValues.first().size());
    valuePreview->setRowCount(rows);
    for (int i = 0; i < vectors.size(); ++i) {
        const ChannelSetup* setup = vectors.at(i)->setup;
        for (int r = 0; r < rows && r < parsedValues.at(i).size(); ++r) {
            const double value = parsedValues.at(i).at(r);
            auto* cell = new QTableWidgetItem(setup ? setup->getStringFromValue(value) : QString::number(value));
            if (invalid.at(i).at(r)) {
                cell->setBackground(QColor(255, 200, 200));
                cell->setToolTip(tr("Not a number: read as 0"));
            }
            valuePreview->setItem(r, i, cell);
        }
    }
}

void CsvVectorImporter::slot_accept()
{
    if (invalidFieldCount > 0) {
        QMessageBox box(QMessageBox::Question, tr("CSV Import"),
                        tr("%n field(s) of the chosen columns are not numbers and read as 0.\nImport anyway?", "",
                           invalidFieldCount),
                        QMessageBox::Yes | QMessageBox::No, this);
        if (DialogAnswerer::exec(&box) != QMessageBox::Yes)
            return;
    }
    for (int i = 0; i < vectors.size(); ++i)
        *vectors.at(i)->getRawData() = parsedValues.value(i);
    accept();
}
