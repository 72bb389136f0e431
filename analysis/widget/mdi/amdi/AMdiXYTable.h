#pragma once

#include "AbstractAMdiWidget.h"

class AMdiXYTableModel;
class QTableView;

// The X-Y table of the analysis desktops: a value channel's means over the
// bins of two other channels for the selected runs. The model holds the data,
// filters, menu and outputs; the widget is their frame.
class AMdiXYTable : public AbstractAMdiWidget
{
    Q_OBJECT
public:
    explicit AMdiXYTable(AbstractMdi* desktop);

    void recalculate() override;
    void init(LoadedRunListModel* runs, QItemSelectionModel* selection) override;
    QStringList listChannelKeys() override;
    void parseDomElementChild(const QDomElement* setup) override;
    void writeToDomElementChild(QDomElement* setup) override;

    // Called by name from the report tags.
    Q_INVOKABLE QString generateReportTable() const;

    AMdiXYTableModel* model = nullptr;
    QTableView* view = nullptr;
};
