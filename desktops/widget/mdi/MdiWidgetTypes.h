#pragma once

#include "MdiType.h"

#include <QString>
#include <QStringList>

#include <functional>

class AbstractMdi;
class AbstractMdiWidget;

// The widget types of both desktop kinds, by type id: display name (translated
// in the context "MdiManager"), XML element name, and the factory of the class
// once it is built. The ids and names are fixed because desktop files name
// them; the classes arrive one issue at a time, so each registers its factory
// here at start-up. A type without a factory is still known: its elements are
// kept as they are, but the menus do not offer it.
class MdiWidgetTypes
{
public:
    using Factory = std::function<AbstractMdiWidget*(AbstractMdi*)>;

    MdiWidgetTypes() = delete;

    static int count(MdiType type);
    static QStringList displayNames(MdiType type);
    static QStringList xmlNames(MdiType type);
    static void registerFactory(MdiType type, int id, Factory factory);
    static bool isBuilt(MdiType type, int id);
    // Null when the id is unknown or its class is not registered.
    static AbstractMdiWidget* create(MdiType type, int id, AbstractMdi* desktop);

    // The whole desktop of a kind: RUN desktops are built here, ANALYZE
    // desktops by the analysis layer. Without a desktop factory the tab set
    // of that kind opens nothing and writes no file.
    using DesktopFactory = std::function<AbstractMdi*(class MdiManager*)>;
    static void registerDesktopFactory(MdiType type, DesktopFactory factory);
    static bool hasDesktopFactory(MdiType type);
    static AbstractMdi* createDesktop(MdiType type, MdiManager* manager);
};
