// Replays the fuzz targets' seed corpus and every input a fuzzer once broke through the same
// properties the targets check, so a fixed finding stays fixed in every build, sanitizers included.
#include "properties.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString fuzzDirectory = QStringLiteral(SITELOOM_FUZZ_DIR);

// One row per input file of the target: its seeds, then its regressions.
void addInputRows(const QString& target)
{
    QTest::addColumn<QString>("path");
    for (const QString& kind : {u"corpus"_s, u"regressions"_s}) {
        const QDir dir(fuzzDirectory + u'/' + kind + u'/' + target);
        const QStringList names = dir.entryList(QDir::Files, QDir::Name);
        for (const QString& name : names)
            QTest::addRow("%s/%s", qPrintable(kind), qPrintable(name)) << dir.filePath(name);
    }
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class tst_fuzzcorpus : public QObject
{
    Q_OBJECT

private slots:
    void listFileRoundTrip_data() { addInputRows(u"listfile"_s); }
    void listFileRoundTrip();
    void page_data() { addInputRows(u"page"_s); }
    void page();
};

void tst_fuzzcorpus::listFileRoundTrip()
{
    QFETCH(QString, path);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString problem = siteloom::fuzz::checkListFileRoundTrip(fileBytes(path), dir.path());
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
}

void tst_fuzzcorpus::page()
{
    QFETCH(QString, path);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString problem = siteloom::fuzz::checkPage(fileBytes(path), dir.path());
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
}

QTEST_GUILESS_MAIN(tst_fuzzcorpus)
#include "tst_fuzzcorpus.moc"
