#include "support/test_support.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

namespace grivendale::testing {

QByteArray hexBytes(const char* dump) {
    QByteArray digits(dump);
    digits.removeIf([](char c) { return !std::isxdigit(static_cast<unsigned char>(c)); });
    return QByteArray::fromHex(digits);
}

QByteArray readFileBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "cannot read " << path.toStdString();
        return {};
    }
    return file.readAll();
}

void writeFileBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        ADD_FAILURE() << "cannot write " << path.toStdString();
}

void addFuzzSeed(const QString& name, const QByteArray& bytes) {
    const QString dir = QStringLiteral(GRIVENDALE_SEED_DIR);
    QDir().mkpath(dir);
    QFile file(dir + QLatin1Char('/') + name);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
}

MapLine lineThrough(std::initializer_list<std::pair<int, int>> points, int width,
                    std::uint32_t color) {
    MapLine line;
    line.Width = width;
    line.Color = color;
    line.PointX = std::vector<std::int32_t>{0};
    line.PointY = std::vector<std::int32_t>{0};
    for (const auto& [x, y] : points) {
        line.PointX->push_back(x);
        line.PointY->push_back(y);
    }
    line.PointCount = static_cast<std::int32_t>(points.size());
    return line;
}

TestCertificate makeCertificate(const QString& folder, const QString& name, const QString& altName,
                                const TestCertificate* issuer) {
    const QString base = folder + QLatin1Char('/') + name;
    TestCertificate made;
    made.pemPath = base + QStringLiteral(".pem");
    made.certificatePath = base + QStringLiteral(".crt");
    made.keyPath = base + QStringLiteral(".key");
    QStringList args =
        QStringLiteral("req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2")
            .split(QLatin1Char(' '));
    args << QStringLiteral("-subj") << QStringLiteral("/CN=") + name << QStringLiteral("-keyout")
         << made.keyPath << QStringLiteral("-out") << made.certificatePath;
    if (!altName.isEmpty())
        args << QStringLiteral("-addext") << QStringLiteral("subjectAltName=") + altName;
    if (issuer)
        args << QStringLiteral("-CA") << issuer->certificatePath << QStringLiteral("-CAkey")
             << issuer->keyPath;
    QProcess openssl;
    openssl.start(QStringLiteral("openssl"), args);
    if (!openssl.waitForFinished(30000) || openssl.exitCode() != 0) {
        ADD_FAILURE() << "openssl req failed: " << openssl.readAllStandardError().toStdString();
        return made;
    }
    const QByteArray certificate = readFileBytes(made.certificatePath);
    const QByteArray key = readFileBytes(made.keyPath);
    writeFileBytes(made.pemPath, certificate + key);
    made.certificate = QSslCertificate(certificate, QSsl::Pem);
    made.key = QSslKey(key, QSsl::Ec, QSsl::Pem);
    made.fingerprint = QString::fromLatin1(
        made.certificate.digest(QCryptographicHash::Sha256).toHex(':').toUpper());
    return made;
}

} // namespace grivendale::testing
