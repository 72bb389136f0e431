#include "OutputWidgetContainer.h"

OutputWidgetContainer::OutputWidgetContainer(QWidget* parent)
    : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    setMinimumHeight(100);
}

void OutputWidgetContainer::init()
{
}

void OutputWidgetContainer::keyActivated(Qt::Key key, bool pressed)
{
    lastKey = key;
    if (pressed)
        ++keyPresses;
    else
        ++keyReleases;
}

QList<QString> OutputWidgetContainer::outputLabels() const
{
    return {};
}
