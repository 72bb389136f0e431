#include "LossModelEditor.h"

#include "PathSaver.h"
#include "SciNotDoubleSpinBox.h"
#include "functions/AbstractRunData.h"
#include "lib/Tools.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTimer>

#include <limits>

namespace {

QList<double> doublesOf(const QVariant& value)
{
    if (value.canConvert<QList<double>>() && value.metaType() == QMetaType::fromType<QList<double>>())
        return value.value<QList<double>>();
    QList<double> numbers;
    for (const QVariant& entry : value.toList())
        numbers.append(entry.toDouble());
    return numbers;
}

} // namespace

LossModelEditor::LossModelEditor(QList<double>* coefficients, QWidget* parent)
    : QWidget(parent)
    , coefficients(coefficients)
{
    auto* copyAction = new QAction(tr("Copy"), this);
    auto* pasteAction = new QAction(tr("Paste"), this);
    connect(copyAction, &QAction::triggered, this, &LossModelEditor::slot_copyToClipboard);
    connect(pasteAction, &QAction::triggered, this, &LossModelEditor::slot_pasteFromClipboard);
    addAction(copyAction);
    addAction(pasteAction);
    setContextMenuPolicy(Qt::ActionsContextMenu);

    changeTimer = new QTimer(this);
    changeTimer->setSingleShot(true);
    changeTimer->setInterval(500);
    connect(changeTimer, &QTimer::timeout, this, &LossModelEditor::signal_lossModelChanged);

    for (int i = 0; i < kCoefficientCount; ++i) {
        auto* field = new SciNotDoubleSpinBox(this);
        field->setRange(0, std::numeric_limits<double>::infinity());
        field->setSciNotDecimals(4);
        field->setMinimumWidth(110);
        field->setStepType(QAbstractSpinBox::AdaptiveDecimalStepType);
        field->setProperty("coefId", i);
        connect(field, &QDoubleSpinBox::valueChanged, this, &LossModelEditor::slot_modelEdited);
        fields[i] = field;
    }
    loadButton = new QPushButton(tr("Load from run file"), this);
    zeroButton = new QPushButton(tr("Zero Loss Model"), this);
    loadButton->setFocusPolicy(Qt::NoFocus);
    zeroButton->setFocusPolicy(Qt::NoFocus);
    connect(loadButton, &QPushButton::clicked, this, &LossModelEditor::slot_loadModelFromAnotherRun);
    connect(zeroButton, &QPushButton::clicked, this, &LossModelEditor::slot_lossModelZero);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new QLabel(tr("Loss") + QStringLiteral("(v)="), this));
    // The constant term stays in the list and on the clipboard but is not edited here.
    layout->addWidget(fields[0]);
    fields[0]->setEnabled(false);
    fields[0]->hide();
    layout->addWidget(fields[1]);
    layout->addWidget(new QLabel(QStringLiteral("*v+"), this));
    layout->addWidget(fields[2]);
    layout->addWidget(new QLabel(QStringLiteral("*v²+"), this));
    layout->addWidget(fields[3]);
    layout->addWidget(new QLabel(QStringLiteral("*v³+"), this));
    layout->addWidget(fields[4]);
    auto* lastPower = new QLabel(QStringLiteral("*v<sup>4</sup>"), this);
    lastPower->setTextFormat(Qt::RichText);
    layout->addWidget(lastPower);
    layout->addWidget(loadButton);
    layout->addWidget(zeroButton);
    layout->addStretch();
}

void LossModelEditor::reloadLossModel()
{
    for (int i = 0; i < kCoefficientCount; ++i)
        fields[i]->setValue(i < coefficients->size() ? coefficients->at(i) : 0.0);
}

void LossModelEditor::slot_modelEdited(double coefValue)
{
    while (coefficients->size() < kCoefficientCount)
        coefficients->append(0.0);
    const int index = sender() ? sender()->property("coefId").toInt() : -1;
    if (index >= 0 && index < kCoefficientCount)
        (*coefficients)[index] = coefValue;
    changeTimer->start();
}

void LossModelEditor::normalizeCoefficients()
{
    coefficients->resize(kCoefficientCount, 0.0);
    for (double& coefficient : *coefficients) {
        if (!(coefficient >= 0))
            coefficient = 0.0;
    }
}

void LossModelEditor::slot_lossModelZero()
{
    for (double& coefficient : *coefficients)
        coefficient = 0.0;
    reloadLossModel();
    changeTimer->start();
}

void LossModelEditor::slot_copyToClipboard()
{
    QStringList parts;
    for (int i = 0; i < coefficients->size() && i < kCoefficientCount; ++i)
        parts.append(QString::number(coefficients->at(i), 'E', 4));
    QApplication::clipboard()->setText(parts.join(QLatin1Char(' ')), QClipboard::Clipboard);
}

void LossModelEditor::slot_pasteFromClipboard()
{
    const QStringList parts = QApplication::clipboard()->text(QClipboard::Clipboard).split(QLatin1Char(' '));
    QList<double> numbers;
    for (const QString& part : parts) {
        bool ok = false;
        const double number = QLocale::c().toDouble(part, &ok);
        numbers.append(ok ? number : 0.0);
    }
    numbers.resize(kCoefficientCount, 0.0);
    coefficients->resize(kCoefficientCount, 0.0);
    for (int i = 0; i < kCoefficientCount; ++i)
        (*coefficients)[i] = numbers.at(i);
    // A field cannot show a negative value; the list must not keep one either.
    normalizeCoefficients();
    reloadLossModel();
}

void LossModelEditor::slot_loadModelFromAnotherRun()
{
    const QString path = thePathSaver.getOpenFileName(Path::openRun, tr("Select run log file for Loss Model creation"));
    if (path.isEmpty())
        return;
    AbstractRunData* run = AbstractRunData::open(path);
    if (!run) {
        Tools::showError(tr("Can't open file ") + path);
        return;
    }
    if (run->loadDynoSettings() != 0) {
        Tools::showError(tr("Error loading loss model from file"));
        return;
    }
    const QList<double> stored = doublesOf(run->getSettingValue(kLossModelSettingId, 0, QVariant()));
    if (stored.isEmpty()) {
        Tools::showError(tr("No loss model present in selected run"));
        return;
    }
    *coefficients = stored;
    normalizeCoefficients();
    reloadLossModel();
    changeTimer->start();
}
