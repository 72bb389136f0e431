#include "TunePID.h"

#include "ChannelSetup.h"
#include "RunChannel.h"
#include "SafeSpinBox.h"
#include "SpinBoxWithUnit.h"
#include "lib/Tools.h"

#include <QClipboard>
#include <QCloseEvent>
#include <QDebug>
#include <QFormLayout>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>

#include <cmath>
#include <limits>

namespace {

const char* const gainKeys[11] = {"kFF", "kP", "kI", "kDFast", "kDSlow", "kDD", "kF", "kDF", "kDDF", "e1", "e2"};

} // namespace

TunePID::TunePID(QWidget* parent, RunChannel* setPoint, RunChannel* processValue, const Editors& e,
                 const QString& title, const QString& pvName, const QString& e1Name, const QString& e2Name)
    : QDialog(parent)
    , setPointChannel(setPoint)
    , processValueChannel(processValue)
    , relayEditor(e.relayAmplitude)
{
    setPointValue = [this] {
        return setPointChannel ? setPointChannel->getValue() : std::numeric_limits<double>::quiet_NaN();
    };
    resize(364, 506);
    auto* form = new QFormLayout(this);
    form->setContentsMargins(4, 4, 4, 4);
    form->setLabelAlignment(Qt::AlignRight);
    torque = processValue && processValue->setup && processValue->setup->quantity == Quantity::Torque;
    Q_UNUSED(pvName);
    if (processValue)
        connect(processValue, &RunChannel::signal_newData, this, &TunePID::slot_newPVData);
    if (setPoint)
        connect(setPoint, &RunChannel::signal_newData, this, &TunePID::slot_newSPData);

    label_arming = new QLabel(QStringLiteral("0.000"), this);
    label_arming->setAutoFillBackground(false);
    form->addRow(tr("Arming threshold: "), label_arming);
    spinBox_relayAmplitude = new SafeSpinBox(this);
    spinBox_relayAmplitude->setRangeSI(0, 1);
    spinBox_relayAmplitude->setToolTip(tr("Relay tuning amplitude"));
    pushButton_relayTuning = new QPushButton(tr("Calculate kU, tU from relay method"), this);
    pushButton_relayTuning->setCheckable(true);
    pushButton_relayTuning->setFocusPolicy(Qt::NoFocus);
    pushButton_relayTuning->setToolTip(tr("Click to get model parameters by using relay-based control"));
    form->addRow(tr("Relay amp."), spinBox_relayAmplitude);
    form->addRow(pushButton_relayTuning);
    label_kU = new QLabel(QStringLiteral("kU:\t0"), this);
    label_kU->setToolTip(tr("Ultimate gain"));
    label_tU = new QLabel(QStringLiteral("tU:\t0"), this);
    label_tU->setToolTip(tr("Oscillation period"));
    form->addRow(label_kU);
    form->addRow(label_tU);

    auto* grid = new QGridLayout;
    const QString headers[5] = {tr("Overshoot"), tr("No"), tr("Little"), tr("Z-N"), tr("Z-N (PI)")};
    for (int c = 0; c < 5; ++c)
        grid->addWidget(new QLabel(headers[c], this), 1, c);
    const QString rows[3] = {tr("kP"), tr("kI"), tr("kD Fast")};
    for (int r = 0; r < 3; ++r) {
        grid->addWidget(new QLabel(rows[r], this), 4 + r, 0);
        for (int c = 0; c < 4; ++c) {
            label_rules[r][c] = new QLabel(QStringLiteral("0"), this);
            grid->addWidget(label_rules[r][c], 4 + r, 1 + c);
        }
    }
    grid->addWidget(new QLabel(tr("Load"), this), 7, 0);
    const QString tips[4] = {tr("Load parameters for no overshoot control"),
                             tr("Load parameters for little overshoot control"),
                             tr("Load parameters for Zeigler-Nichols method"),
                             tr("Load parameters for Zeigler-Nichols method PI only")};
    for (int c = 0; c < 4; ++c) {
        pushButton_load[c] = new QPushButton(QStringLiteral("\u25BC"), this);
        pushButton_load[c]->setEnabled(false);
        pushButton_load[c]->setFocusPolicy(Qt::NoFocus);
        pushButton_load[c]->setToolTip(tips[c]);
        connect(pushButton_load[c], &QPushButton::clicked, this, [this, c] { loadPIDConf(ruleSets[c], false); });
        grid->addWidget(pushButton_load[c], 7, 1 + c);
    }
    form->addRow(grid);

    auto* clipboardRow = new QHBoxLayout;
    auto* toClipboard = new QPushButton(tr("Save to clipboard"), this);
    auto* fromClipboard = new QPushButton(tr("Load from clipboard"), this);
    for (QPushButton* b : {toClipboard, fromClipboard}) {
        b->setFocusPolicy(Qt::NoFocus);
        clipboardRow->addWidget(b);
    }
    connect(toClipboard, &QPushButton::clicked, this, &TunePID::slot_pushButton_saveToClipboard);
    connect(fromClipboard, &QPushButton::clicked, this, &TunePID::slot_pushButton_loadFromClipboard);
    form->addRow(clipboardRow);

    const QString labels[11] = {tr("kFF"), tr("kP"), tr("kI"), tr("kD Fast"), tr("kD Slow"), tr("kDD"),
                                tr("k Filter [Hz]"), tr("kD Filter [Hz]"), tr("kDD Filter [Hz]"),
                                e1Name.isEmpty() ? QStringLiteral("extra1") : e1Name,
                                e2Name.isEmpty() ? QStringLiteral("extra2") : e2Name};
    QDoubleSpinBox* callers[11] = {e.kFF, e.kP, e.kI, e.kDFast, e.kDSlow, e.kDD, e.kF, e.kDF, e.kDDF, e.e1, e.e2};
    for (int i = 0; i < 11; ++i) {
        gains[i] = new SafeSpinBox(this);
        form->addRow(labels[i], gains[i]);
        if (callers[i]) {
            Tools::cloneDoubleSpinBox(callers[i], gains[i]);
            gains[i]->setValueSI(callers[i]->value());
        } else {
            form->setRowVisible(gains[i], false);
        }
    }
    if (e.relayAmplitude) {
        Tools::cloneDoubleSpinBox(e.relayAmplitude, spinBox_relayAmplitude);
        spinBox_relayAmplitude->setDecimals(2);
        spinBox_relayAmplitude->setValueSI(e.relayAmplitude->value());
    }

    auto* buttons = new QHBoxLayout;
    pushButton_reset = new QPushButton(tr("Reset"), this);
    pushButton_save = new QPushButton(tr("Save"), this);
    for (QPushButton* b : {pushButton_reset, pushButton_save}) {
        b->setFocusPolicy(Qt::NoFocus);
        buttons->addWidget(b);
    }
    form->addRow(buttons);
    connect(pushButton_reset, &QPushButton::clicked, this, &TunePID::slot_pushButton_reset_clicked);
    connect(pushButton_save, &QPushButton::clicked, this, &TunePID::slot_pushButton_save_clicked);
    connect(pushButton_relayTuning, &QPushButton::toggled, this, &TunePID::slot_pushButton_relayTuning_toggled);

    restorePoint = savePIDConf();
    setWindowTitle(title);
    setWindowFlags(Qt::Window | Qt::WindowStaysOnTopHint);
    for (SafeSpinBox* gain : gains)
        connect(gain, &SpinBoxWithUnit::signal_valueChangedSI, this, &TunePID::slot_highlightSaveButton);
}

TunePID::~TunePID()
{
    // Exiting while tuning: the controller must not go on relay-testing at
    // the next start, nor keep gains that were only being tried.
    restoreOnLeave();
}

void TunePID::restoreOnLeave()
{
    spinBox_relayAmplitude->setValueSI(0);
    if (relayEditor)
        relayEditor->setValue(0);
    loadPIDConf(restorePoint, true);
}

void TunePID::closeEvent(QCloseEvent* event)
{
    restoreOnLeave();
    event->accept();
}

void TunePID::loadPIDConf(const PIDConf_t& conf, bool all)
{
    spinBox_relayAmplitude->setValueSI(conf.relayAmplitude);
    const float values[11] = {conf.kFF, conf.kP, conf.kI, conf.kDFast, conf.kDSlow, conf.kDD,
                              conf.kF,  conf.kDF, conf.kDDF, conf.e1, conf.e2};
    for (int i = 0; i < 11; ++i) {
        const bool core = i >= 1 && i <= 5;
        if ((core || all) && std::isfinite(values[i]))
            gains[i]->setValueSI(values[i]);
    }
}

PIDConf_t TunePID::savePIDConf() const
{
    PIDConf_t conf;
    float* fields[11] = {&conf.kFF, &conf.kP, &conf.kI, &conf.kDFast, &conf.kDSlow, &conf.kDD,
                         &conf.kF,  &conf.kDF, &conf.kDDF, &conf.e1, &conf.e2};
    for (int i = 0; i < 11; ++i)
        *fields[i] = float(gains[i]->getValueSI());
    return conf;
}

void TunePID::calculateCoeficients(double kU, double tU)
{
    RelayTuning::calculateCoefficients(kU, tU, ruleSets);
    for (int c = 0; c < 4; ++c) {
        label_rules[0][c]->setText(QString::asprintf("%f", ruleSets[c].kP));
        label_rules[1][c]->setText(QString::asprintf("%f", ruleSets[c].kI));
        label_rules[2][c]->setText(QString::asprintf("%f", ruleSets[c].kDFast));
        pushButton_load[c]->setEnabled(true);
    }
}

void TunePID::slot_newSPData(double, qint64) {}

void TunePID::slot_newPVData(double value, qint64 timestamp)
{
    const double v = torque ? std::abs(value) : value;
    const double sp = setPointValue();
    const bool wasArmed = tuning.armed;
    const RelayTuning::Result result = tuning.addSample(v, timestamp, sp, spinBox_relayAmplitude->getValueSI());
    if (tuning.armed != wasArmed) {
        label_arming->setAutoFillBackground(tuning.armed);
        QPalette palette = label_arming->palette();
        palette.setColor(QPalette::Window, QColor(140, 255, 140));
        label_arming->setPalette(palette);
    }
    label_arming->setText(QString::asprintf("%1.3f", tuning.hysteresis));
    if (result == RelayTuning::Result_none)
        return;
    label_tU->setText(QString::asprintf("tU:\t%f\tavg:%f\tdiff:%f%%", tuning.period, tuning.avgT, 100 * tuning.dT));
    label_kU->setText(QString::asprintf("kU:\t%f\tavg:%f\tdiff:%f%%", tuning.kU, tuning.avgK, 100 * tuning.dK));
    if (result == RelayTuning::Result_timeout) {
        qDebug() << "Tune timeout";
        pushButton_relayTuning->setChecked(false);
    } else if (result == RelayTuning::Result_completed) {
        calculateCoeficients(tuning.resultK, tuning.resultT);
        pushButton_relayTuning->setChecked(false);
    }
}

void TunePID::slot_pushButton_relayTuning_toggled(bool checked)
{
    if (checked)
        tuning.startRelay();
    else
        tuning.stop();
}

void TunePID::cleanSaveButton()
{
    pushButton_save->setAutoFillBackground(false);
    pushButton_save->setPalette(QPalette());
    pushButton_reset->setToolTip(QString());
}

void TunePID::slot_pushButton_save_clicked()
{
    restorePoint = savePIDConf();
    cleanSaveButton();
}

void TunePID::slot_pushButton_reset_clicked()
{
    loadPIDConf(restorePoint, true);
    cleanSaveButton();
}

void TunePID::slot_highlightSaveButton()
{
    QPalette palette = pushButton_save->palette();
    palette.setColor(QPalette::Button, QColor(77, 255, 77));
    pushButton_save->setPalette(palette);
    pushButton_save->setAutoFillBackground(true);
    const PIDConf_t& r = restorePoint;
    auto g = [](float v) { return QString::number(v, 'g', 6); };
    pushButton_reset->setToolTip(QStringLiteral("kFF\t\t") + g(r.kFF) + QStringLiteral("\nkP\t\t") + g(r.kP)
                                 + QStringLiteral("\nkI\t\t") + g(r.kI) + QStringLiteral("\nkDFast  ") + g(r.kDFast)
                                 + QStringLiteral("\nkDSlow  ") + g(r.kDSlow) + QStringLiteral("\nkDD\t\t") + g(r.kDD)
                                 + QStringLiteral("\nkF\t\t") + g(r.kF) + QStringLiteral("\nkDF\t\t") + g(r.kDF)
                                 + QStringLiteral("\nkDDF\t") + g(r.kDDF));
}

QString TunePID::clipboardText() const
{
    QStringList lines;
    for (int i = 0; i < 11; ++i)
        lines.append(QLatin1String(gainKeys[i]) + QLatin1Char(' ') + QString::number(gains[i]->getValueSI(), 'f', 7));
    return lines.join(QLatin1Char('\n'));
}

void TunePID::applyClipboardText(const QString& text)
{
    if (!text.startsWith(QStringLiteral("kFF")))
        return;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        const QStringList parts = line.split(QLatin1Char(' '));
        if (parts.size() != 2)
            continue;
        bool ok = false;
        const double value = parts.at(1).toDouble(&ok);
        if (!ok)
            continue;
        for (int i = 0; i < 11; ++i) {
            if (parts.at(0) == QLatin1String(gainKeys[i]))
                gains[i]->setValueSI(value);
        }
    }
}

void TunePID::slot_pushButton_saveToClipboard()
{
    QGuiApplication::clipboard()->setText(clipboardText());
}

void TunePID::slot_pushButton_loadFromClipboard()
{
    applyClipboardText(QGuiApplication::clipboard()->text());
}
