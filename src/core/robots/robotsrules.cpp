#include "robots/robotsrules.h"

#include <QUrl>

namespace siteloom {

namespace {

// Percent-encoding made uniform, so that "/%7Euser" and "/~user" match alike: characters that need
// no escape are unescaped, the others escaped in upper case.
QString uniformPath(QStringView path)
{
    return QString::fromLatin1(
        QUrl::toPercentEncoding(QUrl::fromPercentEncoding(path.toUtf8()), "/?=&;:@!$'()*+,#[]%"));
}

// Whether the pattern matches the start of the path: "*" matches any characters, a final "$"
// anchors the pattern at the end of the path.
bool matches(QStringView pattern, QStringView path)
{
    const bool anchored = pattern.endsWith(u'$');
    if (anchored)
        pattern.chop(1);
    // Greedy matching of the pieces between stars, each at its first place after the last one.
    qsizetype at = 0;
    qsizetype from = 0;
    bool first = true;
    while (true) {
        const qsizetype star = pattern.indexOf(u'*', from);
        const QStringView piece = pattern.sliced(from, (star < 0 ? pattern.size() : star) - from);
        if (star < 0 && anchored) {
            // The last piece must end the path, after what came before it.
            if (first)
                return path == piece;
            return path.size() - piece.size() >= at && path.endsWith(piece);
        }
        if (first) {
            if (!path.startsWith(piece))
                return false;
            at = piece.size();
        } else {
            const qsizetype found = path.indexOf(piece, at);
            if (found < 0)
                return false;
            at = found + piece.size();
        }
        if (star < 0)
            return true;
        first = false;
        from = star + 1;
    }
}

} // namespace

RobotsRules RobotsRules::disallowAll()
{
    RobotsRules rules;
    rules.m_rules.append(Rule{QStringLiteral("/"), false});
    return rules;
}

RobotsRules RobotsRules::parse(const QByteArray& robotsTxt, QStringView productToken)
{
    QList<Rule> ours;
    QList<Rule> anyones;
    bool oursFound = false;
    // The group being read: which agents it names, and whether its rules have begun (a user-agent
    // line after a rule starts the next group).
    bool forUs = false;
    bool forAnyone = false;
    bool inRules = false;
    for (QByteArray line : robotsTxt.split('\n')) {
        if (const qsizetype hash = line.indexOf('#'); hash >= 0)
            line.truncate(hash);
        const qsizetype colon = line.indexOf(':');
        if (colon < 0)
            continue;
        const QByteArray key = line.first(colon).trimmed().toLower();
        const QString value = QString::fromUtf8(line.sliced(colon + 1).trimmed());
        if (key == "user-agent") {
            if (inRules) {
                forUs = forAnyone = inRules = false;
            }
            if (value == u"*")
                forAnyone = true;
            else if (value.compare(productToken, Qt::CaseInsensitive) == 0)
                forUs = oursFound = true;
        } else if (key == "allow" || key == "disallow") {
            inRules = true;
            if (value.isEmpty()) // "Disallow:" alone forbids nothing
                continue;
            const Rule rule{uniformPath(value), key == "allow"};
            if (forUs)
                ours.append(rule);
            if (forAnyone)
                anyones.append(rule);
        }
    }
    RobotsRules rules;
    rules.m_rules = oursFound ? ours : anyones;
    return rules;
}

bool RobotsRules::allows(QStringView pathAndQuery) const
{
    const QString path = uniformPath(pathAndQuery.isEmpty() ? u"/" : pathAndQuery);
    if (path == u"/robots.txt")
        return true;
    qsizetype longest = -1;
    bool allowed = true;
    for (const Rule& rule : m_rules) {
        if (rule.pattern.size() < longest || !matches(rule.pattern, path))
            continue;
        if (rule.pattern.size() > longest)
            allowed = rule.allow;
        else
            allowed = allowed || rule.allow;
        longest = rule.pattern.size();
    }
    return allowed;
}

} // namespace siteloom
