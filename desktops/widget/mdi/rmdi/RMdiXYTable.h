#pragma once

#include "AbstractRMdiWidget.h"

class MdiXYTableCrosshair;
class QTableView;
class RMdiXYTableModel;

// RUN widget "xy table": the mean of a value channel over the cells of two
// operating-point channels' bins, filled in while the operator drives through
// them; it keeps its data across runs.
class RMdiXYTable : public AbstractRMdiWidget
{
    Q_OBJECT
public:
    explicit RMdiXYTable(AbstractMdi* mdi);

    void refreshTick(qint64 nowMs) override;
    void parseDomElement(const QDomElement* element) override;
    void writeToDomElement(QDomElement* element) override;
    void onCreateConfiguration() override;

    qint64 lastValueTimestamp = 0;
    RMdiXYTableModel* model = nullptr;
    MdiXYTableCrosshair* crosshair = nullptr;
    QTableView* tableView = nullptr;
};
