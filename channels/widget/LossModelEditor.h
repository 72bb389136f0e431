#pragma once

#include <QList>
#include <QWidget>

class QPushButton;
class QTimer;
class SciNotDoubleSpinBox;

// The row of fields of a dyno loss model: the power the dyno absorbs itself,
// c0 + c1 v + c2 v² + c3 v³ + c4 v⁴ over the speed v. Edits the owner's
// coefficient list (entry i = coefficient of v^i), copies it to and from the
// clipboard, takes it from another run file or zeroes it, and tells the
// owner 500 ms after the last change. Coefficients are never negative: the
// fields refuse it, and a negative value pasted or loaded from a run is
// stored as 0.
class LossModelEditor : public QWidget
{
    Q_OBJECT
public:
    LossModelEditor(QList<double>* coefficients, QWidget* parent);

    // Shows the list (0 where it is shorter).
    void reloadLossModel();

    static constexpr int kCoefficientCount = 5;
    // The dyno setting under which a run stores its loss model.
    static constexpr int kLossModelSettingId = 39;

    QList<double>* coefficients = nullptr;
    SciNotDoubleSpinBox* fields[kCoefficientCount] = {};
    QPushButton* loadButton = nullptr;
    QPushButton* zeroButton = nullptr;
    QTimer* changeTimer = nullptr;

Q_SIGNALS:
    void signal_lossModelChanged();

public Q_SLOTS:
    void slot_modelEdited(double coefValue);
    void slot_lossModelZero();
    void slot_copyToClipboard();
    void slot_pasteFromClipboard();
    void slot_loadModelFromAnotherRun();

private:
    // Five entries, none negative.
    void normalizeCoefficients();
};
