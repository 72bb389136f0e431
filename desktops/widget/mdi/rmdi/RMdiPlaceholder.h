#pragma once

#include "AbstractRMdiWidget.h"

#include <QDomDocument>

// Stands for a RUN widget whose type is known but whose class this program
// does not build yet: it keeps the widget's place and its whole setup as it
// was read, and writes both back unchanged, so that no desktop file loses
// widgets because they cannot be shown.
class RMdiPlaceholder : public AbstractRMdiWidget
{
    Q_OBJECT
public:
    RMdiPlaceholder(AbstractMdi* desktop, const QString& typeName);

    void parseDomElement(const QDomElement* element) override;
    void writeToDomElement(QDomElement* element) override;
    void onCreateConfiguration() override {}

    QString typeName;
    // The setup as read (attributes and children), owned by its own document.
    QDomDocument kept;

protected:
    void paintEvent(QPaintEvent* event) override;
};
