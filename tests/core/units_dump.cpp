// Prints every registered unit as "quantity<TAB>name<TAB>factor<TAB>offset" for
// the reference check of the conversion factors.
#include "Units.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    theUnits.init();
    for (int q = 0; q < QuantityCount; ++q) {
        for (const Unit* u : *theUnits.unitsByQuantity.at(q))
            std::printf("%d\t%s\t%.17g\t%.17g\n", q, u->name.toUtf8().constData(), u->factor, u->offset);
    }
    return 0;
}
