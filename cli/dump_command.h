#pragma once

#include "document/map_document.h"

#include <QByteArray>

namespace grivendale::cli {

// The document as JSON, in the field order of the map file.
QByteArray dumpMapJson(const MapDocument& doc, std::int32_t version);

} // namespace grivendale::cli
