#pragma once

#include "document/map_document.h"
#include "document/settings_store.h"

#include <QHash>

#include <QSslCertificate>
#include <QSslKey>

#include <cstdint>
#include <initializer_list>
#include <utility>

namespace grivendale::testing {

// A keyring in memory, which answers or does not.
struct FakeKeyring final : SecretStore {
    explicit FakeKeyring(bool answering = true) : answers(answering) {}
    bool answers;
    QHash<QString, QString> secrets;
    Secret readSecret(const QString& key) override {
        return {!answers                ? Status::Unavailable
                : secrets.contains(key) ? Status::Found
                                        : Status::NotFound,
                secrets.value(key)};
    }
    bool writeSecret(const QString& key, const QString& value) override {
        return answers && (secrets.insert(key, value), true);
    }
    bool deleteSecret(const QString& key) override {
        return answers && (secrets.remove(key), true);
    }
};

// Hexadecimal bytes written with optional blanks and bars, as in a file dump.
QByteArray hexBytes(const char* dump);
QByteArray readFileBytes(const QString& path);
void writeFileBytes(const QString& path, const QByteArray& bytes);
// Keeps a copy of an interesting map file as a seed for the map reader's fuzzer.
void addFuzzSeed(const QString& name, const QByteArray& bytes);
// A line through `points` (x, y), given as the editor hands them to the document: absolute, with
// the unused point 0 at the origin.
MapLine lineThrough(std::initializer_list<std::pair<int, int>> points, int width = 1,
                    std::uint32_t color = 0);

// An EC certificate valid two days, made by openssl in `folder`: self-signed or signed by
// `issuer`, for `altName` ("IP:127.0.0.1", "DNS:autre.test"). Null on failure (the test fails).
struct TestCertificate {
    QSslCertificate certificate;
    QSslKey key;
    QString fingerprint; // SHA-256, "AB:CD:..."
    QString pemPath;     // the certificate, then its key: what pyftpdlib takes
    QString certificatePath, keyPath;
};
TestCertificate makeCertificate(const QString& folder, const QString& name, const QString& altName,
                                const TestCertificate* issuer = nullptr);

} // namespace grivendale::testing
