#pragma once

#include <QString>

namespace siteloom {

class Keyring;

struct PublishOptions
{
    QString file;      // the list file
    QString directory; // --directory as given; null when not given
    QString to;        // --to: the target address; null: the one kept for the base directory
    QString publicUrl; // --public-url; null: the one kept for the base directory
    bool dryRun = false;
    bool force = false;
};

// siteloom --publish LISTFILE [--directory DIR] [--to ADDRESS] [--public-url URL] [--dry-run]
// [--force]: writes the page as --build does, then uploads it to the target and proves it at the
// public address. The password comes from the keyring or, where none is kept, from the terminal
// when standard input is one. Each step goes to standard output; a refusal or failure to standard
// error. Exit 0 only when the page was uploaded and verified (or, with --dry-run, would be), 1 for
// everything else. Runs on a QCoreApplication.
[[nodiscard]] int runPublish(const PublishOptions& options, Keyring& keyring);

} // namespace siteloom
