// Every bound widget kind survives a restart of the process: one process binds
// and changes a page, a second one on the same home finds everything again.
#include <QCoreApplication>
#include <QProcess>
#include <QTest>

class TestBindingRestart : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void valuesUnitsAndSubKeysComeBack();
};

namespace {

int runHelper(const QString& phase, QString* errors)
{
    QProcess helper;
    helper.setProgram(QCoreApplication::applicationDirPath() + QStringLiteral("/binding_restart_helper"));
    helper.setArguments({phase});
    helper.start();
    if (!helper.waitForFinished(60000))
        return -1;
    *errors = QString::fromUtf8(helper.readAllStandardError());
    return helper.exitStatus() == QProcess::NormalExit ? helper.exitCode() : -2;
}

} // namespace

void TestBindingRestart::valuesUnitsAndSubKeysComeBack()
{
    QString errors;
    QCOMPARE(runHelper(QStringLiteral("write"), &errors), 0);
    const int failed = runHelper(QStringLiteral("check"), &errors);
    QVERIFY2(failed == 0, qPrintable(errors));
}

QTEST_GUILESS_MAIN(TestBindingRestart)
#include "tst_binding_restart.moc"
