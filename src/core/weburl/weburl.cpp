#include "weburl/weburl.h"

#include <QUrl>

using namespace Qt::StringLiterals;

namespace siteloom {

namespace {

// Browsers strip leading and trailing C0 controls and spaces from an address before parsing it.
QString stripped(QStringView url)
{
    qsizetype begin = 0;
    qsizetype end = url.size();
    while (begin < end && url[begin].unicode() <= 0x20)
        ++begin;
    while (end > begin && url[end - 1].unicode() <= 0x20)
        --end;
    return url.sliced(begin, end - begin).toString();
}

QUrl webUrl(QStringView text)
{
    const QUrl url(stripped(text), QUrl::TolerantMode);
    if (!url.isValid() || url.host().isEmpty())
        return {};
    const QString scheme = url.scheme(); // QUrl keeps the scheme in lower case
    if (scheme != "http"_L1 && scheme != "https"_L1)
        return {};
    return url;
}

} // namespace

bool isWebUrl(QStringView url)
{
    return !webUrl(url).isEmpty();
}

QString comparableUrl(QStringView text)
{
    QUrl url = webUrl(text);
    if (url.isEmpty())
        return {};
    const int defaultPort = url.scheme() == "https"_L1 ? 443 : 80;
    if (url.port() == defaultPort)
        url.setPort(-1);
    if (url.path().isEmpty())
        url.setPath(u"/"_s);
    url.setFragment({});
    return url.adjusted(QUrl::NormalizePathSegments | QUrl::RemoveFragment).toString(QUrl::FullyEncoded);
}

bool sameWebUrl(QStringView a, QStringView b)
{
    const QString first = comparableUrl(a);
    return !first.isEmpty() && first == comparableUrl(b);
}

QString resolveUrl(QStringView base, QStringView reference)
{
    const QUrl baseUrl = webUrl(base);
    const QUrl relative(stripped(reference), QUrl::TolerantMode);
    if (!relative.isValid())
        return {};
    if (baseUrl.isEmpty())
        return relative.isRelative() ? QString() : relative.toString(QUrl::FullyEncoded);
    return baseUrl.resolved(relative).toString(QUrl::FullyEncoded);
}

} // namespace siteloom
