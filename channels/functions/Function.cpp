#include "Function.h"

#include "AbstractRunData.h"
#include "Argument.h"
#include "ChannelSetup.h"
#include "FunctionsModel.h"
#include "lib/Tools.h"

#include <QDebug>

#include <muParser.h>

#include <cmath>
#include <limits>
#include <optional>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr int kArgumentCount = 5;
const QString kKeyPrefix = QStringLiteral("F_");

} // namespace

const QString& Function::keyPrefix()
{
    return kKeyPrefix;
}

namespace {

// The class of a value for the time-hysteresis operators: 0, not 0, NaN.
int valueClass(double value)
{
    if (std::isnan(value))
        return 2;
    return value == 0.0 ? 0 : 1;
}

double resultOfClass(int valueClass)
{
    switch (valueClass) {
    case 0:
        return 0.0;
    case 1:
        return 1.0;
    default:
        return kNaN;
    }
}

// Truncation toward zero; NaN gives 0 and values beyond the range the nearest limit.
qint32 toInt32(double value)
{
    if (std::isnan(value))
        return 0;
    if (value >= 2147483647.0)
        return std::numeric_limits<qint32>::max();
    if (value <= -2147483648.0)
        return std::numeric_limits<qint32>::min();
    return qint32(value);
}

double modulo(double dividend, double divisor)
{
    const qint32 a = toInt32(dividend);
    const qint32 b = toInt32(divisor);
    if (b == 0)
        return a;
    if (b == -1)
        return 0.0; // also keeps INT_MIN % -1 from trapping
    return a % b;
}

double compare(Operator op, double x1, double x2)
{
    if (std::isnan(x1) || std::isnan(x2))
        return kNaN;
    bool result = false;
    switch (op) {
    case Operator_equal:
        result = x1 == x2;
        break;
    case Operator_notEqual:
        result = x1 != x2;
        break;
    case Operator_greater:
        result = x1 > x2;
        break;
    case Operator_less:
        result = x1 < x2;
        break;
    case Operator_greaterOrEqual:
        result = x1 >= x2;
        break;
    case Operator_lessOrEqual:
        result = x1 <= x2;
        break;
    default:
        break;
    }
    return result ? 1.0 : 0.0;
}

double gain(double value)
{
    return std::isnan(value) ? 0.0 : value;
}

} // namespace

Function::Function()
    : Function(ChannelSetup::FlagFunction, true)
{
}

Function::Function(Function* other)
    : Function(0, false)
{
    // A plain copy: the operator's state is not initialised and the parser is
    // never compiled, since only set() reads the copy back.
    functionOperator = other->functionOperator;
    for (int i = 0; i < kArgumentCount; ++i)
        *arguments[i] = *other->arguments.at(i);
    equation = other->equation;
    shellScript = other->shellScript;
    manufacturerLock = other->manufacturerLock;
    *setup = *other->setup;
}

Function::Function(int flags, bool compiled)
    : RunChannel(flags, QString(), 0, QString(), Quantity::None)
    , A(kNaN)
    , B(kNaN)
    , C(kNaN)
    , D(kNaN)
    , E(kNaN)
    , recordedOutput(kNaN)
{
    createArguments();
    if (compiled)
        parser = std::make_unique<mu::Parser>();
}

Function::~Function() = default;

void Function::createArguments()
{
    for (int i = 0; i < kArgumentCount; ++i) {
        auto* argument = new Argument(this);
        connect(argument, &Argument::signal_argumentSourceKeyChanged, this,
                &Function::signal_requestFunctionSetupSave);
        arguments.append(argument);
    }
}

QString Function::getChildName() const
{
    return setup ? setup->key.mid(2) : QString();
}

void Function::setChildName(const QString& name)
{
    setup->key = kKeyPrefix + name;
    emit setup->signal_keyChanged();
}

void Function::set(Function* other)
{
    const QString oldKey = setup->key;
    *setup = *other->setup;
    emit setup->signal_setupChanged();
    // The editor may have renamed the function; arguments that follow it
    // learn of the restored key as they learnt of the edited one.
    if (setup->key != oldKey)
        emit setup->signal_keyChanged();
    for (int i = 0; i < kArgumentCount; ++i) {
        arguments[i]->set(other->arguments.at(i));
        arguments[i]->unit = other->arguments.at(i)->unit;
    }
    setOperator(other->functionOperator);
    equation = other->equation;
    updateAndCheckEquation(false);
    shellScript = other->shellScript;
    manufacturerLock = other->manufacturerLock;
}

void Function::setOperator(Operator op)
{
    if (int(op) > Operator_equation || int(op) < 0) {
        qDebug() << "void Function::setOperator(Operator)"
                 << "invalid function operator" << int(op);
        op = Operator_false;
    }
    functionOperator = op;
    const qint64 now = RunChannel::wallClock();
    switch (op) {
    case Operator_timeHysteresis:
    case Operator_integrate:
    case Operator_differentiate:
    case Operator_timeHysteresisTwoWay:
        setData(0.0, now);
        A = kNaN;
        stateTime = now;
        break;
    case Operator_pid:
    case Operator_pidUnipolar:
        setData(0.0, now);
        A = B = C = D = E = kNaN;
        stateTime = now;
        stateTime2 = now;
        break;
    case Operator_equation:
        updateAndCheckEquation(false);
        break;
    default:
        break;
    }
}

void Function::setOperatorFromKey(const QString& key)
{
    setOperator(theFunctionsModel.operatorFromKey(key));
}

QString Function::getOperatorKey() const
{
    return theFunctionsModel.descriptor(functionOperator).key;
}

bool Function::updateAndCheckEquation(bool showError)
{
    equationCompiled = false;
    if (!parser)
        return true;
    const std::string expression = equation.toStdString();
    try {
        parser->ClearVar();
        parser->DefineVar("A", &A);
        parser->DefineVar("B", &B);
        parser->DefineVar("C", &C);
        parser->DefineVar("D", &D);
        parser->DefineVar("E", &E);
        parser->SetExpr(expression);
        parser->Eval();
    } catch (const mu::Parser::exception_type& error) {
        if (showError) {
            Tools::showError(tr("Error parsing function equation") + QStringLiteral("\nMessage:  ")
                             + QString::fromStdString(error.GetMsg()) + QStringLiteral("\nFormula:  ")
                             + QString::fromStdString(error.GetExpr()) + QStringLiteral("\nToken:    ")
                             + QString::fromStdString(error.GetToken()) + QStringLiteral("\nPosition: ")
                             + QString::number(error.GetPos()) + QStringLiteral("\nErrc:     ")
                             + QString::number(int(error.GetCode())));
        }
        return true;
    }
    equationCompiled = true;
    return false;
}

double Function::evaluateEquation()
{
    if (!equationCompiled)
        return kNaN;
    try {
        return parser->Eval();
    } catch (const mu::Parser::exception_type&) {
        return kNaN;
    }
}

void Function::updateArgumentPointers()
{
    for (Argument* argument : std::as_const(arguments))
        argument->updateChannelPointer();
}

QString Function::description() const
{
    QString text;
    if (functionOperator == Operator_equation)
        text += equation + QStringLiteral(", ");
    const OperatorDescriptor& row = theFunctionsModel.descriptor(functionOperator);
    for (int i = 0; i < row.argumentCount() && i < arguments.size(); ++i)
        text += row.argumentName(i) + QStringLiteral(" (") + arguments.at(i)->getDescription() + QStringLiteral(") ");
    if (!shellScript.isEmpty())
        text += QStringLiteral("$ ") + shellScript;
    return text;
}

// ---------------------------------------------------------------- live

void Function::update(qint64 now)
{
    const double prev = getValue();
    const double value = compute(prev, now);
    // A rising edge from exactly 0; NaN counts as not 0 on the new side only.
    if (prev == 0.0 && !(value == 0.0) && !shellScript.isEmpty())
        Tools::startProcessDetached(shellScript);
    setData(value, now);
}

double Function::computeTimeHysteresis(double source, qint64 now, qint64& changeTime, double prev)
{
    qint64 elapsed = 0;
    if (valueClass(source) != valueClass(A))
        changeTime = now;
    else
        elapsed = now - changeTime;
    const double delay = arguments.at(1)->getValue();
    double result = prev;
    if (delay * 1000.0 < double(elapsed))
        result = resultOfClass(valueClass(source));
    A = source;
    return result;
}

double Function::computeTimeHysteresisTwoWay(double source, double onDelay, double offDelay, qint64 now,
                                             qint64& changeTime, double prev)
{
    qint64 elapsed = 0;
    if (valueClass(source) != valueClass(A))
        changeTime = now;
    else
        elapsed = now - changeTime;
    const double passed = double(elapsed);
    double result = prev;
    if (std::isnan(source)) {
        if (passed > onDelay * 1000.0 || passed > offDelay * 1000.0)
            result = kNaN;
    } else if (source != 0.0) {
        if (passed > onDelay * 1000.0)
            result = 1.0;
    } else {
        if (passed > offDelay * 1000.0)
            result = 0.0;
    }
    A = source;
    return result;
}

namespace {

// The operators without state: the same result live and over a recorded run,
// whatever `x(index)` reads the arguments from. Nothing for any other operator.
template<class ArgumentValue> std::optional<double> computeStateless(Operator op, ArgumentValue x)
{
    switch (op) {
    case Operator_false:
        return 0.0;
    case Operator_assign:
        return x(0);
    case Operator_add:
        return x(0) + x(1);
    case Operator_subtract:
        return x(0) - x(1);
    case Operator_multiply:
        return x(0) * x(1);
    case Operator_divide:
        return x(0) / x(1);
    case Operator_modulo:
        return modulo(x(0), x(1));
    case Operator_equal:
    case Operator_notEqual:
    case Operator_greater:
    case Operator_less:
    case Operator_greaterOrEqual:
    case Operator_lessOrEqual:
        return compare(op, x(0), x(1));
    case Operator_not: {
        const double x1 = x(0);
        if (std::isnan(x1))
            return kNaN;
        return x1 == 0.0 ? 1.0 : 0.0;
    }
    case Operator_and: {
        const double x1 = x(0);
        const double x2 = x(1);
        if (std::isnan(x1) || std::isnan(x2))
            return kNaN;
        return x1 != 0.0 && x2 != 0.0 ? 1.0 : 0.0;
    }
    case Operator_or: {
        const double x1 = x(0);
        const double x2 = x(1);
        if (std::isnan(x1) || std::isnan(x2))
            return kNaN;
        return x1 != 0.0 || x2 != 0.0 ? 1.0 : 0.0;
    }
    case Operator_choose: {
        const double condition = x(2);
        if (std::isnan(condition))
            return kNaN;
        return condition == 0.0 ? x(1) : x(0);
    }
    case Operator_min: {
        const double x1 = x(0);
        const double x2 = x(1);
        return x1 < x2 ? x1 : x2;
    }
    case Operator_max: {
        const double x1 = x(0);
        const double x2 = x(1);
        return x1 < x2 ? x2 : x1;
    }
    case Operator_clamp: {
        const double source = x(0);
        const double low = x(1);
        const double high = x(2);
        const double limited = source > high ? high : source;
        return low < limited ? limited : low;
    }
    case Operator_nanTo0: {
        const double x1 = x(0);
        return std::isnan(x1) ? 0.0 : x1;
    }
    default:
        return std::nullopt;
    }
}

} // namespace

double Function::compute(double prev, qint64 now)
{
    auto x = [this](int index) { return arguments.at(index)->getValue(); };
    if (const std::optional<double> stateless = computeStateless(functionOperator, x))
        return *stateless;
    switch (functionOperator) {
    case Operator_hysteresis: {
        const double source = x(0);
        if (source > x(1))
            return 1.0;
        if (source < x(2))
            return 0.0;
        return prev;
    }
    case Operator_timeHysteresis:
        return computeTimeHysteresis(x(0), now, stateTime, prev);
    case Operator_timeHysteresisTwoWay:
        return computeTimeHysteresisTwoWay(x(0), x(1), x(2), now, stateTime, prev);
    case Operator_toggle: {
        const double source = x(0);
        double result = prev;
        if (source == 1.0 && A == 0.0)
            result = prev == 0.0 ? 1.0 : 0.0;
        A = source;
        return result;
    }
    case Operator_latchSR: {
        const bool set = !(x(0) == 0.0);
        const bool reset = !(x(1) == 0.0);
        if (set && !reset)
            return 1.0;
        if (!set && reset)
            return 0.0;
        return prev;
    }
    case Operator_integrate: {
        double v;
        qint64 t;
        arguments.at(0)->getTimestampedValue(v, t);
        const double reset = x(1);
        double result;
        if (reset == 1.0)
            result = 0.0;
        else if (std::isnan(A) || std::isnan(v) || t == stateTime)
            result = prev;
        else
            result = prev + double(t - stateTime) * (A + v) / 2.0 * 0.001;
        stateTime = t;
        A = v;
        return result;
    }
    case Operator_differentiate: {
        double v;
        qint64 t;
        arguments.at(0)->getTimestampedValue(v, t);
        if (t - stateTime <= 200)
            return now - stateTime > 400 ? 0.0 : prev;
        const double result = (v - A) / (double(t - stateTime) * 0.001);
        A = v;
        stateTime = t;
        return result;
    }
    case Operator_pid:
    case Operator_pidUnipolar: {
        const double low = functionOperator == Operator_pid ? -1.0 : 0.0;
        double sp;
        qint64 tSP;
        double pv;
        qint64 tPV;
        arguments.at(0)->getTimestampedValue(sp, tSP);
        arguments.at(1)->getTimestampedValue(pv, tPV);
        const double kP = gain(x(2));
        const double kI = gain(x(3));
        const double kD = gain(x(4));

        double dSP;
        if (tSP - stateTime > 100) {
            D = (sp - A) / (double(tSP - stateTime) * 0.001);
            stateTime = tSP;
            A = sp;
            dSP = D;
        } else if (now - stateTime > 200) {
            D = 0.0;
            dSP = 0.0;
        } else {
            dSP = D;
        }
        double dPV;
        if (tPV - stateTime2 > 100) {
            E = (pv - B) / (double(tPV - stateTime2) * 0.001);
            stateTime2 = tPV;
            B = pv;
            dPV = E;
        } else if (now - stateTime2 > 200) {
            E = 0.0;
            dPV = 0.0;
        } else {
            dPV = E;
        }
        double d = dSP - dPV;
        if (std::isnan(d))
            d = 0.0;
        if (std::isnan(C))
            C = 0.0;
        const double error = sp - pv;
        double output = kP * error + C + kD * d;
        if (kI != 0.0) {
            const double increment = error * 0.01 * kI;
            if (output < low) {
                if (error > 0.0)
                    C += increment;
                output = low;
            } else if (output > 1.0) {
                if (error < 0.0)
                    C += increment;
                output = 1.0;
            } else {
                C += increment;
            }
        } else {
            C = 0.0;
        }
        return output;
    }
    case Operator_equation:
        A = x(0);
        B = x(1);
        C = x(2);
        D = x(3);
        E = x(4);
        return evaluateEquation();
    default:
        break;
    }
    return kNaN;
}

// ---------------------------------------------------------------- recorded runs

void Function::initForRunDataCalculation(AbstractRunData* run)
{
    recordedOutput = getValue();
    recordedTime = 0;
    // Every calculation of a run starts from the state the functions had when
    // they were read, so a recalculation gives the same vectors as the first.
    A = B = C = D = E = kNaN;
    recordedChangeTime = 0;
    for (Argument* argument : std::as_const(arguments))
        argument->initForRunDataProcessing(run);
}

double Function::updateFromRunData(qint64 t, int i)
{
    if (int(functionOperator) > Operator_equation || int(functionOperator) < 0)
        return kNaN;
    auto x = [this, i](int index) { return arguments.at(index)->getValueS(i); };
    if (const std::optional<double> stateless = computeStateless(functionOperator, x))
        return *stateless;
    const double prev = recordedOutput;

    double result;
    switch (functionOperator) {
    case Operator_hysteresis: {
        const double source = x(0);
        if (source > x(1))
            result = 1.0;
        else if (source < x(2))
            result = 0.0;
        else
            result = prev;
        break;
    }
    case Operator_toggle: {
        const double source = x(0);
        result = prev;
        if (source == 1.0 && A == 0.0)
            result = prev == 0.0 ? 1.0 : 0.0;
        A = source;
        break;
    }
    case Operator_latchSR: {
        const bool set = !(x(0) == 0.0);
        const bool reset = !(x(1) == 0.0);
        if (set && !reset)
            result = 1.0;
        else if (!set && reset)
            result = 0.0;
        else
            result = prev;
        break;
    }
    case Operator_timeHysteresis: {
        const double source = x(0);
        qint64 elapsed = 0;
        if (valueClass(source) != valueClass(A))
            recordedChangeTime = t;
        else
            elapsed = t - recordedChangeTime;
        result = prev;
        if (x(1) * 1000.0 < double(elapsed))
            result = resultOfClass(valueClass(source));
        A = source;
        break;
    }
    case Operator_timeHysteresisTwoWay:
        result = computeTimeHysteresisTwoWay(x(0), x(1), x(2), t, recordedChangeTime, prev);
        break;
    case Operator_integrate: {
        const double v = x(0);
        if (x(1) == 1.0)
            result = 0.0;
        else if (std::isnan(A) || std::isnan(v))
            result = prev;
        else
            result = prev + double(t - recordedTime) * (A + v) / 2.0 * 0.001;
        A = v;
        break;
    }
    case Operator_differentiate: {
        const double v = x(0);
        result = (v - A) / (double(t - recordedTime) * 0.001);
        A = v;
        break;
    }
    case Operator_pid:
    case Operator_pidUnipolar: {
        const double low = functionOperator == Operator_pid ? -1.0 : 0.0;
        const double sp = x(0);
        const double pv = x(1);
        const double kP = gain(x(2));
        const double kI = gain(x(3));
        const double kD = gain(x(4));
        const double dt = double(t - recordedTime) * 0.001;
        const double dSP = (sp - A) / dt;
        const double dPV = (pv - B) / dt;
        A = sp;
        B = pv;
        D = dSP;
        E = dPV;
        double d = dSP - dPV;
        if (std::isnan(d))
            d = 0.0;
        if (std::isnan(C))
            C = 0.0;
        const double error = sp - pv;
        double output = kP * error + kI * C + kD * d;
        if (output < low) {
            if (error > 0.0)
                C += dt * error;
            output = low;
        } else if (output > 1.0) {
            if (error < 0.0)
                C += dt * error;
            output = 1.0;
        } else {
            C += dt * error;
        }
        result = output;
        break;
    }
    case Operator_equation:
        A = x(0);
        B = x(1);
        C = x(2);
        D = x(3);
        E = x(4);
        result = evaluateEquation();
        break;
    default:
        return kNaN;
    }
    recordedTime = t;
    recordedOutput = result;
    return result;
}
