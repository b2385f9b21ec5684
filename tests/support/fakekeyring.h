#pragma once

#include "publish/keyring.h"

#include <QMap>

namespace siteloom {

// A keyring in memory: what the publish window keeps and reads, for the test to look at.
class FakeKeyring final : public Keyring
{
public:
    std::optional<QString> read(const QString& key) override
    {
        return secrets.contains(key) ? std::optional(secrets.value(key)) : std::nullopt;
    }
    bool write(const QString& key, const QString& secret) override
    {
        secrets.insert(key, secret);
        return true;
    }
    void remove(const QString& key) override { secrets.remove(key); }

    QMap<QString, QString> secrets;
};

} // namespace siteloom
