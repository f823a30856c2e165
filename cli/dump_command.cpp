#include "cli/dump_command.h"

#include "cli/json_writer.h"

namespace grivendale::cli {

namespace {

void writeItem(JsonWriter& json, std::int32_t slot, const MapItem& item) {
    json.beginObject();
    json.key("slot");
    json.value(slot);
    json.key("inUse");
    json.value(item.InUse);
    json.key("refIndex");
    json.value(item.RefIndex);
    json.key("x");
    json.value(item.X);
    json.key("y");
    json.value(item.Y);
    json.key("reserved");
    json.value(item.Reserved);
    json.key("isText");
    json.value(item.IsText);
    json.key("size");
    json.value(item.Size);
    json.key("color");
    json.value(std::int64_t{item.Color});
    json.key("text");
    json.value(item.Text);
    json.key("fontName");
    json.value(item.FontName);
    json.key("bold");
    json.value(item.Bold);
    json.key("italic");
    json.value(item.Italic);
    json.key("underline");
    json.value(item.Underline);
    json.key("width");
    json.value(item.Width);
    json.key("height");
    json.value(item.Height);
    json.endObject();
}

void writePoints(JsonWriter& json, const char* name, const PointArray& points) {
    json.key(name);
    if (points)
        json.valueArray(*points);
    else
        json.valueNull();
}

void writeLine(JsonWriter& json, std::int32_t slot, const MapLine& line) {
    json.beginObject();
    json.key("slot");
    json.value(slot);
    json.key("inUse");
    json.value(line.InUse);
    json.key("width");
    json.value(line.Width);
    json.key("pointCount");
    json.value(line.PointCount);
    writePoints(json, "pointX", line.PointX);
    writePoints(json, "pointY", line.PointY);
    json.key("color");
    json.value(std::int64_t{line.Color});
    json.key("smooth");
    json.value(line.Smooth);
    json.key("inBackground");
    json.value(line.InBackground);
    json.endObject();
}

} // namespace

QByteArray dumpMapJson(const MapDocument& doc, std::int32_t version) {
    JsonWriter json;
    json.beginObject();
    json.key("version");
    json.value(version);
    json.key("backgroundPath");
    json.value(doc.backgroundFile());

    // A loaded document holds exactly count + 1 slots of each array (none for a zero count).
    json.key("itemCount");
    json.value(doc.ItemCount);
    json.key("items");
    json.beginArray();
    if (doc.ItemCount != 0) {
        for (std::int32_t slot = 0; slot <= doc.ItemCount; ++slot)
            writeItem(json, slot, doc.Items[static_cast<std::size_t>(slot)]);
    }
    json.endArray();

    json.key("fillCount");
    json.value(doc.FillCount);
    json.key("fills");
    json.beginArray();
    if (doc.FillCount != 0) {
        for (std::int32_t slot = 0; slot <= doc.FillCount; ++slot) {
            const FillPoint& fill = doc.Fills[static_cast<std::size_t>(slot)];
            json.beginObject();
            json.key("slot");
            json.value(slot);
            json.key("x");
            json.value(fill.X);
            json.key("y");
            json.value(fill.Y);
            json.key("color");
            json.value(std::int64_t{fill.Color});
            json.endObject();
        }
    }
    json.endArray();

    json.key("lineCount");
    json.value(doc.LineCount);
    json.key("lines");
    json.beginArray();
    if (doc.LineCount != 0) {
        for (std::int32_t slot = 0; slot <= doc.LineCount; ++slot)
            writeLine(json, slot, doc.Lines[static_cast<std::size_t>(slot)]);
    }
    json.endArray();
    json.endObject();
    return json.bytes();
}

} // namespace grivendale::cli
