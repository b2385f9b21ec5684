#include "keyring.h"

#include <QEventLoop>

#include <qt6keychain/keychain.h>

using namespace Qt::StringLiterals;

namespace siteloom {

namespace {

const QString service = u"siteloom"_s;

// Runs a keyring job to its end on a loop of its own.
void finish(QKeychain::Job& job)
{
    job.setAutoDelete(false);
    QEventLoop loop;
    QObject::connect(&job, &QKeychain::Job::finished, &loop, &QEventLoop::quit);
    job.start();
    loop.exec();
}

class DesktopKeyring final : public Keyring
{
public:
    std::optional<QString> read(const QString& key) override
    {
        QKeychain::ReadPasswordJob job(service);
        job.setKey(key);
        finish(job);
        if (job.error() != QKeychain::NoError)
            return std::nullopt;
        return job.textData();
    }

    bool write(const QString& key, const QString& secret) override
    {
        QKeychain::WritePasswordJob job(service);
        job.setKey(key);
        job.setTextData(secret);
        finish(job);
        return job.error() == QKeychain::NoError;
    }

    void remove(const QString& key) override
    {
        QKeychain::DeletePasswordJob job(service);
        job.setKey(key);
        finish(job);
    }
};

} // namespace

std::unique_ptr<Keyring> desktopKeyring()
{
    return std::make_unique<DesktopKeyring>();
}

QString keyringKey(const QString& targetAddress)
{
    return u"publish "_s + targetAddress;
}

} // namespace siteloom
