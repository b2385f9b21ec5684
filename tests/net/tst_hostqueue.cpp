#include "checker/hostqueue.h"

#include <QRandomGenerator>
#include <QtTest>

#include <map>

using namespace Qt::StringLiterals;
using namespace siteloom;

class tst_hostqueue : public QObject
{
    Q_OBJECT

private slots:
    void order_data()
    {
        QTest::addColumn<int>("jobs");
        QTest::addColumn<int>("perHost");
        // "a3" queues request 3 for host a, "t" takes the next request, "-a" ends one of host a's.
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("taken"); // what each "t" gave, "-" for nothing

        QTest::newRow("one host, two at once, then a place freed")
            << 8 << 2 << u"a0 a1 a2 t t t -a t"_s << u"0 1 - 2"_s;
        QTest::newRow("hosts take turns") << 8 << 2 << u"a0 a1 a2 b3 b4 c5 t t t t t t"_s << u"0 3 5 1 4 -"_s;
        QTest::newRow("all jobs in use") << 3 << 2 << u"a0 b1 c2 d3 t t t t -b t"_s << u"0 1 2 - 3"_s;
        QTest::newRow("a busy host lets the next one go") << 8 << 1 << u"a0 a1 b2 t t t"_s << u"0 2 -"_s;
        QTest::newRow("queued again, for the next hop") << 8 << 2 << u"a0 t -a a0 t t"_s << u"0 0 -"_s;
    }

    void order()
    {
        QFETCH(int, jobs);
        QFETCH(int, perHost);
        QFETCH(QString, steps);
        QFETCH(QString, taken);

        HostQueue queue(jobs, perHost);
        QStringList got;
        for (const QString& step : steps.split(u' ')) {
            if (step == u"t"_s) {
                int host = -1;
                const int request = queue.take(&host);
                got.append(request < 0 ? u"-"_s : QString::number(request));
            } else if (step.startsWith(u'-')) {
                queue.done(queue.host(step.mid(1)));
            } else {
                queue.push(step.mid(1).toInt(), queue.host(step.left(1)));
            }
        }
        QCOMPARE(got.join(u' '), taken);
    }

    // Whatever the hosts and limits, no limit is passed, every request goes exactly once, and a
    // host's requests go in the order they came.
    void limitsHoldAndEveryRequestGoes()
    {
        auto* random = QRandomGenerator::global();
        for (int round = 0; round < 200; ++round) {
            const int jobs = random->bounded(1, 10), perHost = random->bounded(1, 4);
            const int hosts = random->bounded(1, 12), requests = random->bounded(0, 80);
            HostQueue queue(jobs, perHost);
            std::map<int, QList<int>> queued;
            for (int request = 0; request < requests; ++request) {
                const int host = queue.host(QString::number(random->bounded(hosts)));
                queue.push(request, host);
                queued[host].append(request);
            }
            QList<std::pair<int, int>> underWay; // request, host
            int gone = 0;
            while (gone < requests) {
                int host = -1;
                const int request = queue.take(&host);
                if (request >= 0) {
                    QVERIFY(queue.active() <= jobs);
                    QVERIFY(queue.active(host) <= perHost);
                    QCOMPARE(request, queued[host].takeFirst());
                    underWay.append({request, host});
                    ++gone;
                } else {
                    QVERIFY(!underWay.isEmpty()); // nothing may wait while nothing is under way
                    queue.done(underWay.takeAt(random->bounded(underWay.size())).second);
                }
            }
            int host = -1;
            QCOMPARE(queue.take(&host), -1);
            QVERIFY(!queue.hasWaiting());
        }
    }
};

QTEST_GUILESS_MAIN(tst_hostqueue)
#include "tst_hostqueue.moc"
