#pragma once

#include <QString>

#include <memory>
#include <optional>

namespace siteloom {

// Where passwords and key passphrases are kept: the desktop's keyring, never the settings, the list
// file or a log. QtCore only, so the command line uses it without a window; tests put a fake in
// its place. Every call blocks until the keyring answers.
class Keyring
{
public:
    virtual ~Keyring() = default;
    // The secret kept under the key; nothing when none is kept or the keyring cannot be reached.
    [[nodiscard]] virtual std::optional<QString> read(const QString& key) = 0;
    [[nodiscard]] virtual bool write(const QString& key, const QString& secret) = 0;
    virtual void remove(const QString& key) = 0;
};

// The desktop's keyring (the Secret Service on a free desktop).
[[nodiscard]] std::unique_ptr<Keyring> desktopKeyring();

// The key a target's password is kept under: its address, user included.
[[nodiscard]] QString keyringKey(const QString& targetAddress);

} // namespace siteloom
