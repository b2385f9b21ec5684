#include "publishtarget.h"

#include <QCryptographicHash>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace siteloom {

namespace {

struct Scheme
{
    QStringView name;
    PublishProtocol protocol;
};
constexpr Scheme schemes[] = {
    {u"ftp", PublishProtocol::Ftp},       {u"ftps", PublishProtocol::Ftps},
    {u"sftp", PublishProtocol::Sftp},     {u"http", PublishProtocol::WebDav},
    {u"https", PublishProtocol::WebDavs},
};

QString schemeName(PublishProtocol protocol)
{
    for (const Scheme& scheme : schemes) {
        if (scheme.protocol == protocol)
            return scheme.name.toString();
    }
    return {};
}

} // namespace

std::optional<PublishTarget> parsePublishTarget(const QString& address, TargetProblem* problem)
{
    const auto fail = [problem](TargetProblem what) {
        *problem = what;
        return std::nullopt;
    };
    const QString trimmed = address.trimmed();
    if (trimmed.isEmpty())
        return fail(TargetProblem::Empty);
    const QUrl url(trimmed, QUrl::StrictMode);
    PublishTarget target;
    bool known = false;
    for (const Scheme& scheme : schemes) {
        if (url.scheme().compare(scheme.name, Qt::CaseInsensitive) == 0) {
            target.protocol = scheme.protocol;
            known = true;
        }
    }
    if (!url.isValid() || !known)
        return fail(TargetProblem::UnknownScheme);
    if (url.host().isEmpty())
        return fail(TargetProblem::NoHost);
    if (!url.password().isEmpty())
        return fail(TargetProblem::PasswordInAddress);
    if (url.userName().isEmpty())
        return fail(TargetProblem::NoUser);
    if (url.hasQuery() || url.hasFragment())
        return fail(TargetProblem::NotDirectory);
    QString path = url.path();
    if (path.isEmpty())
        path = u"/"_s;
    if (!path.endsWith(u'/'))
        path += u'/';
    target.user = url.userName();
    target.host = url.host();
    target.port = url.port();
    target.directory = path;
    *problem = TargetProblem::None;
    return target;
}

QByteArray targetDirectoryUrl(const PublishTarget& target)
{
    // FTPS is explicit TLS: a plain FTP connection that asks for TLS before logging in, which the
    // transfer library names ftp:// (its ftps:// is TLS from the first byte).
    static const QString transferSchemes[] = {u"ftp"_s, u"ftp"_s, u"sftp"_s, u"http"_s, u"https"_s};
    QUrl url;
    url.setScheme(transferSchemes[int(target.protocol)]);
    url.setHost(target.host);
    url.setPort(target.port);
    url.setPath(target.directory);
    QByteArray encoded = url.toEncoded();
    // To the transfer library an FTP path is relative to the login directory unless it starts
    // with a second slash: the address names it from the root, as the user typed it.
    if (target.protocol == PublishProtocol::Ftp || target.protocol == PublishProtocol::Ftps) {
        const qsizetype hostEnd = encoded.indexOf('/', encoded.indexOf("//") + 2);
        if (hostEnd >= 0 && target.directory != u"/")
            encoded.insert(hostEnd + 1, "%2F");
    }
    return encoded;
}

QByteArray targetFileUrl(const PublishTarget& target, const QString& fileName)
{
    return targetDirectoryUrl(target) + QUrl::toPercentEncoding(fileName);
}

QString targetAddress(const PublishTarget& target)
{
    QUrl url;
    url.setScheme(schemeName(target.protocol));
    url.setUserName(target.user);
    url.setHost(target.host);
    url.setPort(target.port);
    url.setPath(target.directory);
    return url.toString();
}

QString temporaryUploadName(const QString& pageName, quint64 nonce)
{
    return u".%1.siteloom-%2.part"_s.arg(pageName).arg(nonce, 0, 16);
}

bool remotePageUnchanged(const RemotePage& recorded, const RemotePage& now)
{
    if (!now.exists)
        return true;
    if (!recorded.exists)
        return false;
    if (!recorded.sha256.isEmpty() && !now.sha256.isEmpty())
        return recorded.sha256 == now.sha256;
    if (recorded.size >= 0 && now.size >= 0 && recorded.size != now.size)
        return false;
    return !recorded.modified.isValid() || !now.modified.isValid() || recorded.modified == now.modified;
}

QByteArray formatRemotePage(const RemotePage& page)
{
    QByteArray text = "exists=" + QByteArray(page.exists ? "1" : "0") + '\n';
    text += "size=" + QByteArray::number(page.size) + '\n';
    if (page.modified.isValid())
        text += "modified=" + page.modified.toUTC().toString(Qt::ISODate).toLatin1() + '\n';
    if (!page.sha256.isEmpty())
        text += "sha256=" + page.sha256.toHex() + '\n';
    return text;
}

std::optional<RemotePage> parseRemotePage(const QByteArray& text)
{
    RemotePage page;
    bool sawExists = false;
    for (const QByteArray& line : text.split('\n')) {
        const qsizetype equals = line.indexOf('=');
        if (line.isEmpty())
            continue;
        if (equals < 0)
            return std::nullopt;
        const QByteArray key = line.left(equals);
        const QByteArray value = line.mid(equals + 1).trimmed();
        bool ok = true;
        if (key == "exists") {
            page.exists = value == "1";
            sawExists = ok = value == "1" || value == "0";
        } else if (key == "size") {
            page.size = value.toLongLong(&ok);
        } else if (key == "modified") {
            page.modified = QDateTime::fromString(QString::fromLatin1(value), Qt::ISODate);
            ok = page.modified.isValid();
        } else if (key == "sha256") {
            page.sha256 = QByteArray::fromHex(value);
            ok = page.sha256.size() == 32;
        }
        if (!ok)
            return std::nullopt;
    }
    if (!sawExists)
        return std::nullopt;
    return page;
}

QString remotePageRecordName(const QString& targetAddress, const QString& pageName)
{
    const QByteArray key = (targetAddress + u'\n' + pageName).toUtf8();
    return QString::fromLatin1(QCryptographicHash::hash(key, QCryptographicHash::Sha256).toHex().left(32)) +
           u".state"_s;
}

QString declaredCharset(const QByteArray& contentType)
{
    for (const QByteArray& part : contentType.split(';')) {
        const QByteArray parameter = part.trimmed();
        if (!parameter.toLower().startsWith("charset="))
            continue;
        QByteArray value = parameter.mid(8).trimmed();
        if (value.size() >= 2 && value.startsWith('"') && value.endsWith('"'))
            value = value.mid(1, value.size() - 2);
        return QString::fromLatin1(value).toLower();
    }
    return {};
}

bool charsetFitsPage(const QString& charset)
{
    static const QStringList names = {u"shift_jis"_s,   u"shift-jis"_s, u"sjis"_s,     u"x-sjis"_s,
                                      u"windows-31j"_s, u"cp932"_s,     u"ms_kanji"_s, u"csshiftjis"_s,
                                      u"ms932"_s,       u"x-ms-cp932"_s};
    return charset.isEmpty() || names.contains(charset.toLower());
}

QString publishSettingKey(const QString& baseDirectory, PublishSetting setting)
{
    const QByteArray hash = QCryptographicHash::hash(baseDirectory.toUtf8(), QCryptographicHash::Sha256);
    return (setting == PublishSetting::Target ? u"target-"_s : u"publicUrl-"_s) +
           QString::fromLatin1(hash.toHex().left(16));
}

} // namespace siteloom
