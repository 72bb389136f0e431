#include "BinsEditorDialog.h"

#include "lib/Tools.h"

#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QPushButton>
#include <QTextEdit>

#include <cmath>
#include <limits>

namespace {

QString binLine(double value)
{
    return QString::number(value, 'g', 6) + QLatin1Char('\n');
}

QDoubleSpinBox* makeSpinBox(QWidget* parent, double min, double value)
{
    auto* spinBox = new QDoubleSpinBox(parent);
    spinBox->setDecimals(3);
    spinBox->setRange(min, std::numeric_limits<double>::infinity());
    spinBox->setValue(value);
    return spinBox;
}

} // namespace

BinsEditorDialog::BinsEditorDialog(QList<double>* bins, QWidget* parent)
    : QDialog(parent)
    , bins(bins)
{
    setWindowTitle(tr("Bins Editor"));
    auto* form = new QFormLayout(this);
    form->setLabelAlignment(Qt::AlignRight);

    const double infinity = std::numeric_limits<double>::infinity();
    startSpinBox = makeSpinBox(this, -infinity, 0);
    stepSpinBox = makeSpinBox(this, 0.001, 10);
    endSpinBox = makeSpinBox(this, -infinity, 100);
    form->addRow(QStringLiteral("Start"), startSpinBox);
    form->addRow(QStringLiteral("Step"), stepSpinBox);
    form->addRow(QStringLiteral("End"), endSpinBox);

    auto* generateButton = new QPushButton(tr("Generate"), this);
    connect(generateButton, &QPushButton::clicked, this, &BinsEditorDialog::slot_generate);
    form->addRow(generateButton);

    binsTextEdit = new QTextEdit(this);
    binsTextEdit->setAcceptRichText(false);
    binsTextEdit->setPlaceholderText(QStringLiteral("Example:\n1\n2\n5\n10"));
    form->addRow(binsTextEdit);

    auto* buttonBox = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttonBox, &QDialogButtonBox::accepted, this, &BinsEditorDialog::slot_buttonBox_accept);
    form->addRow(buttonBox);

    QString text;
    for (double value : std::as_const(*bins))
        text += binLine(value);
    binsTextEdit->setPlainText(text);
    resize(600, 800);
}

void BinsEditorDialog::slot_generate()
{
    const double start = startSpinBox->value();
    const double step = stepSpinBox->value();
    const double end = endSpinBox->value();
    if (!std::isfinite(start) || !std::isfinite(step) || !std::isfinite(end)) {
        Tools::showError(tr("Only finite values can be used for bins generation"));
        return;
    }
    if (step <= 0) {
        Tools::showError(tr("Step must be positive"));
        return;
    }
    QString text;
    int count = 0;
    // The running sum, not start + i * step: the list matches what a user
    // adding the step by hand would get.
    for (double value = start; value <= end; value += step) {
        text += binLine(value);
        if (++count == kMaxGeneratedBins) {
            Tools::showInfo(QStringLiteral("Bins generation stopped at 100 elements"));
            break;
        }
    }
    binsTextEdit->setPlainText(text);
}

void BinsEditorDialog::slot_buttonBox_accept()
{
    QList<double> values;
    const QStringList lines = binsTextEdit->toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString& line : lines) {
        bool ok = false;
        const double value = line.toDouble(&ok);
        if (!ok) {
            Tools::showError(tr("Error converting line to number"));
            return;
        }
        if (!std::isfinite(value)) {
            Tools::showError(tr("Only finite numbers can be used"));
            return;
        }
        values.append(value);
    }
    for (int i = 1; i < values.size(); ++i) {
        if (!(values.at(i) > values.at(i - 1))) {
            Tools::showError(tr("Bins must be monotonically rising"));
            return;
        }
    }
    *bins = values;
    accept();
}
