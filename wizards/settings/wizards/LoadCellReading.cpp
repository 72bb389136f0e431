#include "LoadCellReading.h"

#include "FilterBox.h"

#include <limits>

namespace LoadCellReading {

namespace {
std::function<double(int)>& source()
{
    static std::function<double(int)> registered;
    return registered;
}
} // namespace

double current(int loadCell)
{
    if (source())
        return source()(loadCell);
    return theRunThreadFilterBox ? theRunThreadFilterBox->loadCellValue(loadCell)
                                 : std::numeric_limits<double>::quiet_NaN();
}

void setSource(std::function<double(int)> newSource)
{
    source() = std::move(newSource);
}

} // namespace LoadCellReading
