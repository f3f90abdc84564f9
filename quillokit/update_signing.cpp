#include "quillokit/update_signing.h"

#include <QFile>

#include <sodium.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace UpdateSigning {

std::optional<KeyPair> makeKeyPair()
{
    if (sodium_init() < 0)
        return std::nullopt;
    QByteArray publicKey(crypto_sign_PUBLICKEYBYTES, '\0');
    QByteArray secretKey(crypto_sign_SECRETKEYBYTES, '\0');
    if (crypto_sign_keypair(reinterpret_cast<unsigned char*>(publicKey.data()),
                            reinterpret_cast<unsigned char*>(secretKey.data()))
        != 0)
        return std::nullopt;
    return KeyPair{QString::fromLatin1(publicKey.toBase64()), QString::fromLatin1(secretKey.toBase64())};
}

bool writeSecretKey(const QString& path, const QString& secretKey)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    const QByteArray line = secretKey.toLatin1() + '\n';
    const bool written = ::fchmod(fd, 0600) == 0 && ::write(fd, line.constData(), size_t(line.size())) == line.size();
    return ::close(fd) == 0 && written;
}

std::optional<QString> sign(const QByteArray& data, const QString& secretKey)
{
    const auto decoded = QByteArray::fromBase64Encoding(secretKey.trimmed().toLatin1(),
                                                       QByteArray::AbortOnBase64DecodingErrors);
    const QByteArray* key = decoded ? &*decoded : nullptr;
    if (!key || key->size() != crypto_sign_SECRETKEYBYTES || sodium_init() < 0)
        return std::nullopt;
    QByteArray signature(crypto_sign_BYTES, '\0');
    if (crypto_sign_detached(reinterpret_cast<unsigned char*>(signature.data()), nullptr,
                             reinterpret_cast<const unsigned char*>(data.constData()),
                             static_cast<unsigned long long>(data.size()),
                             reinterpret_cast<const unsigned char*>(key->constData()))
        != 0)
        return std::nullopt;
    return QString::fromLatin1(signature.toBase64());
}

} // namespace UpdateSigning
