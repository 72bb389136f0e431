#pragma once

#include "Operator.h"
#include "RunChannel.h"

#include <QList>
#include <QString>

#include <memory>

class AbstractRunData;
class Argument;

namespace mu {
class Parser;
}

// A live channel defined by the operator: one operator of the catalogue over up
// to five arguments, or an equation in A..E. The model recomputes it every
// 10 ms in the GUI thread (update); a recorded run's model recomputes it over
// the run's samples instead (initForRunDataCalculation, updateFromRunData),
// never live. Its key is "F_" + name; the name lives only in its private setup.
class Function : public RunChannel
{
    Q_OBJECT
public:
    // What the key of every function's channel starts with.
    static const QString& keyPrefix();

    Function();
    // A backup for the editor's Cancel: a plain copy whose parser is never
    // compiled; only set() reads it back.
    explicit Function(Function* other);
    ~Function() override;

    QString getChildName() const override;
    void setChildName(const QString& name) override;

    void set(Function* other);
    void setOperator(Operator op);
    void setOperatorFromKey(const QString& key);
    QString getOperatorKey() const;
    // Compiles the equation; true on error (with the message box when asked).
    bool updateAndCheckEquation(bool showError);
    void updateArgumentPointers();
    QString description() const;

    // One live step at `now` (ms since the epoch).
    void update(qint64 now);

    // Recalculation over a recorded run: prepare, then one value per sample at
    // `t` ms after the run's first sample.
    void initForRunDataCalculation(AbstractRunData* run);
    double updateFromRunData(qint64 t, int i);

    Operator functionOperator = Operator_false;
    // Exactly five, children of the function.
    QList<Argument*> arguments;
    qint64 recordedChangeTime = 0;
    qint64 stateTime = 0;
    qint64 stateTime2 = 0;
    // The equation's variables, bound into the parser by address; the stateful
    // operators keep their state here.
    double A;
    double B;
    double C;
    double D;
    double E;
    double recordedOutput;
    qint64 recordedTime = 0;
    std::unique_ptr<mu::Parser> parser;
    QString equation;
    QString shellScript;
    bool manufacturerLock = false;

Q_SIGNALS:
    void signal_requestFunctionSetupSave();

private:
    Function(int flags, bool compiled);
    void createArguments();
    double evaluateEquation();
    double compute(double prev, qint64 now);
    double computeTimeHysteresis(double source, qint64 now, qint64& changeTime, double prev);
    double computeTimeHysteresisTwoWay(double source, double onDelay, double offDelay, qint64 now,
                                       qint64& changeTime, double prev);

    // The equation compiled without error; a broken one evaluates to NaN
    // without asking the parser every step.
    bool equationCompiled = false;
};
