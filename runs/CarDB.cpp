#include "CarDB.h"

#include "CarDBComboBox.h"
#include "DialogAnswerer.h"
#include "MySettings.h"
#include "ProjectListModel.h"
#include "TableEditor.h"
#include "Unit.h"
#include "lib/Tools.h"

#include <QDebug>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPushButton>
#include <QSqlError>
#include <QSqlQuery>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

QNetworkAccessManager* g_networkAccessManager = nullptr;

const QString kCarConnection = QStringLiteral("cardb");
const QString kMotoConnection = QStringLiteral("motodb");

} // namespace

QUrl CarDB::serviceBaseUrl()
{
    const QByteArray overridden = qgetenv("ZEMBO_CARDB_BASE_URL");
    return QUrl(overridden.isEmpty() ? QStringLiteral("https://cardb.zembo-dyno.com/")
                                     : QString::fromUtf8(overridden));
}

int CarDB::mysqlPort()
{
    bool ok = false;
    const int port = qEnvironmentVariableIntValue("ZEMBO_CARDB_MYSQL_PORT", &ok);
    return ok && port > 0 ? port : 3306;
}

void CarDB::setNetworkAccessManager(QNetworkAccessManager* manager)
{
    g_networkAccessManager = manager;
}

CarDB::CarDB(TableEditor* tableEditor, QWidget* parent)
    : QDialog(parent)
    , editor(tableEditor)
{
    statusLabel = new QLabel(this);
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QMYSQL"))) {
        fatalError(tr("MySQL driver not available") + QLatin1Char('\n')
                   + tr("Install the latest system image from https://www.zembo-dyno.com/updates"));
        return;
    }
    setWindowTitle(tr("Vehicle Database"));
    resize(1200, 800);

    QNetworkAccessManager* manager = g_networkAccessManager ? g_networkAccessManager : new QNetworkAccessManager(this);
    QUrl url = serviceBaseUrl();
    url.setPath(url.path().isEmpty() ? QStringLiteral("/index.php") : url.path() + QStringLiteral("index.php"));
    url.setQuery(QStringLiteral("login"));
    QNetworkRequest request(url);
    request.setTransferTimeout(5000);
    loginReply = manager->get(request);
    connect(loginReply, &QNetworkReply::finished, this, &CarDB::slot_loginDataReplyFinished);
    // The reply is four short lines: anything longer is not the login page.
    connect(loginReply, &QNetworkReply::downloadProgress, this, [this](qint64 received, qint64) {
        if (received > kMaxLoginReply && loginReply) {
            loginReplyTooLong = true;
            loginReply->abort();
        }
    });
    setStatus(tr("Getting database login data..."));

    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    layout->addLayout(row);
    layout->addWidget(statusLabel);
    auto* left = new QVBoxLayout;
    row->addLayout(left);
    auto* form = new QFormLayout;
    left->addLayout(form);
    auto makeBoxFor = [this, form](const QString& label, bool editable) {
        auto* box = new CarDBComboBox(this);
        box->setEnabled(false);
        box->setEditable(editable);
        form->addRow(label, box);
        return box;
    };
    vehicleTypeBox = makeBoxFor(tr("Vehicle type"), false);
    makeBox = makeBoxFor(tr("Make"), true);
    modelBox = makeBoxFor(tr("Model"), true);
    generationBox = makeBoxFor(tr("Generation"), false);
    seriesBox = makeBoxFor(tr("Series"), false);
    trimBox = makeBoxFor(tr("Trim"), false);
    specificationTable = new QTableWidget(0, 2, this);
    specificationTable->setFixedWidth(500);
    specificationTable->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    left->addWidget(specificationTable);
    parsedTable = new QTableWidget(0, 3, this);
    row->addWidget(parsedTable);
    for (QTableWidget* table : {specificationTable, parsedTable}) {
        table->horizontalHeader()->hide();
        table->verticalHeader()->hide();
        table->horizontalHeader()->setStretchLastSection(true);
        table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    }

    vehicleTypeBox->setObjectName(QStringLiteral("carDB/vehicleType"));
    vehicleTypeBox->addItem(QStringLiteral("-"), -1);
    vehicleTypeBox->addItem(tr("Car"), 0);
    vehicleTypeBox->addItem(tr("Motorcycle"), 1);

    connect(vehicleTypeBox, &QComboBox::currentIndexChanged, this, &CarDB::slot_vehicleType);
    connect(makeBox, &QComboBox::currentIndexChanged, this, &CarDB::slot_make);
    connect(modelBox, &QComboBox::currentIndexChanged, this, &CarDB::slot_model);
    connect(generationBox, &QComboBox::currentIndexChanged, this, &CarDB::slot_generation);
    connect(seriesBox, &QComboBox::currentIndexChanged, this, &CarDB::slot_series);
    connect(trimBox, &QComboBox::currentIndexChanged, this, &CarDB::slot_trim);

    DialogAnswerer::exec(this);
}

CarDB::~CarDB()
{
    // Closed while the login runs: stop it without reporting its end.
    if (loginReply) {
        disconnect(loginReply, nullptr, this, nullptr);
        loginReply->abort();
        loginReply->deleteLater();
    }
    for (QSqlDatabase* db : {&carDb, &motoDb}) {
        if (db->isOpen())
            db->close();
        *db = QSqlDatabase();
    }
    for (const QString& name : {kCarConnection, kMotoConnection}) {
        if (QSqlDatabase::contains(name))
            QSqlDatabase::removeDatabase(name);
    }
}

void CarDB::setStatus(const QString& text)
{
    statusLabel->setText(text);
    statusLabel->repaint();
}

void CarDB::fatalError(const QString& text)
{
    setStatus(text);
    Tools::showError(QStringLiteral("CarDB ") + text);
    reject();
}

bool CarDB::openDatabase(QSqlDatabase& db, const QString& connection, const QString& name, const QString& status,
                         const QString& failure)
{
    db = QSqlDatabase::addDatabase(QStringLiteral("QMYSQL"), connection);
    db.setHostName(serviceBaseUrl().host());
    db.setPort(mysqlPort());
    db.setDatabaseName(name);
    db.setUserName(loginUser);
    db.setPassword(loginPassword);
    db.setConnectOptions(
        QStringLiteral("MYSQL_OPT_CONNECT_TIMEOUT=5;MYSQL_OPT_READ_TIMEOUT=5;MYSQL_OPT_WRITE_TIMEOUT=5"));
    setStatus(status);
    if (!db.open()) {
        // The error names the server and the database, never the account's password.
        qDebug() << db.lastError().text();
        fatalError(failure);
        return false;
    }
    return true;
}

void CarDB::slot_loginDataReplyFinished()
{
    QNetworkReply* reply = loginReply;
    if (!reply)
        return;
    loginReply = nullptr;
    reply->deleteLater();
    if (loginReplyTooLong || reply->bytesAvailable() > kMaxLoginReply) {
        fatalError(tr("Error getting login data"));
        return;
    }
    if (reply->error() != QNetworkReply::NoError) {
        qDebug() << "Login data reply error" << reply->errorString();
        fatalError(tr("Error getting database access. Check your internet connection."));
        return;
    }
    const QByteArray body = reply->read(kMaxLoginReply);
    const QList<QByteArray> lines = body.split('\n');
    auto line = [&lines](int i) { return QString::fromUtf8(lines.value(i)).trimmed(); };
    loginUser = line(0);
    loginPassword = line(1);
    carDatabaseName = line(2);
    motoDatabaseName = line(3);
    if (motoDatabaseName.isEmpty()) {
        fatalError(tr("Error getting login data"));
        return;
    }
    if (!openDatabase(carDb, kCarConnection, carDatabaseName, tr("Connecting to car database..."),
                      tr("Can't open connection to car database")))
        return;
    if (!openDatabase(motoDb, kMotoConnection, motoDatabaseName, tr("Connecting to motorcycle database..."),
                      tr("Can't open connection to motorcycle database")))
        return;
    setStatus(tr("Getting database metadata..."));
    getSpecificationDescriptor();
    setStatus(tr("Ready"));
    vehicleTypeBox->setEnabled(true);
    vehicleTypeBox->setFocus();
    // Restores the type last used and announces it again: its makes load at once.
    theSettings.connectComboBox(vehicleTypeBox);
}

void CarDB::getSpecificationDescriptor()
{
    for (QSqlDatabase* db : {&carDb, &motoDb}) {
        QSqlQuery query(*db);
        if (!query.exec(QStringLiteral("SELECT `id_car_specification`,`name` FROM `car_specification`"))) {
            qDebug() << query.lastError().text();
            continue;
        }
        while (query.next())
            specificationNames.insert(query.value(0).toInt(), query.value(1).toString());
    }
}

int CarDB::selectedId(const CarDBComboBox* box)
{
    if (!box || box->currentIndex() < 0)
        return -1;
    bool ok = false;
    const int id = box->currentData().toInt(&ok);
    return ok ? id : -1;
}

void CarDB::clearBelow(CarDBComboBox* box)
{
    const QList<CarDBComboBox*> order{vehicleTypeBox, makeBox, modelBox, generationBox, seriesBox, trimBox};
    for (int i = order.indexOf(box) + 1; i < order.size(); ++i) {
        const QSignalBlocker blocker(order.at(i));
        order.at(i)->clear();
        order.at(i)->setEnabled(false);
    }
    specificationTable->setRowCount(0);
    parsedTable->setRowCount(0);
    specificationValues.clear();
    parsedSpecification.clear();
}

void CarDB::fillBox(CarDBComboBox* box, const QString& statement, const QList<int>& ids, const QString& placeholder,
                    bool generations)
{
    {
        const QSignalBlocker blocker(box);
        box->clear();
        box->addItem(placeholder, -1);
        if (currentDb) {
            QSqlQuery query(*currentDb);
            query.prepare(statement);
            for (int id : ids)
                query.addBindValue(id);
            if (!query.exec()) {
                qDebug() << query.lastError().text();
            } else {
                while (query.next()) {
                    const QString text = generations
                        ? generationText(query.value(2), query.value(3), query.value(1).toString())
                        : query.value(1).toString();
                    box->addItem(box == trimBox ? QString(text).replace(QStringLiteral(" hp)"), QStringLiteral(" PS)"))
                                                : text,
                                 query.value(0).toInt());
                }
            }
        }
        box->setCurrentIndex(0);
    }
    box->setEnabled(true);
    box->setFocus();
    // A list opened on a dialog nobody sees would float on its own.
    if ((box == generationBox || box == seriesBox || box == trimBox) && isVisible())
        box->showPopup();
}

void CarDB::slot_vehicleType()
{
    clearBelow(vehicleTypeBox);
    const int type = selectedId(vehicleTypeBox);
    if (type == -1) {
        makeBox->setEnabled(false);
        return;
    }
    currentDb = type == 1 ? &motoDb : &carDb;
    fillBox(makeBox, QStringLiteral("SELECT `id_car_make`,`name` FROM `car_make`"), {}, QString(), false);
    // Filled after the makes: the generation box is the motorcycle's missing step.
    generationBox->setEnabled(type == 0);
}

void CarDB::slot_make()
{
    clearBelow(makeBox);
    const int make = selectedId(makeBox);
    if (make < 1) {
        modelBox->setEnabled(false);
        return;
    }
    fillBox(modelBox,
            QStringLiteral("SELECT `id_car_model`,`name` FROM `car_model` WHERE `id_car_make` = ? ORDER BY `name`"),
            {make}, QString(), false);
}

void CarDB::slot_model()
{
    clearBelow(modelBox);
    const int model = selectedId(modelBox);
    const bool motorcycle = currentDb == &motoDb;
    if (model < 1) {
        (motorcycle ? seriesBox : generationBox)->setEnabled(false);
        return;
    }
    if (motorcycle) {
        fillBox(seriesBox,
                QStringLiteral(
                    "SELECT `id_car_serie`,`name` FROM `car_serie` WHERE `id_car_model` = ? ORDER BY `name`"),
                {model}, QStringLiteral("-"), false);
    } else {
        fillBox(generationBox,
                QStringLiteral("SELECT `id_car_generation`,`name`,`year_begin`,`year_end` FROM `car_generation` "
                               "WHERE `id_car_model` = ? ORDER BY `name`"),
                {model}, QStringLiteral("-"), true);
    }
}

void CarDB::slot_generation()
{
    clearBelow(generationBox);
    const int model = selectedId(modelBox);
    const int generation = selectedId(generationBox);
    if (model < 1 || generation < 1) {
        seriesBox->setEnabled(false);
        return;
    }
    fillBox(seriesBox,
            QStringLiteral("SELECT `id_car_serie`,`name` FROM `car_serie` WHERE `id_car_model` = ? AND "
                           "`id_car_generation` = ? ORDER BY `name`"),
            {model, generation}, QStringLiteral("-"), false);
}

void CarDB::slot_series()
{
    clearBelow(seriesBox);
    const int series = selectedId(seriesBox);
    if (series < 1) {
        trimBox->setEnabled(false);
        return;
    }
    fillBox(trimBox,
            QStringLiteral("SELECT `id_car_trim`,`name` FROM `car_trim` WHERE `id_car_serie` = ? ORDER BY `name`"),
            {series}, QStringLiteral("-"), false);
}

void CarDB::slot_trim()
{
    specificationTable->setRowCount(0);
    specificationValues.clear();
    parsedSpecification.clear();
    parsedTable->setRowCount(0);
    const int trim = selectedId(trimBox);
    if (trim >= 1 && currentDb) {
        QSqlQuery query(*currentDb);
        query.prepare(QStringLiteral("SELECT `id_car_specification`,`value`,`unit` FROM `car_specification_value` "
                                     "WHERE `id_car_trim` = ? ORDER BY `id_car_specification`"));
        query.addBindValue(trim);
        if (!query.exec()) {
            qDebug() << query.lastError().text();
        } else {
            while (query.next()) {
                const int id = query.value(0).toInt();
                const QString value = query.value(1).toString();
                QString unit = query.value(2).toString();
                if (id == 14)
                    unit = QStringLiteral("PS");
                else if (id == 996)
                    unit = QStringLiteral("PS / RPM");
                specificationValues.insert(id, value);
                const int row = specificationTable->rowCount();
                specificationTable->insertRow(row);
                specificationTable->setItem(row, 0, new QTableWidgetItem(specificationNames.value(id)));
                specificationTable->setItem(row, 1, new QTableWidgetItem(value + QLatin1Char(' ') + unit));
            }
        }
    }
    specificationTable->resizeColumnsToContents();
    parseSpecification();
}

void CarDB::parseSpecification()
{
    const bool motorcycle = currentDb == &motoDb;
    parsedSpecification =
        parseSpecification(motorcycle, makeBox->currentText(), modelBox->currentText(),
                           motorcycle ? QString() : generationBox->currentText(), seriesBox->currentText(),
                           trimBox->currentText(), specificationValues);
    parsedTable->setRowCount(0);
    auto addButton = [this](int row, const QString& text, int fieldId) {
        auto* button = new QPushButton(text, parsedTable);
        button->setProperty("fieldId", fieldId);
        connect(button, &QPushButton::clicked, this, &CarDB::slot_applyParsedSpec);
        parsedTable->setCellWidget(row, 2, button);
    };
    for (auto it = parsedSpecification.constBegin(); it != parsedSpecification.constEnd(); ++it) {
        const TableModelFieldDescriptor* d = theProjectListModel ? theProjectListModel->descriptor(it.key()) : nullptr;
        if (!d)
            continue;
        const int row = parsedTable->rowCount();
        parsedTable->insertRow(row);
        QString label = d->headerLabel;
        if (d->quantity != Quantity::None && d->unit)
            label += QStringLiteral(" [") + d->unit->name + QLatin1Char(']');
        parsedTable->setItem(row, 0, new QTableWidgetItem(label));
        parsedTable->setItem(row, 1,
                             new QTableWidgetItem(CustomSqlTableModel::formatDataForDisplay(it.value(), d, true)));
        addButton(row, tr("Apply"), it.key());
    }
    const int last = parsedTable->rowCount();
    parsedTable->insertRow(last);
    addButton(last, tr("Apply all"), -1);
    parsedTable->resizeColumnsToContents();
}

void CarDB::slot_applyParsedSpec()
{
    const int fieldId = sender() ? sender()->property("fieldId").toInt() : -1;
    const int row = editor ? editor->currentRow() : -1;
    if (fieldId == -1) {
        if (theProjectListModel && row >= 0) {
            for (auto it = parsedSpecification.constBegin(); it != parsedSpecification.constEnd(); ++it)
                theProjectListModel->setDataRawByRowAndId(row, it.key(), it.value());
        }
        accept();
        return;
    }
    if (theProjectListModel && row >= 0 && parsedSpecification.contains(static_cast<ProjectListFieldId>(fieldId)))
        theProjectListModel->setDataRawByRowAndId(row, fieldId,
                                                  parsedSpecification.value(static_cast<ProjectListFieldId>(fieldId)));
}
