#pragma once

#include "checker/hostqueue.h"
#include "linkcheck/checkresult.h"

#include <QHash>
#include <QList>
#include <QNetworkRequest>
#include <QObject>
#include <QSslCertificate>
#include <QStringList>

#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

class QNetworkAccessManager;
class QNetworkReply;

namespace siteloom {

struct CheckOptions
{
    int timeoutMs = 15000; // per request, reset whenever data arrives
    int totalMs = 0;       // per request, from its start to its end; 0 for four times timeoutMs
    int jobs = 8;          // requests at once, in all
    int perHost = 2;       // requests at once to one host
    // Certificate authorities trusted besides the system's: only tests set them, for a server whose
    // certificate they made. Verification itself is never turned off.
    QList<QSslCertificate> extraCaCertificates;
    // Where the partners' link pages found are remembered: empty for the user's cache directory.
    QString linkPageMemoryFile;
};

// What the check looks at: the list's entries and the owner's own site.
struct CheckInputs
{
    QStringList entries; // link entries as the list holds them
    QString ownUrl;      // Text9: the address partners should link to
    QString ownBanner;   // Text7: the owner's banner, which partners may show instead
};

// Checks every entry's site, banner and link back over HTTP(S), many requests at once: each
// distinct address is fetched once per run, HEAD where only the answer counts, GET where the body
// is needed (as far as needed: an image's header, at most 2 MB of a page). A banner carried in its
// own "data:" address is read from there, and the stand-in banner of earlier versions is reported as
// such: neither is requested. Redirects are followed
// hop by hop, so that a permanent one is seen. Results arrive entry by entry, in any order. Partner
// pages are searched on the thread pool, so a page that is slow to parse holds up nothing else.
//
// A partner whose page does not link back is looked at further on its own site: the link page it
// was found on before, then its frames and the links that name a link page, at most two steps from
// its page and five pages in all, their redirects followed while they stay on the site (from http
// to https too, never back). Those pages are read only where the host's robots.txt (read once
// per host and run) lets this tool read them. Every request, these included, waits its turn in the
// one host queue: no host ever has more than perHost of them at once.
class LinkChecker final : public QObject
{
    Q_OBJECT

public:
    // The manager is used as given for every request (tests hand in one that answers made-up names
    // itself). Without one the checker makes one per host while it has requests there: each manager
    // reads its answers on a thread of its own, so a server that floods it slows no other host.
    explicit LinkChecker(QNetworkAccessManager* manager = nullptr, QObject* parent = nullptr);
    ~LinkChecker() override;

    void setOptions(const CheckOptions& options) { m_options = options; }

    // Starts a check; entryChecked and finished follow from the event loop, never from here.
    void start(const CheckInputs& inputs);
    // Stops at once: every request is aborted and finished(true) is emitted.
    void cancel();
    [[nodiscard]] bool isRunning() const { return m_running; }

    // One per entry, in list order; an entry's value is complete once entryChecked named it.
    [[nodiscard]] const CheckResults& results() const { return m_results; }
    [[nodiscard]] int checkedCount() const { return m_checked; }

    // "siteloom/<version> (+<home page>)", sent with every request: the tool, its version and where
    // a site's owner reads about it.
    [[nodiscard]] static QByteArray userAgent();

signals:
    void entryChecked(int row);
    void finished(bool cancelled);

private:
    struct Transfer; // one address's requests under way (linkchecker.cpp)
    struct Answer;   // what a request came to

    void launch();
    void pump();
    void send(int fetch);
    void readSome(int fetch);
    void complete(int fetch);
    void fetchPastInformational(int fetch);
    void judge(int fetch, const Answer& answer);
    void settle(int fetch);
    void searchPage(int fetch, const QByteArray& contentType);
    void entryDone(int row);
    void followLinkPages(int fetch, const QStringList& candidates);
    void readNextLinkPage(int fetch);
    void readLinkPage(int fetch, const QString& url, int steps, int hops);
    void searchLinkPage(int fetch, const QString& url, int steps, const QByteArray& body,
                        const QByteArray& contentType);
    void endLinkPageSearch(int fetch, const QString& foundAt);
    void whenRobotsKnown(const QString& url, std::function<void(bool allowed)> then);
    struct Extra;
    struct ExtraAnswer;
    void fetchExtra(const QString& url, qsizetype limit, QNetworkRequest::RedirectPolicy redirects,
                    std::function<void(const ExtraAnswer&)> done);
    void sendExtra(int request);
    void readExtra(int request);
    void completeExtra(int request);
    // A request for the address with the check's silence limit, name and trusted authorities.
    [[nodiscard]] QNetworkRequest makeRequest(const QString& url,
                                              QNetworkRequest::RedirectPolicy redirects) const;
    void saveLinkPageMemory();
    [[nodiscard]] QNetworkAccessManager* managerFor(int host);
    void releaseManager(int host);
    [[nodiscard]] QStringView useAddress(qint32 use) const;
    [[nodiscard]] QString fetchAddress(int fetch) const;

    QNetworkAccessManager* m_manager;                           // as given, or null
    std::unordered_map<int, QNetworkAccessManager*> m_managers; // by host, when none was given
    CheckOptions m_options;
    CheckInputs m_inputs;
    CheckResults m_results;
    // One distinct address is a fetch. Thousands wait at once, so a waiting fetch is its number in
    // the host queue and its first use; what a request needs is made when it is sent and dropped once
    // it is answered. The entries that use an address are a chain through m_nextUse; a use is
    // row * 2 + 1 for a banner, row * 2 for a site.
    std::vector<qint32> m_firstUse; // per fetch
    QList<qint32> m_nextUse;        // per use: the next use of the same fetch, or -1
    QList<quint8> m_partsLeft;      // per entry: site and banner still to come
    HostQueue m_queue;
    std::unordered_map<int, std::unique_ptr<Transfer>> m_transfers; // by fetch, from its first request
    int m_checked = 0;
    int m_generation = 0; // a reply of an earlier run (cancelled) is ignored
    // The link pages being searched, by fetch; the hosts' robots.txt rules, by origin.
    struct LinkPageSearch;
    struct Robots;
    std::unordered_map<int, std::unique_ptr<LinkPageSearch>> m_linkPageSearches;
    QHash<QString, std::shared_ptr<Robots>> m_robots;
    // The link pages and robots.txt files asked for, waiting or under way, by their number in the
    // host queue: the fetches' numbers come first, then these, given again once let go.
    std::unordered_map<int, std::unique_ptr<Extra>> m_extras;
    std::vector<int> m_freeExtras;
    int m_extraNumbers = 0; // numbers given to extra requests in this run
    QHash<QString, QString> m_linkPageMemory;
    bool m_linkPageMemoryChanged = false;
    bool m_backlinks = false;
    bool m_running = false;
};

} // namespace siteloom
