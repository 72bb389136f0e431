#pragma once

#include "AbstractOutputWidget.h"

#include <QColor>
#include <QMutex>
#include <QString>

class ArgumentWidget;
class ColorButton;
class IconButton;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLineEdit;
class QTimer;
class RunChannel;

enum OutputWidgetType : int {
    OutputWidgetType_lowSide = 0,
    OutputWidgetType_relay = 1,
};

// One relay or low-side output of the board on the RUN tab: pressed by mouse,
// touch or its function key (held, or toggled when bistable, with an optional
// automatic off), or following a logic function, or both (OR / AND), behind a
// gate. Every 50 ms it evaluates its output, switches the board line when it
// changes and writes its state channel.
//
// A held output must never stay on because its release went missing: it is
// released when the button is hidden, when the window loses focus to a box or
// another window, and when its key comes up with a modifier held (the
// container sees those releases). GUI thread; the remote-control server reads
// the user label from a copy under a mutex.
class OutputWidget : public AbstractOutputWidget
{
    Q_OBJECT
public:
    OutputWidget(QWidget* parent, OutputWidgetType type, int n, const QString& defaultUserLabel);

    void init() override;
    void validateArguments() override;
    void setFormat(int twoLines) override;
    void manualActivate(bool pressed);
    // Releases a held (not bistable) manual state.
    void releaseHeld();

    bool manualState() const { return manual; }
    bool functionState() const { return function; }
    bool outputState() const { return lastOutput; }
    bool isBistable() const;
    QColor backgroundColor() const;
    QString name() const { return outputName; }

    const OutputWidgetType type;
    const int index;
    IconButton* iconButton = nullptr;
    QLineEdit* lineEdit_userLabel = nullptr;
    QComboBox* comboBox_controlSource = nullptr;
    QCheckBox* checkBox_bistable = nullptr;
    QCheckBox* checkBox_requireDoubleClick = nullptr;
    QDoubleSpinBox* spinBox_autoOffTime = nullptr;
    ArgumentWidget* argumentWidget = nullptr;
    ArgumentWidget* offArgumentWidget = nullptr;
    ArgumentWidget* gateArgumentWidget = nullptr;
    QCheckBox* checkBox_gateDeactivatesOutput = nullptr;
    ColorButton* colorButton_inactive = nullptr;
    ColorButton* colorButton_active = nullptr;
    ColorButton* colorButton_partial = nullptr;
    QTimer* updateTimer = nullptr;
    QTimer* autoOffTimer = nullptr;
    RunChannel* stateChannel = nullptr;

public Q_SLOTS:
    // Any thread: the copy of the user label.
    QString getLabelText() const;
    void slot_labelChanged();
    void slot_updateOutput();
    void slot_autoOff();
    void slot_bistableChanged();
    void slot_controlSourceChanged();

Q_SIGNALS:
    void signal_userLabelChanged();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void setOutput(bool on);
    ArgumentWidget* addArgumentRow(const QString& label, const QString& name, const QString& toolTip);

    QString outputName;
    bool manual = false;
    bool function = false;
    bool lastOutput = false;
    bool twoLineText = false;
    QColor currentBackground;
    mutable QMutex labelMutex;
    QString labelCopy;
};
