// Replays the fuzz targets' seed corpus and every input a fuzzer once broke through the same
// properties the targets check, so a fixed finding stays fixed in every build, sanitizers included.
#include "filebytes.h"
#include "properties.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString fuzzDirectory = QStringLiteral(SITELOOM_FUZZ_DIR);

} // namespace

class tst_fuzzcorpus : public QObject
{
    Q_OBJECT

private slots:
    // One row per input file of each target: its seeds, then its regressions.
    void replay_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("path");
        for (const QString& target : {u"listfile"_s, u"page"_s, u"import"_s}) {
            for (const QString& kind : {u"corpus"_s, u"regressions"_s}) {
                const QDir dir(fuzzDirectory + u'/' + kind + u'/' + target);
                const QStringList names = dir.entryList(QDir::Files, QDir::Name);
                for (const QString& name : names)
                    QTest::addRow("%s: %s/%s", qPrintable(target), qPrintable(kind), qPrintable(name))
                        << target << dir.filePath(name);
            }
        }
    }

    void replay()
    {
        QFETCH(QString, target);
        QFETCH(QString, path);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QByteArray bytes = siteloom::readBytes(path);
        const QString problem = target == u"page"_s ? siteloom::fuzz::checkPage(bytes, dir.path())
                                : target == u"import"_s
                                    ? siteloom::fuzz::checkImport(bytes, dir.path())
                                    : siteloom::fuzz::checkListFileRoundTrip(bytes, dir.path());
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
    }
};

QTEST_GUILESS_MAIN(tst_fuzzcorpus)
#include "tst_fuzzcorpus.moc"
