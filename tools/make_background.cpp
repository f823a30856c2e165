// Turns the two rasters that tools/make_background_map.sh draws with GMT into the default
// background prev.gif: sea and land in two flat colours, coastlines and country borders as
// black lines one pixel wide, every area closed so that a fill stays inside it.
//
//   make_background LANDSEA.png COUNTRIES.png OUT.gif CODE...
//
// LANDSEA.png: sea (0, 0, 255), lakes (255, 0, 0), land (0, 255, 0), nothing else.
// COUNTRIES.png: white where no country is, country i (from 1, in the order of the codes)
// in (8 i, 100, 100). Both are drawn without antialiasing; any other colour is an error.

#include "gif_writer.h"

#include <QCoreApplication>
#include <QImage>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <set>
#include <vector>

namespace grivendale {
namespace {

const QRgb kSea = qRgb(178, 216, 242);
const QRgb kLand = qRgb(246, 242, 224);
const QRgb kBorder = qRgb(0, 0, 0);

// Smaller bits of land become sea, smaller lakes land, smaller pieces of a country join the
// country they touch most; areas smaller than a pocket after the borders are drawn are inked.
constexpr int kMinIsland = 12;
constexpr int kMinLake = 24;
constexpr int kMinCountryPiece = 40;
constexpr int kMinPocket = 8;
// Lakes narrower than this many pixels are left out.
constexpr int kLakeSide = 3;

constexpr int kWater = 0;
constexpr int kUnknownLand = -1;

// A label per pixel: kWater, or a country number from 1 (numbers past the codes name land
// that no country polygon covers).
struct LabelMap {
    int width = 0;
    int height = 0;
    std::vector<int> label;

    int at(int x, int y) const { return label[static_cast<std::size_t>(y) * width + x]; }
    bool inside(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
};

constexpr std::pair<int, int> kSteps[] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};

// Connected parts (4-neighbour) of pixels for which same(a, b) holds between neighbours.
struct Parts {
    std::vector<int> part; // per pixel, -1 for pixels left out
    std::vector<int> size;
    std::vector<bool> touchesEdge;
};

template <typename Same, typename Take>
Parts connectedParts(int width, int height, Same same, Take take) {
    Parts parts;
    const auto count = static_cast<std::size_t>(width) * height;
    parts.part.assign(count, -1);
    std::vector<int> stack;
    for (int start = 0; start < static_cast<int>(count); ++start) {
        if (parts.part[static_cast<std::size_t>(start)] >= 0 || !take(start)) {
            continue;
        }
        const int id = static_cast<int>(parts.size.size());
        int size = 0;
        bool edge = false;
        parts.part[static_cast<std::size_t>(start)] = id;
        stack.push_back(start);
        while (!stack.empty()) {
            const int at = stack.back();
            stack.pop_back();
            ++size;
            const int x = at % width;
            const int y = at / width;
            edge = edge || x == 0 || y == 0 || x == width - 1 || y == height - 1;
            for (const auto& [dx, dy] : kSteps) {
                const int nx = x + dx;
                const int ny = y + dy;
                if (nx < 0 || ny < 0 || nx >= width || ny >= height) {
                    continue;
                }
                const int next = ny * width + nx;
                if (parts.part[static_cast<std::size_t>(next)] < 0 && take(next) &&
                    same(at, next)) {
                    parts.part[static_cast<std::size_t>(next)] = id;
                    stack.push_back(next);
                }
            }
        }
        parts.size.push_back(size);
        parts.touchesEdge.push_back(edge);
    }
    return parts;
}

Parts labelParts(const LabelMap& map) {
    return connectedParts(
        map.width, map.height,
        [&](int a, int b) {
            return map.label[static_cast<std::size_t>(a)] == map.label[static_cast<std::size_t>(b)];
        },
        [](int) { return true; });
}

Parts landSeaParts(const LabelMap& map) {
    return connectedParts(
        map.width, map.height,
        [&](int a, int b) {
            return (map.label[static_cast<std::size_t>(a)] == kWater) ==
                   (map.label[static_cast<std::size_t>(b)] == kWater);
        },
        [](int) { return true; });
}

std::optional<LabelMap> readRasters(const QImage& landSea, const QImage& countries,
                                    int countryCount) {
    if (landSea.isNull() || countries.isNull() || landSea.size() != countries.size()) {
        std::fprintf(stderr, "the two rasters are missing or differ in size\n");
        return std::nullopt;
    }
    LabelMap map;
    map.width = landSea.width();
    map.height = landSea.height();
    map.label.resize(static_cast<std::size_t>(map.width) * map.height);
    int strange = 0;
    for (int y = 0; y < map.height; ++y) {
        for (int x = 0; x < map.width; ++x) {
            const QRgb ground = landSea.pixel(x, y) | 0xFF000000u;
            const QRgb country = countries.pixel(x, y) | 0xFF000000u;
            int label = kUnknownLand;
            if (ground == qRgb(0, 0, 255) || ground == qRgb(255, 0, 0)) {
                label = kWater;
            } else if (ground != qRgb(0, 255, 0)) {
                ++strange;
            }
            if (label != kWater && country != qRgb(255, 255, 255)) {
                const int number = qRed(country) / 8;
                if (qGreen(country) == 100 && qBlue(country) == 100 && qRed(country) % 8 == 0 &&
                    number >= 1 && number <= countryCount) {
                    label = number;
                } else {
                    ++strange;
                }
            }
            map.label[static_cast<std::size_t>(y) * map.width + x] = label;
        }
    }
    if (strange > 0) {
        std::fprintf(stderr, "%d pixels of unexpected colour: the rasters are antialiased\n",
                     strange);
        return std::nullopt;
    }
    return map;
}

// Land that no country polygon covers (the coastline and the country outlines come from two
// sources and differ by a pixel here and there) takes the country nearest along the land;
// land out of reach of every country becomes a country of its own.
void labelUncoveredLand(LabelMap& map, int countryCount) {
    std::vector<int> queue;
    for (int at = 0; at < static_cast<int>(map.label.size()); ++at) {
        if (map.label[static_cast<std::size_t>(at)] > 0) {
            queue.push_back(at);
        }
    }
    for (std::size_t head = 0; head < queue.size(); ++head) {
        const int at = queue[head];
        const int x = at % map.width;
        const int y = at / map.width;
        for (const auto& [dx, dy] : kSteps) {
            if (!map.inside(x + dx, y + dy)) {
                continue;
            }
            const int next = (y + dy) * map.width + x + dx;
            if (map.label[static_cast<std::size_t>(next)] == kUnknownLand) {
                map.label[static_cast<std::size_t>(next)] = map.label[static_cast<std::size_t>(at)];
                queue.push_back(next);
            }
        }
    }
    int next = countryCount + 1;
    const Parts parts = labelParts(map);
    std::map<int, int> numberOfPart;
    for (std::size_t at = 0; at < map.label.size(); ++at) {
        if (map.label[at] == kUnknownLand) {
            const auto [found, added] = numberOfPart.emplace(parts.part[at], next);
            next += added ? 1 : 0;
            map.label[at] = found->second;
        }
    }
}

// The label that the pixels around a part show most often, water excluded; kWater when the
// part touches no land.
std::map<int, int> landAroundParts(const LabelMap& map, const Parts& parts,
                                   const std::vector<bool>& wanted) {
    std::vector<std::map<int, int>> around(parts.size.size());
    for (int y = 0; y < map.height; ++y) {
        for (int x = 0; x < map.width; ++x) {
            const int part = parts.part[static_cast<std::size_t>(y) * map.width + x];
            if (!wanted[static_cast<std::size_t>(part)]) {
                continue;
            }
            for (const auto& [dx, dy] : kSteps) {
                if (!map.inside(x + dx, y + dy)) {
                    continue;
                }
                const int other = map.at(x + dx, y + dy);
                if (other != kWater && other != map.at(x, y)) {
                    ++around[static_cast<std::size_t>(part)][other];
                }
            }
        }
    }
    std::map<int, int> best;
    for (std::size_t part = 0; part < around.size(); ++part) {
        if (!wanted[part]) {
            continue;
        }
        best[static_cast<int>(part)] =
            around[part].empty()
                ? kWater
                : std::max_element(around[part].begin(), around[part].end(), [](auto& a, auto& b) {
                      return a.second < b.second;
                  })->first;
    }
    return best;
}

// Water narrower than a square of the given side (lakes) or of two pixels (the sea) would be
// all border once drawn: a black bar in place of a lake, a thick stroke in place of an inlet.
// Such water becomes land (a morphological opening), which the next labelling gives to the
// country around it.
void openWater(LabelMap& map, int lakeSide) {
    const Parts parts = landSeaParts(map);
    const auto isWater = [&](int x, int y) {
        return !map.inside(x, y) || map.at(x, y) == kWater; // the sea goes on past the edges
    };
    const auto sideAt = [&](int x, int y) {
        const auto part =
            static_cast<std::size_t>(parts.part[static_cast<std::size_t>(y) * map.width + x]);
        return parts.touchesEdge[part] ? 2 : lakeSide;
    };
    // A square of side n covers the pixels from -n/2 to n - 1 - n/2 around its anchor.
    const auto squareFits = [&](int x, int y, int side) {
        for (int dy = -side / 2; dy < side - side / 2; ++dy) {
            for (int dx = -side / 2; dx < side - side / 2; ++dx) {
                if (!isWater(x + dx, y + dy)) {
                    return false;
                }
            }
        }
        return true;
    };
    std::vector<int> narrow;
    for (int y = 0; y < map.height; ++y) {
        for (int x = 0; x < map.width; ++x) {
            if (map.at(x, y) != kWater) {
                continue;
            }
            const int side = sideAt(x, y);
            bool covered = false;
            for (int dy = -(side - 1 - side / 2); dy <= side / 2 && !covered; ++dy) {
                for (int dx = -(side - 1 - side / 2); dx <= side / 2 && !covered; ++dx) {
                    covered = squareFits(x + dx, y + dy, side);
                }
            }
            if (!covered) {
                narrow.push_back(y * map.width + x);
            }
        }
    }
    for (const int at : narrow) {
        map.label[static_cast<std::size_t>(at)] = kUnknownLand;
    }
}

// Specks of land go under water, small lakes are filled in with the land around them, and
// small pieces of a country that touch another country join it.
void dropSpecks(LabelMap& map) {
    {
        const Parts parts = landSeaParts(map);
        std::vector<bool> smallLake(parts.size.size(), false);
        for (std::size_t at = 0; at < map.label.size(); ++at) {
            const auto part = static_cast<std::size_t>(parts.part[at]);
            if (map.label[at] == kWater && !parts.touchesEdge[part] &&
                parts.size[part] < kMinLake) {
                smallLake[part] = true;
            }
        }
        const std::map<int, int> fillWith = landAroundParts(map, parts, smallLake);
        for (std::size_t at = 0; at < map.label.size(); ++at) {
            const auto found = fillWith.find(parts.part[at]);
            if (found != fillWith.end() && found->second != kWater) {
                map.label[at] = found->second;
            }
        }
    }
    {
        const Parts parts = landSeaParts(map);
        for (std::size_t at = 0; at < map.label.size(); ++at) {
            if (map.label[at] != kWater &&
                parts.size[static_cast<std::size_t>(parts.part[at])] < kMinIsland) {
                map.label[at] = kWater;
            }
        }
    }
    for (int pass = 0; pass < 8; ++pass) {
        const Parts parts = labelParts(map);
        std::vector<bool> small(parts.size.size(), false);
        for (std::size_t at = 0; at < map.label.size(); ++at) {
            const auto part = static_cast<std::size_t>(parts.part[at]);
            small[part] = map.label[at] != kWater && parts.size[part] < kMinCountryPiece;
        }
        const std::map<int, int> joinTo = landAroundParts(map, parts, small);
        bool changed = false;
        for (std::size_t at = 0; at < map.label.size(); ++at) {
            const auto found = joinTo.find(parts.part[at]);
            if (found != joinTo.end() && found->second != kWater) {
                map.label[at] = found->second;
                changed = true;
            }
        }
        if (!changed) {
            return;
        }
    }
}

// A pixel turns black when its right or lower neighbour lies in another area: every pair of
// side-by-side pixels of two areas then holds a black one, and the black pixels of a border
// form a line one pixel wide.
QImage drawMap(const LabelMap& map) {
    QImage image(map.width, map.height, QImage::Format_RGB32);
    for (int y = 0; y < map.height; ++y) {
        for (int x = 0; x < map.width; ++x) {
            const int own = map.at(x, y);
            const bool edge = (x + 1 < map.width && map.at(x + 1, y) != own) ||
                              (y + 1 < map.height && map.at(x, y + 1) != own);
            image.setPixel(x, y, edge ? kBorder : (own == kWater ? kSea : kLand));
        }
    }
    // Pockets of a few pixels shut in by borders would only be specks: ink them.
    const Parts parts = connectedParts(
        map.width, map.height, [](int, int) { return true; },
        [&](int at) { return image.pixel(at % map.width, at / map.width) != kBorder; });
    for (std::size_t at = 0; at < map.label.size(); ++at) {
        if (parts.part[at] >= 0 &&
            parts.size[static_cast<std::size_t>(parts.part[at])] < kMinPocket) {
            image.setPixel(static_cast<int>(at % map.width), static_cast<int>(at / map.width),
                           kBorder);
        }
    }
    return image;
}

// What the editor's fill reaches from any pixel: the pixels of the seed's exact colour joined
// to it by horizontal or vertical steps. Black pixels belong to no area.
Parts fillAreas(const QImage& image) {
    const int width = image.width();
    const auto colour = [&](int at) { return image.pixel(at % width, at / width) | 0xFF000000u; };
    return connectedParts(
        width, image.height(), [&](int a, int b) { return colour(a) == colour(b); },
        [&](int at) { return colour(at) != kBorder; });
}

// The fill areas of each piece of one label (a country piece, the sea, a lake), by piece.
std::vector<std::set<int>> fillAreasOfPieces(const LabelMap& map, const Parts& pieces,
                                             const Parts& fills) {
    std::vector<std::set<int>> areas(pieces.size.size());
    for (std::size_t at = 0; at < map.label.size(); ++at) {
        if (fills.part[at] >= 0) {
            areas[static_cast<std::size_t>(pieces.part[at])].insert(fills.part[at]);
        }
    }
    return areas;
}

// Where a piece narrows to a neck of one or two pixels, its borders ink the whole neck and
// cut a splinter off (an estuary, the tip of a peninsula): a fill of the piece would miss
// it. Such splinters are features too thin for the scale; they go to the area around them.
// Returns false when there were none.
bool absorbSplinters(LabelMap& map, const QImage& image) {
    const Parts fills = fillAreas(image);
    const Parts pieces = labelParts(map);
    const std::vector<std::set<int>> areas = fillAreasOfPieces(map, pieces, fills);
    std::vector<bool> splinter(fills.size.size(), false);
    bool found = false;
    for (const std::set<int>& area : areas) {
        if (area.size() < 2) {
            continue;
        }
        const int largest = *std::max_element(area.begin(), area.end(), [&](int a, int b) {
            return fills.size[static_cast<std::size_t>(a)] <
                   fills.size[static_cast<std::size_t>(b)];
        });
        for (const int fill : area) {
            splinter[static_cast<std::size_t>(fill)] = fill != largest;
            found = found || fill != largest;
        }
    }
    if (!found) {
        return false;
    }
    // Each splinter, with the border pixels of its own label beside it, takes the label seen
    // most often within two pixels around it.
    std::map<int, std::map<int, int>> around;
    std::map<int, std::vector<int>> pixels;
    for (int y = 0; y < map.height; ++y) {
        for (int x = 0; x < map.width; ++x) {
            const int fill = fills.part[static_cast<std::size_t>(y) * map.width + x];
            if (fill < 0 || !splinter[static_cast<std::size_t>(fill)]) {
                continue;
            }
            const int own = map.at(x, y);
            for (int dy = -2; dy <= 2; ++dy) {
                for (int dx = -2; dx <= 2; ++dx) {
                    if (!map.inside(x + dx, y + dy)) {
                        continue;
                    }
                    const int other = map.at(x + dx, y + dy);
                    const int at = (y + dy) * map.width + x + dx;
                    if (other != own) {
                        ++around[fill][other];
                    } else if (std::abs(dx) <= 1 && std::abs(dy) <= 1 &&
                               fills.part[static_cast<std::size_t>(at)] < 0) {
                        pixels[fill].push_back(at);
                    }
                }
            }
            pixels[fill].push_back(y * map.width + x);
        }
    }
    for (const auto& [fill, counts] : around) {
        const int label = std::max_element(counts.begin(), counts.end(), [](auto& a, auto& b) {
                              return a.second < b.second;
                          })->first;
        for (const int at : pixels[fill]) {
            map.label[static_cast<std::size_t>(at)] = label;
        }
    }
    return true;
}

struct Figures {
    int seaAreas = 0;
    int landAreas = 0;
    std::map<int, int> areasOfCountry;
    std::set<int> vanished; // countries whose every pixel turned into border
};

// Checks the written picture as the editor will read it: three colours only; no sea pixel
// beside a land pixel that is not black; every area that a fill reaches lies in one country
// (or in the water), and no country piece is cut in two by its own borders. Reports what is
// wrong on standard error.
std::optional<Figures> checkMap(const QImage& picture, const LabelMap& map) {
    const QImage image = picture.convertToFormat(QImage::Format_RGB32);
    if (image.width() != map.width || image.height() != map.height) {
        std::fprintf(stderr, "the picture does not have the size of the map\n");
        return std::nullopt;
    }
    bool ok = true;
    for (int y = 0; y < map.height; ++y) {
        for (int x = 0; x < map.width; ++x) {
            const QRgb c = image.pixel(x, y) | 0xFF000000u;
            if (c != kSea && c != kLand && c != kBorder) {
                std::fprintf(stderr, "colour %08x at (%d, %d)\n", c, x, y);
                return std::nullopt;
            }
            for (const auto& [dx, dy] : kSteps) {
                if (c == kLand && map.inside(x + dx, y + dy) &&
                    image.pixel(x + dx, y + dy) == kSea) {
                    std::fprintf(stderr, "land at (%d, %d) touches the sea\n", x, y);
                    ok = false;
                }
            }
        }
    }
    const Parts fills = fillAreas(image);
    std::vector<int> labelOfFill(fills.size.size(), kUnknownLand);
    for (std::size_t at = 0; at < map.label.size(); ++at) {
        if (fills.part[at] < 0) {
            continue;
        }
        int& seen = labelOfFill[static_cast<std::size_t>(fills.part[at])];
        if (seen == kUnknownLand) {
            seen = map.label[at];
        } else if (seen != map.label[at]) {
            std::fprintf(stderr, "a fill at (%zu, %zu) spreads over two areas\n",
                         at % static_cast<std::size_t>(map.width),
                         at / static_cast<std::size_t>(map.width));
            ok = false;
            seen = map.label[at];
        }
    }
    const Parts pieces = labelParts(map);
    const std::vector<std::set<int>> areas = fillAreasOfPieces(map, pieces, fills);
    for (std::size_t piece = 0; piece < areas.size(); ++piece) {
        if (areas[piece].size() > 1) {
            std::fprintf(stderr, "an area of %d pixels is cut into %zu fill areas\n",
                         pieces.size[piece], areas[piece].size());
            ok = false;
        }
    }
    if (!ok) {
        return std::nullopt;
    }
    Figures figures;
    for (std::size_t part = 0; part < fills.size.size(); ++part) {
        const int label = labelOfFill[part];
        if (label == kWater) {
            ++figures.seaAreas;
        } else {
            ++figures.landAreas;
            ++figures.areasOfCountry[label];
        }
    }
    for (const int label : std::set<int>(map.label.begin(), map.label.end())) {
        if (label != kWater && !figures.areasOfCountry.contains(label)) {
            figures.vanished.insert(label);
        }
    }
    return figures;
}

int run(const QStringList& arguments) {
    if (arguments.size() < 5) {
        std::fprintf(stderr, "usage: make_background LANDSEA.png COUNTRIES.png OUT.gif CODE...\n");
        return 2;
    }
    const QStringList codes = arguments.mid(4);
    const std::optional<LabelMap> read =
        readRasters(QImage(arguments[1]), QImage(arguments[2]), static_cast<int>(codes.size()));
    if (!read) {
        return 1;
    }
    LabelMap map = *read;
    labelUncoveredLand(map, static_cast<int>(codes.size()));
    openWater(map, kLakeSide);
    labelUncoveredLand(map, static_cast<int>(codes.size()));
    dropSpecks(map);
    QImage image = drawMap(map);
    for (int round = 0; round < 10 && absorbSplinters(map, image); ++round) {
        dropSpecks(map);
        image = drawMap(map);
    }
    if (!writeGif(image, arguments[3])) {
        return 1;
    }
    const std::optional<Figures> figures = checkMap(QImage(arguments[3], "GIF"), map);
    if (!figures) {
        std::fprintf(stderr, "%s is not sealed\n", qPrintable(arguments[3]));
        return 1;
    }
    const auto name = [&](int label) {
        return label <= codes.size() ? codes[label - 1] : QStringLiteral("island%1").arg(label);
    };
    std::printf("%s: %d x %d, 3 colours, %d closed areas: %d of water, %d of land\n",
                qPrintable(arguments[3]), map.width, map.height,
                figures->seaAreas + figures->landAreas, figures->seaAreas, figures->landAreas);
    for (const auto& [label, count] : figures->areasOfCountry) {
        std::printf("  %s: %d\n", qPrintable(name(label)), count);
    }
    for (const int label : figures->vanished) {
        std::printf("  %s: too small, drawn as border only\n", qPrintable(name(label)));
    }
    return 0;
}

} // namespace
} // namespace grivendale

int main(int argc, char* argv[]) {
    const QCoreApplication app(argc, argv);
    return grivendale::run(QCoreApplication::arguments());
}
