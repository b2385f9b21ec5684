#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringView>

namespace siteloom {

// What a site's robots.txt lets a crawler read, as RFC 9309 has it: the groups whose user-agent
// line names the product token (case-insensitively), else the "*" groups; of their allow and
// disallow rules the longest match decides, allow winning a tie; "*" stands for any characters
// and a final "$" for the end of the path. No rule that matches allows.
class RobotsRules
{
public:
    // Everything allowed: a robots.txt that is missing (any 4xx answer) or empty.
    RobotsRules() = default;
    // Everything forbidden: a robots.txt that could not be read (5xx, or no answer at all).
    [[nodiscard]] static RobotsRules disallowAll();
    [[nodiscard]] static RobotsRules parse(const QByteArray& robotsTxt, QStringView productToken);

    // Whether the path (with its query, as sent to the server: "/links/?a=1") may be read. The
    // robots.txt file itself always may.
    [[nodiscard]] bool allows(QStringView pathAndQuery) const;

private:
    struct Rule
    {
        QString pattern; // percent-encoding made uniform
        bool allow = false;
    };
    QList<Rule> m_rules;
};

// The product token this tool reads its groups by.
inline constexpr char16_t robotsProductToken[] = u"siteloom";

} // namespace siteloom
