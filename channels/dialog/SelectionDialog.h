#pragma once

#include <QDialog>
#include <QList>
#include <QModelIndex>
#include <QString>

#include <utility>

class AbstractChannel;
class ChannelSetup;
class QCheckBox;
class QDialogButtonBox;
class QLineEdit;
class QSortFilterProxyModel;
class QStandardItemModel;
class QTableView;

// The picker of one item from a long list: live channels, channel setups or
// (key, text) pairs. Typed words narrow the list (each word must appear in
// one of the two columns), the arrow and page keys move through it from the
// filter line, and the result is the chosen row of the list given, also while
// it is filtered. Channels whose source delivers nothing now are greyed, or
// hidden while "Hide unavailable channels" is ticked; that choice is kept in
// the settings.
class SelectionDialog : public QDialog
{
    Q_OBJECT
public:
    explicit SelectionDialog(QWidget* parent = nullptr, const QString& title = tr("Select Item"));

    void setContent(const QList<AbstractChannel*>& channels);
    void setContent(const QList<ChannelSetup*>& setups);
    void setContent(const QList<std::pair<QString, QString>>& pairs);

    // After an accepted exec, by the kind of content given; null or empty
    // when no row was chosen.
    AbstractChannel* getSelectedChannel() const;
    ChannelSetup* getSelectedSetup() const;
    QString getSelectedKey() const;

    bool eventFilter(QObject* watched, QEvent* event) override;

    QCheckBox* hideUnavailableCheckBox = nullptr;
    QLineEdit* filterEdit = nullptr;
    QTableView* tableView = nullptr;
    QDialogButtonBox* buttonBox = nullptr;
    QStandardItemModel* itemModel = nullptr;

public Q_SLOTS:
    void slot_acceptDialog();
    void slot_setFilter(const QString& pattern);
    void slot_activated(const QModelIndex& index);
    void slot_updateUnavailableChannelsVisibility(bool hideUnavailable);

private:
    int chosenSourceRow() const;
    void appendRow(const QString& first, const QString& second);

    QList<AbstractChannel*> allChannels;
    QList<AbstractChannel*> shownChannels;
    QList<ChannelSetup*> setups;
    QList<std::pair<QString, QString>> pairs;
    QModelIndex chosenIndex;
    QSortFilterProxyModel* proxy = nullptr;
};
