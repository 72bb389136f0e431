#include "RunWidgetSetupRows.h"

#include "MySettings.h"

#include <QCheckBox>

namespace {

RunWidgetSetupRows::Registrar& registrar()
{
    static RunWidgetSetupRows::Registrar instance;
    return instance;
}

} // namespace

void RunWidgetSetupRows::setRegistrar(Registrar newRegistrar)
{
    registrar() = std::move(newRegistrar);
}

void RunWidgetSetupRows::add(QLabel* label, QCheckBox* visible, QCheckBox* isProtected, const QString& prefix)
{
    if (registrar())
        registrar()(label, visible, isProtected, prefix);
    else
        nameAndBind(visible, isProtected, prefix);
}

void RunWidgetSetupRows::nameAndBind(QCheckBox* visible, QCheckBox* isProtected, const QString& prefix)
{
    visible->setChecked(true);
    visible->setObjectName(prefix + QStringLiteral("visible"));
    isProtected->setObjectName(prefix + QStringLiteral("protected"));
    QObject::connect(isProtected, &QCheckBox::stateChanged, visible,
                     [visible](int state) { visible->setEnabled(state == Qt::Unchecked); });
    theSettings.connectCheckBox(visible);
    theSettings.connectCheckBox(isProtected);
}
