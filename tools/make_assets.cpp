// Draws the files shipped beside the editor: the default background map (prev.gif), the weather
// pictograms (picto/) and the user guide (readme.txt). Everything is generated here, so the
// assets can be remade or restyled from this one program:
//
//   QT_QPA_PLATFORM=offscreen make_assets ASSETS_DIR [--sheet CONTACT_SHEET.png]

#include <QByteArray>
#include <QColor>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRadialGradient>
#include <QSaveFile>
#include <QString>
#include <QStringList>
#include <QTextStream>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <numbers>
#include <optional>
#include <queue>
#include <unordered_map>
#include <utility>
#include <vector>

namespace grivendale {
namespace {

// ---------------------------------------------------------------------------------------------
// GIF writing. Qt's gif plugin only decodes, so the indexed image is LZW-encoded here.

struct IndexedImage {
    int width = 0;
    int height = 0;
    std::vector<QRgb> palette;       // at most 256 entries
    std::vector<std::uint8_t> index; // one per pixel, row after row
};

std::optional<IndexedImage> toIndexed(const QImage& source) {
    const QImage image = source.convertToFormat(QImage::Format_RGB32);
    IndexedImage out;
    out.width = image.width();
    out.height = image.height();
    out.index.reserve(static_cast<std::size_t>(out.width) * static_cast<std::size_t>(out.height));
    std::unordered_map<QRgb, std::uint8_t> lookup;
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb colour = row[x] | 0xFF000000u;
            auto found = lookup.find(colour);
            if (found == lookup.end()) {
                if (out.palette.size() == 256) {
                    return std::nullopt;
                }
                found = lookup.emplace(colour, static_cast<std::uint8_t>(out.palette.size())).first;
                out.palette.push_back(colour);
            }
            out.index.push_back(found->second);
        }
    }
    return out;
}

// Packs variable-width codes least significant bit first, as GIF wants.
class CodeWriter {
public:
    void put(int code, int width) {
        buffer_ |= static_cast<std::uint32_t>(code) << bits_;
        bits_ += width;
        while (bits_ >= 8) {
            bytes_.push_back(static_cast<char>(buffer_ & 0xFFu));
            buffer_ >>= 8;
            bits_ -= 8;
        }
    }
    QByteArray finish() {
        if (bits_ > 0) {
            bytes_.push_back(static_cast<char>(buffer_ & 0xFFu));
        }
        return bytes_;
    }

private:
    QByteArray bytes_;
    std::uint32_t buffer_ = 0;
    int bits_ = 0;
};

QByteArray lzwCompress(const std::vector<std::uint8_t>& pixels, int minCodeSize) {
    const int clearCode = 1 << minCodeSize;
    const int endCode = clearCode + 1;
    constexpr int kMaxCodes = 4096;
    std::unordered_map<std::uint32_t, int> table;
    int nextCode = endCode + 1;
    int codeSize = minCodeSize + 1;
    CodeWriter writer;
    writer.put(clearCode, codeSize);
    if (pixels.empty()) {
        writer.put(endCode, codeSize);
        return writer.finish();
    }
    int prefix = pixels.front();
    for (std::size_t i = 1; i < pixels.size(); ++i) {
        const int symbol = pixels[i];
        const std::uint32_t key = (static_cast<std::uint32_t>(prefix) << 8) | symbol;
        const auto found = table.find(key);
        if (found != table.end()) {
            prefix = found->second;
            continue;
        }
        writer.put(prefix, codeSize);
        if (nextCode < kMaxCodes) {
            table.emplace(key, nextCode++);
            // The decoder adds its entry one code later, so it widens when this one passes
            // the power of two.
            if (nextCode > (1 << codeSize) && codeSize < 12) {
                ++codeSize;
            }
        } else {
            writer.put(clearCode, codeSize);
            table.clear();
            nextCode = endCode + 1;
            codeSize = minCodeSize + 1;
        }
        prefix = symbol;
    }
    writer.put(prefix, codeSize);
    writer.put(endCode, codeSize);
    return writer.finish();
}

void putWord(QByteArray& out, int value) {
    out.push_back(static_cast<char>(value & 0xFF));
    out.push_back(static_cast<char>((value >> 8) & 0xFF));
}

QByteArray encodeGif(const IndexedImage& image) {
    int tableBits = 1; // the colour table holds 2^tableBits entries
    while ((1 << tableBits) < static_cast<int>(image.palette.size())) {
        ++tableBits;
    }
    QByteArray out("GIF89a");
    putWord(out, image.width);
    putWord(out, image.height);
    out.push_back(static_cast<char>(0x80 | 0x70 | (tableBits - 1))); // global table, 8-bit
    out.push_back('\0');                                             // background index
    out.push_back('\0');                                             // square pixels
    for (int i = 0; i < (1 << tableBits); ++i) {
        const QRgb colour = i < static_cast<int>(image.palette.size())
                                ? image.palette[static_cast<std::size_t>(i)]
                                : qRgb(0, 0, 0);
        out.push_back(static_cast<char>(qRed(colour)));
        out.push_back(static_cast<char>(qGreen(colour)));
        out.push_back(static_cast<char>(qBlue(colour)));
    }
    out.push_back(',');
    putWord(out, 0);
    putWord(out, 0);
    putWord(out, image.width);
    putWord(out, image.height);
    out.push_back('\0'); // no local table, not interlaced
    const int minCodeSize = std::max(2, tableBits);
    out.push_back(static_cast<char>(minCodeSize));
    const QByteArray data = lzwCompress(image.index, minCodeSize);
    for (qsizetype at = 0; at < data.size(); at += 255) {
        const qsizetype length = std::min<qsizetype>(255, data.size() - at);
        out.push_back(static_cast<char>(length));
        out.append(data.mid(at, length));
    }
    out.push_back('\0');
    out.push_back(';');
    return out;
}

// ---------------------------------------------------------------------------------------------
// Writing files, each checked by decoding it back.

bool samePixels(const QImage& a, const QImage& b) {
    const QImage left = a.convertToFormat(QImage::Format_RGB32);
    const QImage right = b.convertToFormat(QImage::Format_RGB32);
    if (left.size() != right.size()) {
        return false;
    }
    for (int y = 0; y < left.height(); ++y) {
        const auto* l = reinterpret_cast<const QRgb*>(left.constScanLine(y));
        const auto* r = reinterpret_cast<const QRgb*>(right.constScanLine(y));
        for (int x = 0; x < left.width(); ++x) {
            if ((l[x] | 0xFF000000u) != (r[x] | 0xFF000000u)) {
                return false;
            }
        }
    }
    return true;
}

bool writeBytes(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        return false;
    }
    return file.commit();
}

bool writeGif(const QImage& image, const QString& path) {
    const std::optional<IndexedImage> indexed = toIndexed(image);
    if (!indexed || !writeBytes(path, encodeGif(*indexed))) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    if (!samePixels(QImage(path, "GIF"), image)) {
        std::fprintf(stderr, "%s does not decode to the drawn pixels\n", qPrintable(path));
        return false;
    }
    return true;
}

bool writeWithQt(const QImage& image, const QString& path, const char* format) {
    if (!image.save(path, format)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    const QImage back(path, format);
    const bool same = image.hasAlphaChannel() ? back.convertToFormat(QImage::Format_ARGB32) ==
                                                    image.convertToFormat(QImage::Format_ARGB32)
                                              : samePixels(back, image);
    if (!same) {
        std::fprintf(stderr, "%s does not decode to the drawn pixels\n", qPrintable(path));
        return false;
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// The background map: a fictional coast with two land masses, islands and regions, in flat
// colours with exact one-pixel black borders, so that a flood fill of one colour stays inside
// its region whether it spreads to 4 or to 8 neighbours.

constexpr int kMapWidth = 800;
constexpr int kMapHeight = 600;
const QRgb kSea = qRgb(178, 216, 242);
const QRgb kLand = qRgb(246, 242, 224);
const QRgb kBorder = qRgb(0, 0, 0);

std::uint32_t hashCell(int x, int y, std::uint32_t seed) {
    std::uint32_t h = seed * 0x9E3779B9u;
    h ^= static_cast<std::uint32_t>(x) * 0x85EBCA6Bu;
    h = (h << 13) | (h >> 19);
    h ^= static_cast<std::uint32_t>(y) * 0xC2B2AE35u;
    h ^= h >> 16;
    h *= 0x7FEB352Du;
    h ^= h >> 15;
    h *= 0x846CA68Bu;
    h ^= h >> 16;
    return h;
}

// Smooth value noise in [0, 1].
double valueNoise(double x, double y, std::uint32_t seed) {
    const double fx = std::floor(x);
    const double fy = std::floor(y);
    const int ix = static_cast<int>(fx);
    const int iy = static_cast<int>(fy);
    const auto smooth = [](double t) { return t * t * (3.0 - 2.0 * t); };
    const double tx = smooth(x - fx);
    const double ty = smooth(y - fy);
    const auto at = [&](int dx, int dy) {
        return (hashCell(ix + dx, iy + dy, seed) & 0xFFFFFFu) / double(0xFFFFFF);
    };
    const double top = at(0, 0) + (at(1, 0) - at(0, 0)) * tx;
    const double bottom = at(0, 1) + (at(1, 1) - at(0, 1)) * tx;
    return top + (bottom - top) * ty;
}

// Several octaves of noise, centred on 0, roughly in [-1, 1].
double fractalNoise(double x, double y, std::uint32_t seed, int octaves) {
    double sum = 0.0;
    double amplitude = 1.0;
    double total = 0.0;
    for (int octave = 0; octave < octaves; ++octave) {
        sum += amplitude * (valueNoise(x, y, seed + static_cast<std::uint32_t>(octave)) - 0.5);
        total += amplitude;
        x *= 2.03;
        y *= 2.03;
        amplitude *= 0.58;
    }
    return 2.0 * sum / total;
}

// An elliptic patch of land, or of water dug into the land.
struct Blob {
    double cx, cy, rx, ry;
    bool water = false;
};

const std::vector<Blob> kBlobs = {
    {225, 235, 215, 165},      // the western continent
    {60, 40, 160, 110},        // its northern shore runs off the map
    {650, 455, 160, 110},      // the south-eastern land
    {740, 570, 120, 70},       // which runs off the bottom edge
    {470, 330, 34, 150, true}, // the strait between the two
    {200, 200, 26, 20, true},  // a lake
    {560, 115, 46, 32},        // islands
    {700, 240, 30, 22},        {120, 520, 44, 30}, {385, 515, 28, 22},
    {760, 80, 24, 20},         {460, 180, 18, 15},
};

// How far inside a blob a point lies, in pixels (negative outside), with a fractal coast
// whose reach follows the blob's size, so islands stay islands but none is a plain oval.
double blobDepth(const Blob& blob, double x, double y, double noise) {
    const double dx = (x - blob.cx) / blob.rx;
    const double dy = (y - blob.cy) / blob.ry;
    const double size = std::min(blob.rx, blob.ry);
    const double reach = std::clamp(1.8 * size, 16.0, 120.0);
    return (1.0 - std::sqrt(dx * dx + dy * dy)) * size + noise * reach;
}

std::vector<std::uint8_t> landMask() {
    std::vector<std::uint8_t> land(static_cast<std::size_t>(kMapWidth) * kMapHeight);
    for (int y = 0; y < kMapHeight; ++y) {
        for (int x = 0; x < kMapWidth; ++x) {
            const double noise = fractalNoise(x / 85.0, y / 85.0, 11, 6);
            bool isLand = false;
            bool isWater = false;
            for (const Blob& blob : kBlobs) {
                if (blobDepth(blob, x, y, blob.water ? 0.5 * noise : noise) > 0) {
                    (blob.water ? isWater : isLand) = true;
                }
            }
            land[static_cast<std::size_t>(y) * kMapWidth + x] = isLand && !isWater ? 1 : 0;
        }
    }
    return land;
}

// Connected parts of equal labels (4-neighbour), numbered from 0, with their sizes.
struct Parts {
    std::vector<int> part;
    std::vector<int> size;
    std::vector<bool> touchesEdge;
};

Parts connectedParts(const std::vector<int>& labels) {
    Parts parts;
    parts.part.assign(labels.size(), -1);
    std::vector<int> stack;
    for (int start = 0; start < static_cast<int>(labels.size()); ++start) {
        if (parts.part[static_cast<std::size_t>(start)] >= 0) {
            continue;
        }
        const int id = static_cast<int>(parts.size.size());
        int count = 0;
        bool edge = false;
        parts.part[static_cast<std::size_t>(start)] = id;
        stack.push_back(start);
        while (!stack.empty()) {
            const int at = stack.back();
            stack.pop_back();
            ++count;
            const int x = at % kMapWidth;
            const int y = at / kMapWidth;
            edge = edge || x == 0 || y == 0 || x == kMapWidth - 1 || y == kMapHeight - 1;
            const auto visit = [&](int nx, int ny) {
                if (nx < 0 || ny < 0 || nx >= kMapWidth || ny >= kMapHeight) {
                    return;
                }
                const int next = ny * kMapWidth + nx;
                if (parts.part[static_cast<std::size_t>(next)] < 0 &&
                    labels[static_cast<std::size_t>(next)] ==
                        labels[static_cast<std::size_t>(at)]) {
                    parts.part[static_cast<std::size_t>(next)] = id;
                    stack.push_back(next);
                }
            };
            visit(x - 1, y);
            visit(x + 1, y);
            visit(x, y - 1);
            visit(x, y + 1);
        }
        parts.size.push_back(count);
        parts.touchesEdge.push_back(edge);
    }
    return parts;
}

// Drops specks of land and fills small ponds, leaving lakes of some size.
std::vector<int> cleanCoast(const std::vector<std::uint8_t>& mask) {
    std::vector<int> labels(mask.begin(), mask.end());
    const Parts parts = connectedParts(labels);
    for (std::size_t i = 0; i < labels.size(); ++i) {
        const auto part = static_cast<std::size_t>(parts.part[i]);
        if (labels[i] == 1 && parts.size[part] < 120) {
            labels[i] = 0;
        } else if (labels[i] == 0 && !parts.touchesEdge[part] && parts.size[part] < 600) {
            labels[i] = 1;
        }
    }
    return labels;
}

struct Seed {
    double x, y;
};

// Balanced regions for one land mass: a few rounds of k-means over a coarse sample of its
// pixels, started from spread-out points.
std::vector<Seed> regionSeeds(const std::vector<int>& partOf, int part, int count) {
    std::vector<Seed> samples;
    for (int y = 2; y < kMapHeight; y += 6) {
        for (int x = 2; x < kMapWidth; x += 6) {
            if (partOf[static_cast<std::size_t>(y) * kMapWidth + x] == part) {
                samples.push_back({double(x), double(y)});
            }
        }
    }
    Seed centre{0, 0};
    for (const Seed& s : samples) {
        centre.x += s.x / samples.size();
        centre.y += s.y / samples.size();
    }
    const auto distance2 = [](const Seed& a, const Seed& b) {
        return (a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y);
    };
    std::vector<Seed> seeds;
    seeds.push_back(*std::min_element(samples.begin(), samples.end(), [&](auto& a, auto& b) {
        return distance2(a, centre) < distance2(b, centre);
    }));
    while (static_cast<int>(seeds.size()) < count) {
        const auto nearest = [&](const Seed& s) {
            double best = 1e18;
            for (const Seed& seed : seeds) {
                best = std::min(best, distance2(s, seed));
            }
            return best;
        };
        seeds.push_back(*std::max_element(samples.begin(), samples.end(), [&](auto& a, auto& b) {
            return nearest(a) < nearest(b);
        }));
    }
    for (int round = 0; round < 12; ++round) {
        std::vector<Seed> sum(seeds.size(), Seed{0, 0});
        std::vector<int> members(seeds.size(), 0);
        for (const Seed& s : samples) {
            std::size_t best = 0;
            for (std::size_t k = 1; k < seeds.size(); ++k) {
                if (distance2(s, seeds[k]) < distance2(s, seeds[best])) {
                    best = k;
                }
            }
            sum[best].x += s.x;
            sum[best].y += s.y;
            ++members[best];
        }
        for (std::size_t k = 0; k < seeds.size(); ++k) {
            if (members[k] > 0) {
                seeds[k] = {sum[k].x / members[k], sum[k].y / members[k]};
            }
        }
    }
    return seeds;
}

// Splits the two large land masses into regions with winding borders; every other piece of
// land is a region of its own. Sea keeps label 0.
std::vector<int> splitRegions(const std::vector<int>& coast) {
    const Parts parts = connectedParts(coast);
    std::vector<int> partIsLand(parts.size.size(), 0);
    for (std::size_t at = 0; at < coast.size(); ++at) {
        partIsLand[static_cast<std::size_t>(parts.part[at])] = coast[at];
    }
    std::vector<std::pair<int, int>> landBySize; // (size, part)
    for (std::size_t part = 0; part < parts.size.size(); ++part) {
        if (partIsLand[part] != 0) {
            landBySize.emplace_back(parts.size[part], static_cast<int>(part));
        }
    }
    std::sort(landBySize.rbegin(), landBySize.rend());
    std::map<int, std::vector<Seed>> seedsOf;
    const int regionCounts[] = {7, 4};
    for (std::size_t i = 0; i < std::min<std::size_t>(2, landBySize.size()); ++i) {
        seedsOf[landBySize[i].second] =
            regionSeeds(parts.part, landBySize[i].second, regionCounts[i]);
    }
    std::vector<int> labels(coast.size(), 0);
    for (int y = 0; y < kMapHeight; ++y) {
        for (int x = 0; x < kMapWidth; ++x) {
            const auto at = static_cast<std::size_t>(y) * kMapWidth + x;
            if (coast[at] == 0) {
                continue;
            }
            const int part = parts.part[at];
            const auto seeds = seedsOf.find(part);
            if (seeds == seedsOf.end()) {
                labels[at] = 1 + part * 16;
                continue;
            }
            // Bent coordinates give the borders the wander of rivers and ridges.
            const double wx = x + 30.0 * fractalNoise(x / 70.0, y / 70.0, 101, 4);
            const double wy = y + 30.0 * fractalNoise(x / 70.0, y / 70.0, 202, 4);
            std::size_t best = 0;
            double bestDistance = 1e18;
            for (std::size_t k = 0; k < seeds->second.size(); ++k) {
                const double dx = wx - seeds->second[k].x;
                const double dy = wy - seeds->second[k].y;
                if (dx * dx + dy * dy < bestDistance) {
                    bestDistance = dx * dx + dy * dy;
                    best = k;
                }
            }
            labels[at] = 1 + part * 16 + static_cast<int>(best);
        }
    }
    return labels;
}

// Folds small scraps of a region into the land region they touch most.
void mergeScraps(std::vector<int>& labels) {
    for (int pass = 0; pass < 6; ++pass) {
        const Parts parts = connectedParts(labels);
        std::vector<std::map<int, int>> neighbours(parts.size.size());
        for (int y = 0; y < kMapHeight; ++y) {
            for (int x = 0; x < kMapWidth; ++x) {
                const auto at = static_cast<std::size_t>(y) * kMapWidth + x;
                const auto part = static_cast<std::size_t>(parts.part[at]);
                if (labels[at] == 0 || parts.size[part] >= 400) {
                    continue;
                }
                const auto look = [&](int nx, int ny) {
                    if (nx < 0 || ny < 0 || nx >= kMapWidth || ny >= kMapHeight) {
                        return;
                    }
                    const int other = labels[static_cast<std::size_t>(ny) * kMapWidth + nx];
                    if (other != 0 && other != labels[at]) {
                        ++neighbours[part][other];
                    }
                };
                look(x - 1, y);
                look(x + 1, y);
                look(x, y - 1);
                look(x, y + 1);
            }
        }
        bool changed = false;
        for (std::size_t at = 0; at < labels.size(); ++at) {
            const auto& around = neighbours[static_cast<std::size_t>(parts.part[at])];
            if (!around.empty()) {
                labels[at] = std::max_element(around.begin(), around.end(), [](auto& a, auto& b) {
                                 return a.second < b.second;
                             })->first;
                changed = true;
            }
        }
        if (!changed) {
            return;
        }
    }
}

// The neighbours to the right and below, straight and diagonal: each touching pair of pixels
// is seen once from its upper (or left) member.
constexpr std::pair<int, int> kLowerNeighbours[] = {{1, 0}, {0, 1}, {1, 1}, {-1, 1}};

QImage drawMap(const std::vector<int>& labels) {
    QImage map(kMapWidth, kMapHeight, QImage::Format_RGB32);
    const auto label = [&](int x, int y) {
        return labels[static_cast<std::size_t>(y) * kMapWidth + x];
    };
    for (int y = 0; y < kMapHeight; ++y) {
        auto* row = reinterpret_cast<QRgb*>(map.scanLine(y));
        for (int x = 0; x < kMapWidth; ++x) {
            // A pixel turns black when a neighbour to its right or below (straight or
            // diagonal) lies in another region: every pair of touching pixels from two
            // regions then has a black one, and diagonal leaks cannot happen.
            const int own = label(x, y);
            bool edge = false;
            for (const auto& [dx, dy] : kLowerNeighbours) {
                const int nx = x + dx;
                const int ny = y + dy;
                if (nx >= 0 && nx < kMapWidth && ny < kMapHeight && label(nx, ny) != own) {
                    edge = true;
                }
            }
            row[x] = edge ? kBorder : (own == 0 ? kSea : kLand);
        }
    }
    // Pockets of a few pixels shut in by borders would only be specks: ink them.
    std::vector<int> colourParts(labels.size());
    for (int y = 0; y < kMapHeight; ++y) {
        for (int x = 0; x < kMapWidth; ++x) {
            colourParts[static_cast<std::size_t>(y) * kMapWidth + x] =
                map.pixel(x, y) == kBorder ? -1 : label(x, y);
        }
    }
    const Parts parts = connectedParts(colourParts);
    for (std::size_t at = 0; at < labels.size(); ++at) {
        if (colourParts[at] >= 0 && parts.size[static_cast<std::size_t>(parts.part[at])] < 16) {
            map.setPixel(static_cast<int>(at % kMapWidth), static_cast<int>(at / kMapWidth),
                         kBorder);
        }
    }
    return map;
}

// Checks that no two 8-neighbour non-black pixels belong to different regions.
bool regionsSealed(const QImage& map, const std::vector<int>& labels) {
    for (int y = 0; y + 1 < kMapHeight; ++y) {
        for (int x = 0; x < kMapWidth; ++x) {
            if (map.pixel(x, y) == kBorder) {
                continue;
            }
            const int own = labels[static_cast<std::size_t>(y) * kMapWidth + x];
            for (const auto& [dx, dy] : kLowerNeighbours) {
                const int nx = x + dx;
                const int ny = y + dy;
                if (nx < 0 || nx >= kMapWidth || map.pixel(nx, ny) == kBorder) {
                    continue;
                }
                if (labels[static_cast<std::size_t>(ny) * kMapWidth + nx] != own) {
                    return false;
                }
            }
        }
    }
    return true;
}

std::optional<QImage> makeMap() {
    std::vector<int> labels = splitRegions(cleanCoast(landMask()));
    mergeScraps(labels);
    const QImage map = drawMap(labels);
    if (!regionsSealed(map, labels)) {
        std::fprintf(stderr, "a region border has a gap\n");
        return std::nullopt;
    }
    return map;
}

// ---------------------------------------------------------------------------------------------
// Pictograms. One style throughout: soft vertical gradients, a darker 1.5 px outline that keeps
// them readable on the pale map, clouds built from the same outline.

constexpr int kPicto = 40;
const QRgb kKey = qRgb(255, 0, 255);

QImage transparentCanvas() {
    QImage image(kPicto, kPicto, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

QImage keyedCanvas() {
    QImage image(kPicto, kPicto, QImage::Format_RGB32);
    image.fill(kKey);
    return image;
}

QLinearGradient vertical(double top, double bottom, const QColor& upper, const QColor& lower) {
    QLinearGradient gradient(0, top, 0, bottom);
    gradient.setColorAt(0, upper);
    gradient.setColorAt(1, lower);
    return gradient;
}

void outlined(QPainter& p, const QPainterPath& shape, const QBrush& fill, const QColor& line,
              double width = 1.5) {
    p.setPen(QPen(line, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(fill);
    p.drawPath(shape);
}

QPainterPath circle(double cx, double cy, double r) {
    QPainterPath path;
    path.addEllipse(QPointF(cx, cy), r, r);
    return path;
}

QPainterPath cloudShape(const QRectF& box) {
    const double w = box.width();
    const double h = box.height();
    QPainterPath base;
    const double baseTop = box.top() + h * 0.45;
    const double radius = (box.bottom() - baseTop) / 2.0;
    base.addRoundedRect(QRectF(box.left(), baseTop, w, box.bottom() - baseTop), radius, radius);
    return base.united(circle(box.left() + w * 0.31, box.top() + h * 0.58, h * 0.30))
        .united(circle(box.left() + w * 0.60, box.top() + h * 0.42, h * 0.42))
        .united(circle(box.left() + w * 0.82, box.top() + h * 0.66, h * 0.24))
        .simplified();
}

enum class CloudTone { White, Grey, Dark };

void drawCloud(QPainter& p, const QRectF& box, CloudTone tone) {
    const QPainterPath shape = cloudShape(box);
    switch (tone) {
    case CloudTone::White:
        outlined(p, shape,
                 vertical(box.top(), box.bottom(), QColor(255, 255, 255), QColor(214, 223, 233)),
                 QColor(92, 108, 126));
        break;
    case CloudTone::Grey:
        outlined(p, shape,
                 vertical(box.top(), box.bottom(), QColor(192, 200, 210), QColor(140, 151, 164)),
                 QColor(68, 80, 94));
        break;
    case CloudTone::Dark:
        outlined(p, shape,
                 vertical(box.top(), box.bottom(), QColor(130, 140, 154), QColor(82, 92, 106)),
                 QColor(44, 52, 62));
        break;
    }
}

void drawSun(QPainter& p, QPointF centre, double discRadius, double rayLength, int rays = 8,
             QColor light = QColor(255, 240, 120), QColor deep = QColor(255, 180, 0),
             QColor line = QColor(214, 118, 0)) {
    QPainterPath rayShapes;
    const double halfWidth = discRadius * 0.34;
    for (int i = 0; i < rays; ++i) {
        const double angle = 2.0 * std::numbers::pi * i / rays - std::numbers::pi / 2.0;
        const QPointF along(std::cos(angle), std::sin(angle));
        const QPointF across(-along.y(), along.x());
        const double from = discRadius + 1.8;
        QPolygonF ray;
        ray << centre + along * from + across * halfWidth
            << centre + along * (discRadius + rayLength)
            << centre + along * from - across * halfWidth;
        QPainterPath path;
        path.addPolygon(ray);
        path.closeSubpath();
        rayShapes = rayShapes.united(path);
    }
    outlined(p, rayShapes, deep, line, 1.2);
    QRadialGradient glow(centre - QPointF(discRadius, discRadius) * 0.35, discRadius * 1.4);
    glow.setColorAt(0, light);
    glow.setColorAt(1, deep);
    outlined(p, circle(centre.x(), centre.y(), discRadius), glow, line);
}

const QColor kRain(30, 110, 210);
const QColor kRainLine(16, 70, 150);
const QColor kSnow(38, 118, 196);

void drawStreak(QPainter& p, QPointF top) {
    p.setPen(QPen(kRain, 2.4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(top, top + QPointF(-2.8, 7.0));
}

void drawDrop(QPainter& p, QPointF tip) {
    QPainterPath drop;
    drop.moveTo(tip);
    drop.cubicTo(tip + QPointF(1.2, 2.6), tip + QPointF(3.2, 4.4), tip + QPointF(3.2, 6.2));
    drop.cubicTo(tip + QPointF(3.2, 8.2), tip + QPointF(1.6, 9.2), tip + QPointF(0, 9.2));
    drop.cubicTo(tip + QPointF(-1.6, 9.2), tip + QPointF(-3.2, 8.2), tip + QPointF(-3.2, 6.2));
    drop.cubicTo(tip + QPointF(-3.2, 4.4), tip + QPointF(-1.2, 2.6), tip);
    outlined(p, drop, vertical(tip.y(), tip.y() + 9, QColor(110, 180, 250), kRain), kRainLine, 1.1);
}

void drawFlake(QPainter& p, QPointF centre, double radius, const QColor& colour, double width) {
    p.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 3; ++i) {
        const double angle = std::numbers::pi * i / 3.0 + std::numbers::pi / 2.0;
        const QPointF arm(std::cos(angle) * radius, std::sin(angle) * radius);
        p.drawLine(centre - arm, centre + arm);
    }
}

QImage picSoleil() {
    QImage image = transparentCanvas();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    drawSun(p, {20, 20}, 9.0, 9.5);
    return image;
}

QImage picEclaircies() {
    QImage image = transparentCanvas();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    drawSun(p, {25.5, 14}, 7.0, 6.5);
    drawCloud(p, {1.5, 14.5, 31, 22}, CloudTone::White);
    return image;
}

QImage picNuageux() {
    QImage image = transparentCanvas();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    drawCloud(p, {15, 5, 23, 16}, CloudTone::Grey);
    drawCloud(p, {1.5, 11.5, 32, 24}, CloudTone::White);
    return image;
}

QImage picCouvert() {
    QImage image = transparentCanvas();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    drawCloud(p, {11, 4, 27, 19}, CloudTone::Dark);
    drawCloud(p, {1.5, 12, 33, 24}, CloudTone::Grey);
    return image;
}

QImage picPluie() {
    QImage image = transparentCanvas();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    for (const QPointF top : {QPointF(11, 28), QPointF(19.5, 28), QPointF(28, 28),
                              QPointF(15.5, 31.5), QPointF(24, 31.5)}) {
        drawStreak(p, top);
    }
    drawCloud(p, {2, 3, 35, 25}, CloudTone::Grey);
    return image;
}

QImage picAverses() {
    QImage image = transparentCanvas();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    drawSun(p, {27, 11}, 6.0, 5.5);
    drawCloud(p, {1.5, 8, 31, 21}, CloudTone::White);
    drawDrop(p, {10, 29});
    drawDrop(p, {20, 29.5});
    return image;
}

QImage picOrage() {
    QImage image = transparentCanvas();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    drawCloud(p, {2, 2, 35, 25}, CloudTone::Dark);
    QPainterPath bolt;
    bolt.addPolygon(QPolygonF(
        {{22, 17}, {13, 29}, {19, 29}, {15.5, 38.5}, {28, 24.5}, {21.5, 24.5}, {27, 17}}));
    bolt.closeSubpath();
    outlined(p, bolt, vertical(17, 38, QColor(255, 238, 110), QColor(255, 190, 20)),
             QColor(150, 84, 0), 1.3);
    return image;
}

QImage picNeige() {
    QImage image = transparentCanvas();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    drawCloud(p, {2, 2, 35, 25}, CloudTone::White);
    drawFlake(p, {10, 32}, 4.2, kSnow, 1.8);
    drawFlake(p, {20, 34}, 4.2, kSnow, 1.8);
    drawFlake(p, {30, 32}, 4.2, kSnow, 1.8);
    return image;
}

QImage picPluieNeige() {
    QImage image = transparentCanvas();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    drawStreak(p, {12.5, 28.5});
    drawStreak(p, {29.5, 28.5});
    drawCloud(p, {2, 2, 35, 25}, CloudTone::Grey);
    drawFlake(p, {19.5, 33}, 4.4, kSnow, 1.8);
    return image;
}

QImage picGrele() {
    QImage image = transparentCanvas();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    drawCloud(p, {2, 2, 35, 25}, CloudTone::Grey);
    for (const QPointF c : {QPointF(10, 31), QPointF(20, 34), QPointF(30, 31), QPointF(15, 37.5),
                            QPointF(25, 37.5)}) {
        QRadialGradient ice(c - QPointF(0.8, 0.8), 2.8);
        ice.setColorAt(0, QColor(255, 255, 255));
        ice.setColorAt(1, QColor(196, 222, 246));
        outlined(p, circle(c.x(), c.y(), 2.3), ice, QColor(52, 96, 150), 1.1);
    }
    return image;
}

QPainterPath starShape(QPointF centre, double radius) {
    QPolygonF star;
    for (int i = 0; i < 8; ++i) {
        const double angle = std::numbers::pi * i / 4.0 - std::numbers::pi / 2.0;
        const double r = i % 2 == 0 ? radius : radius * 0.36;
        star << centre + QPointF(std::cos(angle) * r, std::sin(angle) * r);
    }
    QPainterPath path;
    path.addPolygon(star);
    path.closeSubpath();
    return path;
}

QImage picNuitClaire() {
    QImage image = transparentCanvas();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QPainterPath moon = circle(17, 21, 14).subtracted(circle(25, 14, 11.5));
    outlined(p, moon, vertical(7, 35, QColor(255, 246, 170), QColor(244, 200, 60)),
             QColor(150, 110, 20));
    const QColor starFill(255, 226, 90);
    const QColor starLine(160, 116, 10);
    outlined(p, starShape({30, 25}, 5.0), starFill, starLine, 1.1);
    outlined(p, starShape({33, 9}, 3.8), starFill, starLine, 1.1);
    return image;
}

QImage picCanicule() {
    QImage image = transparentCanvas();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    drawSun(p, {12.5, 12.5}, 6.0, 4.2, 8, QColor(255, 200, 90), QColor(250, 110, 30),
            QColor(180, 50, 10));
    QPainterPath tube;
    tube.addRoundedRect(QRectF(23, 3, 8, 27), 4, 4);
    const QPainterPath glass = tube.united(circle(27, 32, 6)).simplified();
    outlined(p, glass, QColor(255, 255, 255), QColor(70, 70, 78));
    QPainterPath column;
    column.addRoundedRect(QRectF(25.3, 8, 3.4, 23), 1.7, 1.7);
    const QPainterPath mercury = column.united(circle(27, 32, 4)).simplified();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(222, 40, 40));
    p.drawPath(mercury);
    p.setPen(QPen(QColor(70, 70, 78), 1.2, Qt::SolidLine, Qt::RoundCap));
    for (const double y : {9.0, 14.0, 19.0, 24.0}) {
        p.drawLine(QPointF(32.8, y), QPointF(35.3, y));
    }
    return image;
}

// A tropical storm: an open eye with two tapering arms.
QImage picTempete() {
    QImage image = transparentCanvas();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF centre(20, 20);
    QPainterPath shape = circle(20, 20, 8.5);
    for (int arm = 0; arm < 2; ++arm) {
        const double start = arm * std::numbers::pi - std::numbers::pi / 2.0;
        QPolygonF outer;
        QPolygonF inner;
        constexpr int kSteps = 24;
        for (int i = 0; i <= kSteps; ++i) {
            const double t = double(i) / kSteps;
            const double angle = start - t * std::numbers::pi * 0.78;
            const double r = 5.5 + t * 12.5;
            const double half = 4.0 * (1.0 - t) + 0.35;
            const QPointF radial(std::cos(angle), std::sin(angle));
            outer << centre + radial * (r + half);
            inner << centre + radial * (r - half);
        }
        std::reverse(inner.begin(), inner.end());
        QPainterPath path;
        path.addPolygon(outer + inner);
        path.closeSubpath();
        shape = shape.united(path);
    }
    shape = shape.subtracted(circle(20, 20, 3.6)).simplified();
    QRadialGradient fill(centre, 19);
    fill.setColorAt(0, QColor(240, 80, 70));
    fill.setColorAt(1, QColor(186, 24, 30));
    outlined(p, shape, fill, QColor(110, 10, 16), 1.4);
    return image;
}

// The colour-keyed ones are drawn without antialiasing: only exact colours, the magenta key
// around them.

QImage picBrouillard() {
    QImage image = keyedCanvas();
    QPainter p(&image);
    const QColor fill(170, 178, 188);
    const QColor line(84, 94, 106);
    const int bars[][3] = {{5, 7, 33}, {9, 14, 36}, {3, 21, 32}, {8, 28, 35}};
    for (const auto& bar : bars) {
        const QRect outer(bar[0], bar[1], bar[2] - bar[0], 5);
        p.fillRect(outer, line);
        p.fillRect(outer.adjusted(1, 1, -1, -1), fill);
        // Rounded ends: the four corner pixels go back to the key.
        for (const QPoint corner :
             {outer.topLeft(), outer.topRight(), outer.bottomLeft(), outer.bottomRight()}) {
            p.fillRect(QRect(corner, QSize(1, 1)), QColor(kKey));
        }
    }
    return image;
}

QImage picVent() {
    QImage image = keyedCanvas();
    QPainter p(&image);
    p.setPen(QPen(QColor(52, 96, 140), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    QPainterPath upper;
    upper.moveTo(3, 14);
    upper.lineTo(27, 14);
    upper.cubicTo(33, 14, 35, 9, 33, 6.5);
    upper.cubicTo(31, 4, 26.5, 4.5, 26, 8.5);
    p.drawPath(upper);
    QPainterPath middle;
    middle.moveTo(6, 21);
    middle.lineTo(34, 21);
    p.drawPath(middle);
    QPainterPath lower;
    lower.moveTo(3, 28);
    lower.lineTo(21, 28);
    lower.cubicTo(27, 28, 29, 33, 27, 35.5);
    lower.cubicTo(25, 38, 20.5, 37.5, 20, 33.5);
    p.drawPath(lower);
    return image;
}

QImage picGel() {
    QImage image = keyedCanvas();
    QPainter p(&image);
    const QPointF centre(19.5, 19.5);
    p.setPen(QPen(QColor(24, 90, 170), 2, Qt::SolidLine, Qt::FlatCap));
    for (int i = 0; i < 6; ++i) {
        const double angle = std::numbers::pi * i / 3.0 - std::numbers::pi / 2.0;
        const QPointF along(std::cos(angle), std::sin(angle));
        p.drawLine(centre, centre + along * 17.0);
        for (const double at : {8.0, 13.0}) {
            const QPointF stem = centre + along * at;
            const double branch = at < 10 ? 5.0 : 3.5;
            for (const double turn : {-std::numbers::pi / 3.0, std::numbers::pi / 3.0}) {
                const QPointF side(std::cos(angle + turn), std::sin(angle + turn));
                p.drawLine(stem, stem + side * branch);
            }
        }
    }
    p.setBrush(QColor(200, 228, 250));
    p.setPen(QPen(QColor(24, 90, 170), 1));
    QPolygonF hexagon;
    for (int i = 0; i < 6; ++i) {
        const double angle = std::numbers::pi * i / 3.0 - std::numbers::pi / 2.0;
        hexagon << centre + QPointF(std::cos(angle), std::sin(angle)) * 4.0;
    }
    p.drawPolygon(hexagon);
    return image;
}

enum class Format { Png, Bmp, Gif };

struct Pictogram {
    const char* name;
    Format format;
    std::function<QImage()> draw;
    bool keyFile = false; // writes "<file>.tcolor" naming the transparent colour
};

QString fileName(const Pictogram& picto) {
    const char* extension = picto.format == Format::Png   ? ".png"
                            : picto.format == Format::Bmp ? ".bmp"
                                                          : ".gif";
    return QString::fromLatin1(picto.name) + QString::fromLatin1(extension);
}

std::vector<Pictogram> pictograms() {
    return {
        {"soleil", Format::Png, picSoleil},
        {"eclaircies", Format::Png, picEclaircies},
        {"nuageux", Format::Png, picNuageux},
        {"couvert", Format::Png, picCouvert},
        {"pluie", Format::Png, picPluie},
        {"averses", Format::Png, picAverses},
        {"orage", Format::Png, picOrage},
        {"neige", Format::Png, picNeige},
        {"pluie-neige", Format::Png, picPluieNeige},
        {"brouillard", Format::Bmp, picBrouillard},
        {"vent", Format::Gif, picVent},
        {"grele", Format::Png, picGrele},
        {"nuit-claire", Format::Png, picNuitClaire},
        {"gel", Format::Bmp, picGel, true},
        {"canicule", Format::Png, picCanicule},
        {"tempete", Format::Png, picTempete},
    };
}

bool writePictogram(const Pictogram& picto, const QImage& image, const QString& folder) {
    const QString path = folder + QLatin1Char('/') + fileName(picto);
    switch (picto.format) {
    case Format::Png:
        return writeWithQt(image.convertToFormat(QImage::Format_ARGB32), path, "PNG");
    case Format::Bmp:
        if (!writeWithQt(image, path, "BMP")) {
            return false;
        }
        break;
    case Format::Gif:
        if (!writeGif(image, path)) {
            return false;
        }
        break;
    }
    if (picto.keyFile) {
        const QByteArray key = " " + QByteArray::number(qRed(kKey)) + " \r\n " +
                               QByteArray::number(qGreen(kKey)) + " \r\n " +
                               QByteArray::number(qBlue(kKey)) + " \r\n";
        return writeBytes(path + QStringLiteral(".tcolor"), key);
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// The user guide, stored in Windows-1252 with CR LF line ends, as the editor reads it.

const char* const kReadme = R"(Grivendale - mode d'emploi
==========================

Grivendale compose des cartes météo : un fond de carte, des pictogrammes, des textes,
des lignes et des zones coloriées. Au démarrage, le fond est prev.gif, à côté du programme
(« Changer fond » en choisit un autre, « Effacer tout » vide la carte).

Ajouter des éléments (choisissez d'abord l'outil)
  - « Ajouter : » pose un pictogramme : choisissez-le dans la liste des pictogrammes
    disponibles, puis cliquez sur la carte à l'endroit voulu.
  - « Ajouter texte » : cliquez sur la carte et tapez le texte. « Changer police »
    règle la police, la taille et le style ; « Changer » à côté de chaque couleur
    choisit les couleurs du texte, des lignes et du remplissage.
  - « Ajouter lignes » : tracez la ligne point par point sur la carte, dans la taille
    et la couleur choisies. « Lisser en courbe » arrondit la ligne en courbe ;
    « Inclure dans le fond » l'intègre au fond de carte, sous les pictogrammes et
    les textes.
  - « Remplir » : cliquez dans une région de la carte ; la couleur de remplissage
    s'étend jusqu'aux bordures noires.

Sélectionner et déplacer
  Avec « Selectionner / bouger », cliquez sur un élément pour le sélectionner et
  faites-le glisser pour le déplacer. Le clic droit sur la carte ouvre un menu avec les
  commandes utiles à l'endroit cliqué.

Clavier
  Ctrl+Z   annuler la dernière action (pose, déplacement, remplissage...)
  Ctrl+C   copier l'élément sélectionné
  Ctrl+X   couper l'élément sélectionné
  Ctrl+V   coller l'élément copié
  Suppr    supprimer l'élément sélectionné

Fichiers
  « Sauver Carte » enregistre la carte dans un fichier .car (fond, éléments, lignes et
  remplissages) ; « Charger Carte » la rouvre pour continuer à la modifier.
  « Exporter image » enregistre la carte telle qu'elle s'affiche, en image PNG.

Publier
  « Envoyer » publie l'image de la carte sur votre espace FTP, sous le nom donné dans
  « Fichier : ». Le serveur et l'identifiant se règlent dans « Options ».

Vos pictogrammes
  Le dossier picto, à côté du programme, contient les pictogrammes de la liste ; vous
  pouvez y ajouter les vôtres :
  - en PNG avec transparence ;
  - en BMP ou GIF sur un fond magenta (rouge 255, vert 0, bleu 255), couleur qui
    devient transparente. Un fichier texte « nom.bmp.tcolor » à côté de l'image peut
    désigner une autre couleur transparente : trois lignes, rouge, vert et bleu.
  Un fond de carte à vous doit garder des bordures noires fermées, pour que
  « Remplir » reste dans chaque région.
)";

std::optional<QByteArray> toWindows1252(const QString& text) {
    QByteArray out;
    for (const QChar c : text) {
        const char16_t code = c.unicode();
        if (code == u'\n') {
            out.append("\r\n");
        } else if (code == u'\u2019') {
            out.push_back('\x92');
        } else if (code == u'\u0153') {
            out.push_back('\x9C');
        } else if (code < 0x80 || (code >= 0xA0 && code <= 0xFF)) {
            out.push_back(static_cast<char>(code));
        } else {
            return std::nullopt;
        }
    }
    return out;
}

bool writeReadme(const QString& folder) {
    const std::optional<QByteArray> bytes = toWindows1252(QString::fromUtf8(kReadme));
    if (!bytes) {
        std::fprintf(stderr, "the guide holds a character outside Windows-1252\n");
        return false;
    }
    return writeBytes(folder + QStringLiteral("/readme.txt"), *bytes);
}

// ---------------------------------------------------------------------------------------------
// A contact sheet to look the set over: the map with pictograms on it, then each pictogram
// enlarged on land and on sea.

QImage asOverlay(const Pictogram& picto, const QImage& image) {
    if (picto.format == Format::Png) {
        return image;
    }
    QImage overlay = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < overlay.height(); ++y) {
        for (int x = 0; x < overlay.width(); ++x) {
            if ((overlay.pixel(x, y) | 0xFF000000u) == kKey) {
                overlay.setPixel(x, y, 0);
            }
        }
    }
    return overlay;
}

QImage contactSheet(const QImage& map, const std::vector<Pictogram>& set,
                    const std::vector<QImage>& images) {
    constexpr int kCell = 100;
    QImage sheet(kMapWidth, kMapHeight + 4 * kCell, QImage::Format_RGB32);
    sheet.fill(Qt::white);
    QPainter p(&sheet);
    p.drawImage(0, 0, map);
    const QPoint spots[] = {{180, 160}, {300, 230}, {120, 300}, {260, 110}, {350, 340}, {600, 420},
                            {680, 480}, {560, 120}, {700, 330}, {420, 160}, {520, 520}, {240, 420},
                            {120, 520}, {620, 250}, {60, 420},  {760, 50}};
    for (std::size_t i = 0; i < set.size(); ++i) {
        const QImage overlay = asOverlay(set[i], images[i]);
        p.drawImage(spots[i % std::size(spots)] - QPoint(kPicto / 2, kPicto / 2), overlay);
    }
    for (std::size_t i = 0; i < set.size(); ++i) {
        const QImage big = asOverlay(set[i], images[i]).scaled(kCell - 10, kCell - 10);
        const int column = static_cast<int>(i % 8);
        const int row = static_cast<int>(i / 8);
        for (int tone = 0; tone < 2; ++tone) {
            const QRect cell(column * kCell, kMapHeight + (row * 2 + tone) * kCell, kCell, kCell);
            p.fillRect(cell, QColor(tone == 0 ? kLand : kSea));
            p.drawImage(cell.topLeft() + QPoint(5, 5), big);
        }
    }
    return sheet;
}

int run(const QStringList& arguments) {
    if (arguments.size() != 2 && !(arguments.size() == 4 && arguments[2] == "--sheet")) {
        std::fprintf(stderr, "usage: make_assets ASSETS_DIR [--sheet CONTACT_SHEET.png]\n");
        return 2;
    }
    const QString folder = arguments[1];
    const QString pictoFolder = folder + QStringLiteral("/picto");
    if (!QDir().mkpath(pictoFolder)) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(pictoFolder));
        return 1;
    }
    const std::optional<QImage> map = makeMap();
    if (!map || !writeGif(*map, folder + QStringLiteral("/prev.gif"))) {
        return 1;
    }
    const std::vector<Pictogram> set = pictograms();
    std::vector<QImage> images;
    for (const Pictogram& picto : set) {
        images.push_back(picto.draw());
        if (!writePictogram(picto, images.back(), pictoFolder)) {
            return 1;
        }
    }
    if (!writeReadme(folder)) {
        return 1;
    }
    if (arguments.size() == 4 && !contactSheet(*map, set, images).save(arguments[3], "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(arguments[3]));
        return 1;
    }
    return 0;
}

} // namespace
} // namespace grivendale

int main(int argc, char* argv[]) {
    QGuiApplication app(argc, argv);
    return grivendale::run(QGuiApplication::arguments());
}
