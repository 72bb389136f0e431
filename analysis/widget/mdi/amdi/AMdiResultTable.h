#pragma once

#include "AbstractAMdiWidget.h"

class AMdiResultTableModel;
class QTableView;

// The result table of the analysis desktops: a frameless view over the
// result-table model, its menu, clipboard copy, CSV export and the two HTML
// fragments of the reports.
class AMdiResultTable : public AbstractAMdiWidget
{
    Q_OBJECT
public:
    explicit AMdiResultTable(AbstractMdi* desktop);

    void recalculate() override;
    void init(LoadedRunListModel* runs, QItemSelectionModel* selection) override;
    QStringList listChannelKeys() override;
    void parseDomElementChild(const QDomElement* setup) override;
    void writeToDomElementChild(QDomElement* setup) override;

    // Called by name from the report tags.
    Q_INVOKABLE QString generateReportTable() const;
    Q_INVOKABLE QString generateReportTableTransposed() const;

    AMdiResultTableModel* model = nullptr;
    QTableView* view = nullptr;
};
