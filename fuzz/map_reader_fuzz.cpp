#include "document/map_file.h"

#include <cstddef>
#include <cstdint>

// Any bytes must either parse into a document that obeys the repair rules or be refused.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    grivendale::MapDocument doc;
    const grivendale::MapLoadResult result = grivendale::parseMapFile(bytes, doc);
    if (!result.ok())
        return 0;
    for (std::int32_t i = 1; i <= doc.ItemCount; ++i) {
        const grivendale::MapItem& item = doc.Items[static_cast<std::size_t>(i)];
        if (item.isLive() && item.isLineEntry()) {
            const grivendale::MapLine* line = doc.line(item.RefIndex);
            if (!line || !line->isLive() || !line->pointsConsistent())
                __builtin_trap();
        }
    }
    // What was read must write back to the same record bytes.
    const QByteArray again = grivendale::serializeMapFile(doc);
    if (again.size() > bytes.size())
        __builtin_trap();
    return 0;
}
