#include "ResultScreenEditor.h"

#include "Colors.h"
#include "CustomSqlTableModel.h"
#include "KioskBrowser.h"
#include "LoadedRunListModel.h"
#include "MySettings.h"
#include "PrivateTempDir.h"
#include "ReportSources.h"
#include "ReportTags.h"
#include "TableModelFieldDescriptor.h"
#include "lib/DialogAnswerer.h"
#include "lib/Tools.h"

#include <QCheckBox>
#include <QDebug>
#include <QFile>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QKeySequence>
#include <QPushButton>
#include <QShortcut>
#include <QSpinBox>
#include <QTextEdit>
#include <QTextStream>
#include <QVBoxLayout>

namespace {

const char* const kDefaultTemplate = ":/resources/resultScreen.html";

QString chooseItem(QWidget* parent, const QString& title, const QString& label, const QStringList& items)
{
    QInputDialog dialog(parent);
    dialog.setWindowTitle(title);
    dialog.setLabelText(label);
    dialog.setComboBoxItems(items);
    dialog.setComboBoxEditable(false);
    if (!items.isEmpty())
        dialog.setTextValue(items.first());
    if (DialogAnswerer::exec(&dialog) != QDialog::Accepted)
        return QString();
    return dialog.textValue();
}

} // namespace

ResultScreenEditor::ResultScreenEditor(QWidget* parent)
    : QWidget(parent)
    , browser(new KioskBrowser(this))
{
    const QString path = templatePath();
    if (!QFile::exists(path)) {
        QFile::copy(QString::fromLatin1(kDefaultTemplate), path);
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup
                                        | QFileDevice::ReadOther);
    }

    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    layout->addLayout(row);
    checkBox_enable = new QCheckBox(tr("Enable"), this);
    checkBox_enable->setObjectName(QStringLiteral("checkBox_settings_afterRunResultScreen"));
    row->addWidget(checkBox_enable, 0);
    spinBox_duration = new QSpinBox(this);
    spinBox_duration->setObjectName(QStringLiteral("spinBox_settings_afterRunResultScreenDuration"));
    spinBox_duration->setRange(1, 600);
    spinBox_duration->setValue(5);
    spinBox_duration->setSuffix(QStringLiteral("s"));
    row->addWidget(spinBox_duration);
    auto button = [this, row](const QString& text, void (ResultScreenEditor::*slot)()) {
        auto* b = new QPushButton(text, this);
        connect(b, &QPushButton::clicked, this, slot);
        row->addWidget(b, 1);
        return b;
    };
    pushButton_save = button(tr("Save"), &ResultScreenEditor::slot_save);
    pushButton_loadDefault = button(tr("Load default"), &ResultScreenEditor::slot_loadDefault);
    pushButton_insertItem = button(tr("Insert item"), &ResultScreenEditor::slot_insertItem);
    pushButton_preview = button(tr("Preview"), &ResultScreenEditor::slot_preview);
    editor = new QTextEdit(this);
    editor->setAcceptRichText(false);
    layout->addWidget(editor);

    theSettings.connectCheckBox(checkBox_enable);
    theSettings.connectSpinBox(spinBox_duration);
    auto* save = new QShortcut(QKeySequence::Save, this);
    save->setContext(Qt::WindowShortcut);
    connect(save, &QShortcut::activated, this, &ResultScreenEditor::slot_save);

    slot_updateEditorContent();
    connect(editor, &QTextEdit::textChanged, this, [this] {
        Tools::setButtonBackgroundColorWithPalette(pushButton_save, theColors.colorHighlight);
    });
}

ResultScreenEditor::~ResultScreenEditor() = default;

QString ResultScreenEditor::templatePath() const
{
    return theSettings.settingsDir.filePath(QStringLiteral("resultScreen.html"));
}

QString ResultScreenEditor::pagePath()
{
    return PrivateTempDir::filePath(QStringLiteral("Zembo_resultScreen.html"));
}

void ResultScreenEditor::slot_updateEditorContent()
{
    QFile file(templatePath());
    if (!file.open(QIODevice::ReadOnly)) {
        qDebug() << "error opening file" << file.fileName();
        return;
    }
    editor->setPlainText(QString::fromUtf8(file.readAll()));
    pushButton_save->setPalette(QPalette());
}

void ResultScreenEditor::slot_save()
{
    QFile file(templatePath());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        qDebug() << "error opening file" << file.fileName();
        return;
    }
    QTextStream stream(&file);
    stream << editor->toPlainText();
    stream.flush();
    file.close();
    pushButton_save->setPalette(QPalette());
}

void ResultScreenEditor::slot_loadDefault()
{
    QFile file(QString::fromLatin1(kDefaultTemplate));
    if (!file.open(QIODevice::ReadOnly)) {
        qDebug() << "void ResultScreenEditor::slot_loadDefault()";
        qDebug() << "error loading default result screen template";
        return;
    }
    editor->setPlainText(QString::fromUtf8(file.readAll()));
}

void ResultScreenEditor::slot_insertItem()
{
    const QString item = chooseItem(this, tr("Select item"), tr("Select item"),
                                    {QStringLiteral("run_info"), QStringLiteral("project_info")});
    if (item.isEmpty())
        return;
    const bool run = item == QLatin1String("run_info");
    CustomSqlTableModel* table = ReportTags::tableFor(item);
    QStringList keys;
    if (table)
        for (const TableModelFieldDescriptor* field : std::as_const(table->fieldDescriptors))
            if (field)
                keys << field->databaseKey;
    const QString key = chooseItem(this, run ? tr("Run property") : tr("Project property"),
                                   run ? tr("Select run property") : tr("Select project property"), keys);
    if (key.isEmpty())
        return;
    editor->insertPlainText(QStringLiteral("${%1 %2}").arg(item, key));
}

void ResultScreenEditor::slot_preview()
{
    slot_save();
    showResultScreen();
}

QString ResultScreenEditor::filledPage()
{
    LoadedRunListModel* runs = ReportSources::loadedRuns();
    RunData* run = runs ? runs->getLastRunData() : nullptr;
    const QString text = editor->toPlainText();

    QString page;
    const qsizetype length = text.size();
    qsizetype pos = 0;
    while (pos < length) {
        const qsizetype start = text.indexOf(QStringLiteral("${"), pos);
        if (start < 0) {
            page += ReportTags::localPaths(text.mid(pos));
            break;
        }
        if (start > pos) {
            page += ReportTags::localPaths(text.mid(pos, start - pos));
            pos = start;
        }
        const qsizetype end = text.indexOf(QLatin1Char('}'), pos);
        if (end < 0) {
            Tools::showError(QString::number(pos) + QStringLiteral(" Error parsing file"));
            return page;
        }
        const QString offset = QString::number(pos + 2);
        const QStringList words = ReportTags::splitWords(text.mid(pos + 2, end - pos - 2));
        const QString& cmd = words.first();
        pos = end + 1;
        if (cmd != QLatin1String("run_info") && cmd != QLatin1String("project_info")) {
            qDebug() << "Unknown command" << words;
            continue;
        }
        if (words.size() < 2) {
            Tools::showError(offset + QLatin1Char(' ') + cmd + QStringLiteral(" syntax error. Usage: ${") + cmd
                             + QStringLiteral(" keyName}"));
            return page;
        }
        const QString& key = words.at(1);
        if (!run) {
            page += (cmd == QLatin1String("run_info") ? QStringLiteral("RI(") : QStringLiteral("PI("))
                + ReportTags::escapeHtml(key) + QLatin1Char(')');
            continue;
        }
        CustomSqlTableModel* table = ReportTags::tableFor(cmd);
        const int field = table ? table->fieldDescriptorIdByDatabaseKey(key) : -1;
        if (field < 0) {
            Tools::showError(offset + QLatin1Char(' ') + cmd + QStringLiteral(" key not found ") + key);
            return page;
        }
        // Project fields may have come over the network: text, never markup.
        page += ReportTags::escapeHtml(ReportTags::runValue(run, cmd, field, words.value(2)));
    }
    return page;
}

void ResultScreenEditor::fillResultScreen(QFile* file)
{
    // The byte-order mark tells the browser the page is UTF-8 whatever the
    // template declares.
    file->write("\xEF\xBB\xBF");
    file->write(filledPage().toUtf8());
}

void ResultScreenEditor::showResultScreen()
{
    QFile file(pagePath());
    if (PrivateTempDir::openPrivate(file)) {
        fillResultScreen(&file);
        file.close();
    } else {
        qDebug() << "Result screen page could not be written:" << file.fileName();
    }
    browser->show(file.fileName(), spinBox_duration->value() * 1000);
}

void ResultScreenEditor::maybeShowResultScreen()
{
    if (checkBox_enable->isChecked())
        showResultScreen();
}
