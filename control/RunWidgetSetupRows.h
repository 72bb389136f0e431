#pragma once

#include <QString>

#include <functional>

class QCheckBox;
class QLabel;

// The SETTINGS tab's RUN WIDGETS grid, as the RUN panel's widgets see it: each
// registers a row (label, "visible" box, "protected" box, settings prefix).
// The tab lives in a higher layer and installs itself as the registrar; with
// none installed (widgets built alone, in tests) the two boxes are named and
// bound to the settings store here, so they still persist.
class RunWidgetSetupRows
{
public:
    using Registrar = std::function<void(QLabel*, QCheckBox*, QCheckBox*, const QString&)>;

    RunWidgetSetupRows() = delete;

    static void setRegistrar(Registrar registrar);
    static void add(QLabel* label, QCheckBox* visible, QCheckBox* isProtected, const QString& prefix);
    // Also what every registrar does with the boxes: default visible, names
    // prefix + "visible" and prefix + "protected", bound to the settings
    // store, "visible" disabled while "protected" is checked.
    static void nameAndBind(QCheckBox* visible, QCheckBox* isProtected, const QString& prefix);
};
