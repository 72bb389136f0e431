#include "DTCDialog.h"

#include "DTCDictionary.h"
#include "PathSaver.h"
#include "lib/Tools.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QVBoxLayout>

DTCDialog::DTCDialog(const QList<QString>& codes, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(tr("Diagnostic Trouble Codes"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("Note: Active trouble codes can reduce available OBD channels count."), this));
    plainTextEdit = new QPlainTextEdit(this);
    layout->addWidget(plainTextEdit);
    auto* saveButton = new QPushButton(tr("Save to file"), this);
    connect(saveButton, &QPushButton::clicked, this, &DTCDialog::slot_saveToFile);
    layout->addWidget(saveButton);
    plainTextEdit->setPlainText(reportText(codes));
    resize(1000, 600);
}

QString DTCDialog::reportText(const QList<QString>& codes)
{
    QString text;
    for (const QString& code : codes) {
        if (code.size() != 5) {
            text += code + QStringLiteral(" invalid code length\n\n");
            continue;
        }
        const QChar letter = code.at(0);
        text += code + QStringLiteral(" - ") + category.value(letter, QStringLiteral("Invalid category"));
        if (letter == QLatin1Char('P'))
            text += QStringLiteral(" - ") + pCodeSystem.value(code.at(2));
        text += QLatin1Char('\n');
        if (letter == QLatin1Char('P'))
            text += pCodeDescription.value(code);
        else if (letter == QLatin1Char('C'))
            text += cCodeDescription.value(code);
        else if (letter == QLatin1Char('B'))
            text += bCodeDescription.value(code);
        else if (letter == QLatin1Char('U'))
            text += uCodeDescription.value(code);
        text += QStringLiteral("\n\n");
    }
    return text;
}

void DTCDialog::slot_saveToFile()
{
    const QString path =
        thePathSaver.getSaveFileName(Paths::saveTxt, tr("Save Diagnostic Trouble Codes"), QStringLiteral("DTC.txt"));
    if (path.isEmpty())
        return;
    // A full disk or a vanished folder must not be reported as a saved file,
    // and must not leave half a report in place of an older one.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        Tools::showError(tr("Can't open file for writing"));
        return;
    }
    const QByteArray bytes = plainTextEdit->toPlainText().toUtf8();
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        Tools::showError(tr("The file could not be written: %1").arg(file.errorString()));
        return;
    }
    Tools::showInfo(tr("File saved"));
}
