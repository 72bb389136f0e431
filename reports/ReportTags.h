#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

class CustomSqlTableModel;
class RunData;
struct TableModelFieldDescriptor;

// What the report templates, the mail templates and the result screen share
// about their "${command words}" tags: splitting a tag into words, reading a
// run or project value and writing it as text.
class ReportTags
{
public:
    // Splits at white space outside double quotes; empty words stay; the
    // double quotes are then removed.
    static QStringList splitWords(const QString& command);

    // The table of a run_info (run fields) or project_info (project fields) tag.
    static CustomSqlTableModel* tableFor(const QString& command);
    // A value of the run as text: flags for booleans, labels for
    // enumerations, dates, reals in the field's unit or the named unit of its
    // quantity, plain text otherwise.
    static QString formatValue(const TableModelFieldDescriptor* field, const QVariant& value,
                               const QString& unitOverride = QString());
    // The formatted value of a field (found by database key) of a run.
    static QString runValue(RunData* run, const QString& command, int fieldId, const QString& unitOverride);

    // The stock templates name the board's configuration folder
    // ("/home/pi/.zembo/"); the real one takes its place. Applied to the text
    // around tags and to paths in tags, so offsets in messages stay those of
    // the template.
    static QString localPaths(const QString& text);

    // Text made safe to put into HTML: project fields may come from anywhere.
    static QString escapeHtml(const QString& text);
};
