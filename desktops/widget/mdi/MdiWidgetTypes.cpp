#include "MdiWidgetTypes.h"

#include <QCoreApplication>
#include <QHash>
#include <QList>

namespace {

struct TypeName {
    const char* display;
    const char* xml;
};

const TypeName runTypes[] = {
    {QT_TRANSLATE_NOOP("MdiManager", "indicator"), "indicator"},
    {QT_TRANSLATE_NOOP("MdiManager", "number"), "number"},
    {QT_TRANSLATE_NOOP("MdiManager", "bar"), "bar"},
    {QT_TRANSLATE_NOOP("MdiManager", "gauge"), "gauge"},
    {QT_TRANSLATE_NOOP("MdiManager", "time plot"), "timePlot"},
    {QT_TRANSLATE_NOOP("MdiManager", "scatter plot"), "scatterPlot"},
    {QT_TRANSLATE_NOOP("MdiManager", "preview plot"), "previewPlot"},
    {QT_TRANSLATE_NOOP("MdiManager", "xy table"), "xyTable"},
    {QT_TRANSLATE_NOOP("MdiManager", "input button"), "inputButton"},
    {QT_TRANSLATE_NOOP("MdiManager", "input spin box"), "inputSpinBox"},
    {QT_TRANSLATE_NOOP("MdiManager", "input slider"), "inputSlider"},
    {QT_TRANSLATE_NOOP("MdiManager", "camera"), "camera"},
    {QT_TRANSLATE_NOOP("MdiManager", "audio spectrum"), "audioSpectrum"},
    {QT_TRANSLATE_NOOP("MdiManager", "command button"), "commandButton"},
    {QT_TRANSLATE_NOOP("MdiManager", "engine speed gauge"), "gaugeEngineSpeed"},
    {QT_TRANSLATE_NOOP("MdiManager", "road speed gauge"), "gaugeRoadSpeed"},
    {QT_TRANSLATE_NOOP("MdiManager", "image"), "image"},
};

const TypeName analyzeTypes[] = {
    {QT_TRANSLATE_NOOP("MdiManager", "main graph"), "mainGraph"},
    {QT_TRANSLATE_NOOP("MdiManager", "user graph"), "userGraph"},
    {QT_TRANSLATE_NOOP("MdiManager", "result table"), "resultTable"},
    {QT_TRANSLATE_NOOP("MdiManager", "color map"), "colorMap"},
    {QT_TRANSLATE_NOOP("MdiManager", "XY table"), "xyTable"},
    {QT_TRANSLATE_NOOP("MdiManager", "image"), "image"},
};

const TypeName* table(MdiType type, int* n)
{
    if (type == MdiType_analyze) {
        *n = int(std::size(analyzeTypes));
        return analyzeTypes;
    }
    *n = int(std::size(runTypes));
    return runTypes;
}

QHash<int, MdiWidgetTypes::Factory>& factories(MdiType type)
{
    static QHash<int, MdiWidgetTypes::Factory> run;
    static QHash<int, MdiWidgetTypes::Factory> analyze;
    return type == MdiType_analyze ? analyze : run;
}

MdiWidgetTypes::DesktopFactory& desktopFactory(MdiType type)
{
    static MdiWidgetTypes::DesktopFactory run;
    static MdiWidgetTypes::DesktopFactory analyze;
    return type == MdiType_analyze ? analyze : run;
}

} // namespace

int MdiWidgetTypes::count(MdiType type)
{
    int n = 0;
    table(type, &n);
    return n;
}

QStringList MdiWidgetTypes::displayNames(MdiType type)
{
    int n = 0;
    const TypeName* t = table(type, &n);
    QStringList names;
    for (int i = 0; i < n; ++i)
        names.append(QCoreApplication::translate("MdiManager", t[i].display));
    return names;
}

QStringList MdiWidgetTypes::xmlNames(MdiType type)
{
    int n = 0;
    const TypeName* t = table(type, &n);
    QStringList names;
    for (int i = 0; i < n; ++i)
        names.append(QString::fromLatin1(t[i].xml));
    return names;
}

void MdiWidgetTypes::registerFactory(MdiType type, int id, Factory factory)
{
    if (id < 0 || id >= count(type))
        return;
    factories(type).insert(id, std::move(factory));
}

bool MdiWidgetTypes::isBuilt(MdiType type, int id)
{
    const auto& f = factories(type);
    auto it = f.constFind(id);
    return it != f.constEnd() && bool(it.value());
}

AbstractMdiWidget* MdiWidgetTypes::create(MdiType type, int id, AbstractMdi* desktop)
{
    if (!isBuilt(type, id))
        return nullptr;
    return factories(type).value(id)(desktop);
}

void MdiWidgetTypes::registerDesktopFactory(MdiType type, DesktopFactory factory)
{
    desktopFactory(type) = std::move(factory);
}

bool MdiWidgetTypes::hasDesktopFactory(MdiType type)
{
    return bool(desktopFactory(type));
}

AbstractMdi* MdiWidgetTypes::createDesktop(MdiType type, MdiManager* manager)
{
    const DesktopFactory& f = desktopFactory(type);
    return f ? f(manager) : nullptr;
}
