// Reads "A,B,C,D,E;equation" lines from standard input and prints, one line
// each, what a computed function with that equation gives for those argument
// values (17 significant digits), or "error" when the equation does not compile.
#include "Argument.h"
#include "Function.h"
#include "lib/Units.h"

#include <QCoreApplication>
#include <QStringList>
#include <QTextStream>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    theUnits.init();
    QTextStream input(stdin);
    QTextStream output(stdout);
    Function function;
    function.setOperator(Operator_equation);
    qint64 now = 1'700'000'000'000;
    while (!input.atEnd()) {
        const QString line = input.readLine();
        const int separator = line.indexOf(QLatin1Char(';'));
        if (separator < 0)
            continue;
        const QStringList values = line.left(separator).split(QLatin1Char(','));
        for (int i = 0; i < 5; ++i)
            function.arguments[i]->setConstant(values.value(i).toDouble(), false);
        function.equation = line.mid(separator + 1);
        if (function.updateAndCheckEquation(false)) {
            output << "error\n";
            continue;
        }
        function.update(now += 10);
        output << QString::number(function.getValue(), 'g', 17) << '\n';
    }
    output.flush();
    return 0;
}
