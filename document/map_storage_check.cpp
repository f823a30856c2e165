#include "document/map_storage_check.h"

#include "document/windows1252.h"

#include <QStringList>

namespace grivendale {

namespace {

// The 16-bit length field of a record's texts.
constexpr qsizetype kMaxTextBytes = 0xFFFF;
// A line of a message box, not a whole essay.
constexpr qsizetype kShownLength = 60;

void check(std::vector<StorageProblem>& out, const QString& where, const QString& text,
           qsizetype maxBytes) {
    const QString characters = unencodableWindows1252(text);
    if (!characters.isEmpty())
        out.push_back({StorageProblem::Kind::Replaced, where, text, characters});
    // Every stored character is one byte, whatever it was replaced by.
    if (encodeWindows1252(text).size() > maxBytes)
        out.push_back({StorageProblem::Kind::Cut, where, text, {}});
}

QString shown(const QString& text) {
    QString s = text.simplified();
    if (s.size() > kShownLength)
        s = s.left(kShownLength - 1) + QChar(0x2026);
    return s;
}

} // namespace

std::vector<StorageProblem> backgroundPathProblems(const QString& path) {
    std::vector<StorageProblem> problems;
    check(problems, QStringLiteral("le chemin du fond"), path, kBackgroundPathLength);
    return problems;
}

std::vector<StorageProblem> labelTextProblems(const QString& text) {
    std::vector<StorageProblem> problems;
    check(problems, QStringLiteral("le texte"), text, kMaxTextBytes);
    return problems;
}

std::vector<StorageProblem> storageProblems(const MapDocument& doc) {
    std::vector<StorageProblem> problems = backgroundPathProblems(doc.backgroundFile());
    for (std::int32_t i = 1; i <= doc.ItemCount && static_cast<std::size_t>(i) < doc.Items.size();
         ++i) {
        const MapItem& item = doc.Items[static_cast<std::size_t>(i)];
        if (item.InUse == kFalse)
            continue;
        const std::vector<StorageProblem> text = labelTextProblems(item.Text);
        problems.insert(problems.end(), text.begin(), text.end());
        check(problems, QStringLiteral("la police du texte"), item.FontName, kMaxTextBytes);
    }
    return problems;
}

QString describeStorageProblems(const std::vector<StorageProblem>& problems) {
    QStringList lines;
    for (const StorageProblem& p : problems) {
        if (p.kind == StorageProblem::Kind::Replaced) {
            QStringList characters;
            for (qsizetype i = 0; i < p.characters.size(); ++i) {
                // A character outside the basic plane is one surrogate pair.
                const qsizetype n =
                    p.characters[i].isHighSurrogate() && i + 1 < p.characters.size() ? 2 : 1;
                characters.append(p.characters.mid(i, n));
                i += n - 1;
            }
            lines.append(QStringLiteral("– %1 « %2 » : %3 ne peuvent pas être enregistrés et "
                                        "seront remplacés par « ? ».")
                             .arg(p.where, shown(p.text), characters.join(QStringLiteral(", "))));
        } else {
            lines.append(QStringLiteral("– %1 « %2 » est trop long et sera coupé.")
                             .arg(p.where, shown(p.text)));
        }
    }
    return lines.join(QLatin1Char('\n'));
}

} // namespace grivendale
