#include "AdvancedTestRegistry.h"

QHash<int, AdvancedTestRegistry::Entry>& AdvancedTestRegistry::entries()
{
    static QHash<int, Entry> map;
    return map;
}

void AdvancedTestRegistry::registerCreator(int type, Creator creator, PositionBinder binder)
{
    if (creator)
        entries().insert(type, Entry{std::move(creator), std::move(binder)});
    else
        entries().remove(type);
}

bool AdvancedTestRegistry::has(int type)
{
    return entries().contains(type);
}

QWidget* AdvancedTestRegistry::create(int type, QWidget* parent)
{
    const auto it = entries().constFind(type);
    if (it == entries().constEnd())
        return nullptr;
    return it->create(parent);
}

void AdvancedTestRegistry::bindPosition(int type, QWidget* dialog)
{
    const auto it = entries().constFind(type);
    if (it != entries().constEnd() && it->bindPosition && dialog)
        it->bindPosition(dialog);
}
