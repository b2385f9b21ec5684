#include "rowlist/rowlist.h"

#include <QRandomGenerator>
#include <QTest>

using namespace siteloom;

// Random inserts, removals and moves, in a list that starts as one long piece or empty, give the
// rows a plain list gives, read one by one in either direction or whole.
class tst_rowlist : public QObject
{
    Q_OBJECT

private slots:
    void editsAsAPlainList_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<quint32>("seed");
        QTest::newRow("empty") << 0 << 1u;
        QTest::newRow("one piece of 5000") << 5000 << 2u;
        QTest::newRow("one piece of 5000, other edits") << 5000 << 3u;
    }

    void editsAsAPlainList()
    {
        QFETCH(int, start);
        QFETCH(quint32, seed);
        QStringList plain;
        for (int i = 0; i < start; ++i)
            plain.append(QString::number(i));
        RowList rows(plain);
        QRandomGenerator random(seed);
        int next = start;
        for (int step = 0; step < 3000; ++step) {
            const auto size = int(plain.size());
            const auto at = int(random.bounded(size + 1));
            switch (random.bounded(4)) {
            case 0: {
                QStringList texts;
                for (quint32 n = random.bounded(1, 2600); n > 0; --n) // now and then longer than a piece
                    texts.append(QString::number(next++));
                if (random.bounded(8) != 0)
                    texts = texts.mid(0, 3);
                rows.insert(at, texts);
                for (qsizetype i = 0; i < texts.size(); ++i)
                    plain.insert(at + i, texts[i]);
                break;
            }
            case 1: {
                const auto count = std::min(int(random.bounded(1, 1500)), size - at);
                QCOMPARE(rows.take(at, count), plain.mid(at, count));
                plain.remove(at, count);
                break;
            }
            default:
                if (size > 0) {
                    const auto from = int(random.bounded(size));
                    const auto to = int(random.bounded(size));
                    rows.move(from, to);
                    plain.move(from, to);
                }
            }
            QCOMPARE(rows.size(), plain.size());
            if (!plain.isEmpty()) {
                const auto probe = int(random.bounded(int(plain.size())));
                QCOMPARE(rows.at(probe), plain[probe]);
            }
        }
        for (qsizetype i = plain.size() - 1; i >= 0; --i)
            QCOMPARE(rows.at(i), plain[i]);
        QCOMPARE(rows.toList(), plain);
    }
};

QTEST_APPLESS_MAIN(tst_rowlist)
#include "tst_rowlist.moc"
