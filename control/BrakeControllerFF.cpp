#include "BrakeControllerFF.h"

#include "Channels.h"
#include "CustomCorrectionWidget.h"
#include "Fonts.h"
#include "MySettings.h"
#include "PointVectorEditorAxis.h"
#include "RunChannel.h"
#include "SpinBoxWithUnit.h"
#include "lib/DialogAnswerer.h"
#include "lib/Tools.h"
#include "lib/Unit.h"

#include <QCheckBox>
#include <QDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>
#include <limits>

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

QString percentText(double fraction)
{
    return QString::asprintf("%.1f %%", fraction * 100.0);
}

} // namespace

BrakeControllerFF::BrakeControllerFF(QWidget* parent, const QString& prefix, const QString& title,
                                     const QString& shortName, QList<RunChannel*> channels,
                                     QList<QList<QPointF>*> defaultCurves)
    : QWidget(parent)
{
    auto* row = new QHBoxLayout(this);
    row->setSpacing(1);
    row->setContentsMargins(1, 1, 1, 1);
    checkBox_enable = new QCheckBox(tr("FF"), this);
    checkBox_enable->setObjectName(prefix + QStringLiteral("/enableFF"));
    checkBox_enable->setToolTip(tr("Enable controller Feed Forward"));
    pushButton_setup = new QPushButton(tr("Setup FF ") + shortName, this);
    pushButton_setup->setToolTip(title);
    row->addWidget(checkBox_enable);
    row->addWidget(pushButton_setup, 1);

    dialog = new QDialog(this);
    dialog->setWindowTitle(title);
    dialog->setMinimumWidth(450);
    auto* form = new QFormLayout(dialog);
    form->setContentsMargins(10, 10, 10, 10);
    form->setSpacing(5);
    form->setLabelAlignment(Qt::AlignRight);

    spinBox_baseValue = new SpinBoxWithUnit(dialog, Quantity::Fraction);
    spinBox_baseValue->setObjectName(prefix + QStringLiteral("/baseValue"));
    spinBox_baseValue->setRangeSI(0.0, 1.0);
    spinBox_baseValue->setValueSI(1.0);
    form->addRow(tr("Base value"), spinBox_baseValue);

    checkBox_multiplyBySpeedRatio = new QCheckBox(tr("Multiply by speed ratio"), dialog);
    checkBox_multiplyBySpeedRatio->setObjectName(prefix + QStringLiteral("/multiplyBySpeedRatio"));
    lineEdit_speedRatioPreview = new QLineEdit(dialog);
    lineEdit_speedRatioPreview->setReadOnly(true);
    form->addRow(checkBox_multiplyBySpeedRatio, lineEdit_speedRatioPreview);

    for (int n = 0; n < curveCount; ++n) {
        checkBox_multiplier[n] = new QCheckBox(tr("Enable multiplier ") + QString::number(n + 1), dialog);
        checkBox_multiplier[n]->setObjectName(prefix + QStringLiteral("/enableMultiplier") + QString::number(n));
        lineEdit_multiplierPreview[n] = new QLineEdit(dialog);
        lineEdit_multiplierPreview[n]->setReadOnly(true);
        form->addRow(checkBox_multiplier[n], lineEdit_multiplierPreview[n]);
    }

    lineEdit_valuePreview = new QLineEdit(dialog);
    lineEdit_valuePreview->setReadOnly(true);
    lineEdit_valuePreview->setFont(theFonts.hugeFont);
    form->addRow(tr("FF value preview"), lineEdit_valuePreview);

    auto* scroll = new QScrollArea(dialog);
    scroll->setWidgetResizable(true);
    auto* stack = new QWidget(scroll);
    auto* stackLayout = new QVBoxLayout(stack);
    stackLayout->setSpacing(0);
    stackLayout->setContentsMargins(0, 0, 0, 0);
    for (int n = 0; n < curveCount; ++n) {
        RunChannel* channel = channels.value(n, nullptr);
        const QList<QPointF>* points = defaultCurves.value(n, nullptr);
        curves[n] = new CustomCorrectionWidget(stack, prefix + QStringLiteral("/multiplier") + QString::number(n),
                                               channel, points ? *points : QList<QPointF>());
        PointVectorEditorAxis* y = curves[n]->axes[PointVectorField_y];
        y->slot_setQuantity(Quantity::Fraction);
        y->slot_setRangeSI(0.0, kInfinity);
        y->slot_setLabel(tr("Multiplier ") + QString::number(n + 1));
        stackLayout->addWidget(curves[n]);
    }
    scroll->setWidget(stack);
    form->addRow(scroll);

    if (theChannels.channelLists.size() > ChannelId_engineRollerSpeedRatio
        && theChannels.channelLists.at(ChannelId_engineRollerSpeedRatio))
        speedRatioChannel = theChannels.getChannel(ChannelId_engineRollerSpeedRatio, 0);

    // Everything the brake thread reads is published before the bindings, so
    // the restored values reach it as well.
    connect(checkBox_enable, &QCheckBox::stateChanged, this, [this](int state) {
        enabled.store(state != Qt::Unchecked);
    });
    connect(checkBox_enable, &QCheckBox::stateChanged, this, &BrakeControllerFF::slot_enableChanged);
    connect(checkBox_multiplyBySpeedRatio, &QCheckBox::stateChanged, this,
            [this](int state) { multiplyBySpeedRatio.store(state != Qt::Unchecked); });
    connect(spinBox_baseValue, &SpinBoxWithUnit::signal_valueChangedSI, this,
            [this](double value) { baseValue.store(value); });
    for (int n = 0; n < curveCount; ++n) {
        connect(checkBox_multiplier[n], &QCheckBox::stateChanged, this, [this, n](int state) {
            multiplierEnabled[n].store(state != Qt::Unchecked);
            curves[n]->setVisible(state != Qt::Unchecked);
        });
        curves[n]->setVisible(false);
    }
    connect(pushButton_setup, &QPushButton::clicked, this, [this] { DialogAnswerer::exec(dialog); });

    theSettings.connectCheckBox(checkBox_enable);
    theSettings.connectSpinBoxWithUnit(spinBox_baseValue);
    theSettings.connectCheckBox(checkBox_multiplyBySpeedRatio);
    for (int n = 0; n < curveCount; ++n) {
        theSettings.connectCheckBox(checkBox_multiplier[n]);
        curves[n]->bindToSettings();
    }

    previewTimer = new QTimer(this);
    previewTimer->setInterval(100);
    connect(previewTimer, &QTimer::timeout, this, &BrakeControllerFF::slot_updatePreviews);
    previewTimer->start();
}

double BrakeControllerFF::getFFValue(bool force)
{
    double x = baseValue.load(std::memory_order_relaxed);
    if (multiplyBySpeedRatio.load(std::memory_order_relaxed))
        x *= speedRatioChannel ? speedRatioChannel->getValue() : std::numeric_limits<double>::quiet_NaN();
    for (int n = 0; n < curveCount; ++n) {
        // Every curve is looked up, so its tracker follows even while unused.
        const double factor = curves[n]->getYValue();
        if (multiplierEnabled[n].load(std::memory_order_relaxed) && std::isfinite(factor))
            x *= factor;
    }
    return enabled.load(std::memory_order_relaxed) || force ? x : 0.0;
}

void BrakeControllerFF::scriptHide()
{
    checkBox_enable->setChecked(false);
    checkBox_enable->hide();
    pushButton_setup->hide();
}

void BrakeControllerFF::slot_enableChanged(int state)
{
    if (state != Qt::Unchecked)
        Tools::setButtonBackgroundColorWithPalette(pushButton_setup, QColor(140, 255, 140));
    else
        pushButton_setup->setPalette(QPalette());
}

void BrakeControllerFF::slot_updatePreviews()
{
    if (!dialog->isVisible())
        return;
    const double ratio = speedRatioChannel ? speedRatioChannel->getValue() : std::numeric_limits<double>::quiet_NaN();
    lineEdit_speedRatioPreview->setText(QString::asprintf("%.1f", ratio));
    for (int n = 0; n < curveCount; ++n)
        lineEdit_multiplierPreview[n]->setText(percentText(curves[n]->getYValue()));
    lineEdit_valuePreview->setText(percentText(getFFValue(true)));
}
