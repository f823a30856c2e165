#include "render/line_raster.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>

namespace grivendale {

namespace {

// The pen disc as one column range per row, rows dyMin, dyMin + 1, ...
// Every row holds dx = 0 (and dx = 1 for even widths), which the chain stamping relies on.
struct Pen {
    struct Row {
        int lo = 0;
        int hi = 0;
    };
    int dyMin = 0;
    std::vector<Row> rows;
};

// Pixel offsets whose centre lies within width / 2 of the pen centre; the centre is the path
// pixel's centre for odd widths and its lower-right corner for even ones. Worked in doubled
// units so that everything stays integral.
Pen makePen(int width) {
    const int half2 = width % 2 == 0 ? 1 : 0; // twice the centre's offset from the pixel centre
    const long long limit = static_cast<long long>(width) * width;
    Pen pen;
    bool started = false;
    for (int dy = -width; dy <= width; ++dy) {
        const long long ey = 2LL * dy - half2;
        const long long room = limit - ey * ey;
        if (room < 0)
            continue;
        auto s = static_cast<long long>(std::sqrt(static_cast<double>(room)));
        while (s * s > room)
            --s;
        while ((s + 1) * (s + 1) <= room)
            ++s;
        // |2 dx - half2| <= s
        const int lo = static_cast<int>(-((s - half2) / 2));
        const int hi = static_cast<int>((s + half2) / 2);
        if (!started) {
            pen.dyMin = dy;
            started = true;
        }
        pen.rows.push_back({lo, hi});
    }
    return pen;
}

// Collects the path pixels of a line in drawing order and turns them into merged spans.
//
// Consecutive pixels of one row form a run; runs whose rows step by one in the same
// direction, each touching the next, form a chain. Stamping the pen along a chain leaves a
// single interval on every row (each pen row holds the path column and neighbouring runs
// touch), so a chain costs one min/max per run and pen row, and yields one span per row
// instead of one per stamp.
class RasterBuilder {
public:
    explicit RasterBuilder(int width) : pen_(makePen(width)) {}

    void addPixel(int x, int y) {
        if (hasLast_ && x == lastX_ && y == lastY_)
            return;
        const bool adjacent = hasLast_ && std::abs(x - lastX_) <= 1 && std::abs(y - lastY_) <= 1;
        if (hasRun_ && adjacent && y == run_.y) {
            run_.a = std::min(run_.a, x);
            run_.b = std::max(run_.b, x);
        } else {
            startRun(x, y, adjacent);
        }
        hasLast_ = true;
        lastX_ = x;
        lastY_ = y;
    }

    LineRaster finish() {
        if (hasRun_)
            chain_.push_back(run_);
        hasRun_ = false;
        closeChain();
        return mergeEntries();
    }

private:
    struct Run {
        int y = 0;
        int a = 0;
        int b = 0;
    };

    void startRun(int x, int y, bool adjacent) {
        if (hasRun_) {
            chain_.push_back(run_);
            const int step = y - run_.y;
            if (!adjacent || (chainStep_ != 0 && step != chainStep_)) {
                closeChain();
                chainStep_ = 0;
            } else {
                chainStep_ = step;
            }
        }
        run_ = {y, x, x};
        hasRun_ = true;
    }

    void closeChain() {
        if (chain_.empty())
            return;
        const auto [lowRun, highRun] = std::minmax_element(
            chain_.begin(), chain_.end(), [](const Run& l, const Run& r) { return l.y < r.y; });
        const int yMin = lowRun->y;
        const auto penRows = static_cast<int>(pen_.rows.size());
        const std::size_t rows = static_cast<std::size_t>(highRun->y - yMin + penRows);
        bounds_.assign(rows, {INT_MAX, INT_MIN});
        for (const Run& run : chain_) {
            Pen::Row* row = bounds_.data() + (run.y - yMin);
            for (int k = 0; k < penRows; ++k) {
                row[k].lo = std::min(row[k].lo, run.a + pen_.rows[k].lo);
                row[k].hi = std::max(row[k].hi, run.b + pen_.rows[k].hi);
            }
        }
        const int firstY = yMin + pen_.dyMin;
        for (std::size_t i = 0; i < rows; ++i) {
            if (bounds_[i].lo <= bounds_[i].hi)
                entries_.push_back({firstY + static_cast<int>(i), bounds_[i].lo, bounds_[i].hi});
        }
        chain_.clear();
    }

    // Orders the chains' spans by row (counting sort), then by column, and merges spans that
    // overlap or touch.
    LineRaster mergeEntries() {
        LineRaster raster;
        if (entries_.empty())
            return raster;
        int yMin = INT_MAX;
        int yMax = INT_MIN;
        for (const Span& s : entries_) {
            yMin = std::min(yMin, s.y);
            yMax = std::max(yMax, s.y);
        }
        std::vector<std::uint32_t> start(static_cast<std::size_t>(yMax - yMin) + 2, 0);
        for (const Span& s : entries_)
            ++start[static_cast<std::size_t>(s.y - yMin) + 1];
        for (std::size_t i = 1; i < start.size(); ++i)
            start[i] += start[i - 1];
        std::vector<Span> sorted(entries_.size());
        {
            std::vector<std::uint32_t> next(start.begin(), start.end() - 1);
            for (const Span& s : entries_)
                sorted[next[static_cast<std::size_t>(s.y - yMin)]++] = s;
        }
        raster.spans.reserve(entries_.size());
        const auto byColumn = [](const Span& l, const Span& r) { return l.x0 < r.x0; };
        for (std::size_t row = 0; row + 1 < start.size(); ++row) {
            const auto first = sorted.begin() + start[row];
            const auto last = sorted.begin() + start[row + 1];
            if (first == last)
                continue;
            if (!std::is_sorted(first, last, byColumn))
                std::sort(first, last, byColumn);
            Span current = *first;
            for (auto it = first + 1; it != last; ++it) {
                if (static_cast<long long>(it->x0) <= static_cast<long long>(current.x1) + 1) {
                    current.x1 = std::max(current.x1, it->x1);
                } else {
                    raster.spans.push_back(current);
                    current = *it;
                }
            }
            raster.spans.push_back(current);
        }
        return raster;
    }

    Pen pen_;
    bool hasLast_ = false;
    int lastX_ = 0;
    int lastY_ = 0;
    bool hasRun_ = false;
    Run run_;
    int chainStep_ = 0;
    std::vector<Run> chain_;
    std::vector<Pen::Row> bounds_;
    std::vector<Span> entries_;
};

bool insideLimit(long long v) {
    return v >= -kRasterLimit && v <= kRasterLimit;
}

// Bresenham from (x0, y0) to (x1, y1), both ends included, in closed form: along the major
// axis step i, the minor axis has moved round(i * minor / major) with halves moving on.
// Pixels beyond kRasterLimit are skipped without walking them.
void walkSegment(long long x0, long long y0, long long x1, long long y1, RasterBuilder& out) {
    const long long dx = x1 - x0;
    const long long dy = y1 - y0;
    const bool xMajor = std::llabs(dx) >= std::llabs(dy);
    const long long a0 = xMajor ? x0 : y0;
    const long long b0 = xMajor ? y0 : x0;
    const long long da = xMajor ? dx : dy;
    const long long db = xMajor ? dy : dx;
    const long long sa = da < 0 ? -1 : 1;
    const long long sb = db < 0 ? -1 : 1;
    const long long n = std::llabs(da);
    const long long m = std::llabs(db);
    const auto emit = [&](long long a, long long b) {
        if (xMajor)
            out.addPixel(static_cast<int>(a), static_cast<int>(b));
        else
            out.addPixel(static_cast<int>(b), static_cast<int>(a));
    };
    if (n == 0) {
        if (insideLimit(x0) && insideLimit(y0))
            emit(a0, b0);
        return;
    }

    long long iBegin = 0;
    long long iEnd = n;
    long long q = 0; // minor-axis steps taken at iBegin
    long long r = n; // (2 i m + n) mod 2n at iBegin
    if (!(insideLimit(x0) && insideLimit(y0) && insideLimit(x1) && insideLimit(y1))) {
        const auto minorSteps = [&](long long i) {
            return static_cast<long long>((static_cast<__int128>(2) * i * m + n) / (2 * n));
        };
        // Major axis: a0 + sa * i within the limit.
        const long long aLo = sa > 0 ? -kRasterLimit - a0 : a0 - kRasterLimit;
        const long long aHi = sa > 0 ? kRasterLimit - a0 : a0 + kRasterLimit;
        iBegin = std::max(iBegin, aLo);
        iEnd = std::min(iEnd, aHi);
        // Minor axis: b0 + sb * q(i) within the limit, q non-decreasing in i.
        const long long qLo = sb > 0 ? -kRasterLimit - b0 : b0 - kRasterLimit;
        const long long qHi = sb > 0 ? kRasterLimit - b0 : b0 + kRasterLimit;
        if (iBegin > iEnd)
            return;
        long long lo = iBegin;
        long long hi = iEnd + 1; // first i with q(i) >= qLo
        while (lo < hi) {
            const long long mid = lo + (hi - lo) / 2;
            if (minorSteps(mid) >= qLo)
                hi = mid;
            else
                lo = mid + 1;
        }
        iBegin = lo;
        lo = iBegin - 1;
        hi = iEnd; // last i with q(i) <= qHi
        while (lo < hi) {
            const long long mid = hi - (hi - lo) / 2;
            if (minorSteps(mid) <= qHi)
                lo = mid;
            else
                hi = mid - 1;
        }
        iEnd = lo;
        if (iBegin > iEnd)
            return;
        const __int128 numerator = static_cast<__int128>(2) * iBegin * m + n;
        q = static_cast<long long>(numerator / (2 * n));
        r = static_cast<long long>(numerator % (2 * n));
    }
    for (long long i = iBegin; i <= iEnd; ++i) {
        emit(a0 + sa * i, b0 + sb * q);
        r += 2 * m;
        if (r >= 2 * n) {
            r -= 2 * n;
            ++q;
        }
    }
}

bool hasPoints(const MapLine& line) {
    if (line.PointCount < 2 || !line.PointX || !line.PointY)
        return false;
    const auto needed = static_cast<std::size_t>(line.PointCount) + 1;
    return line.PointX->size() >= needed && line.PointY->size() >= needed;
}

// The sampling step is a float sum, and the count it gives is part of the curve.
constexpr int countCurveSamples() {
    int count = 0;
    for (float t = 0.0f; t <= 1.0f; t += 0.005f)
        ++count;
    return count;
}
constexpr int kSamplesPerSegment = countCurveSamples();
static_assert(kSamplesPerSegment == 201);

// The cubic's weights of the four control points at each t: the same for every segment.
struct CurveWeights {
    float w0[kSamplesPerSegment];
    float w1[kSamplesPerSegment];
    float w2[kSamplesPerSegment];
    float w3[kSamplesPerSegment];
};

const CurveWeights& curveWeights() {
    static const CurveWeights weights = [] {
        CurveWeights w{};
        float t = 0.0f;
        for (int i = 0; i < kSamplesPerSegment; ++i, t += 0.005f) {
            const float t2 = t * t;
            const float t3 = t * t2;
            w.w1[i] = 3.0f * t3 - 5.0f * t2 + 2.0f;
            w.w0[i] = 2.0f * t2 - t3 - t;
            w.w2[i] = -3.0f * t3 + 4.0f * t2 + t;
            w.w3[i] = t3 - t2;
        }
        return w;
    }();
    return weights;
}

// The samples of segment s (points s and s + 1), relative to the origin, as 32-bit floats.
void sampleSegment(const MapLine& line, std::int32_t s, float* xs, float* ys) {
    const std::vector<std::int32_t>& px = *line.PointX;
    const std::vector<std::int32_t>& py = *line.PointY;
    const std::int32_t count = line.PointCount;
    // The end points stand in for the missing outer control points.
    const auto k0 = static_cast<std::size_t>(s == 1 ? 1 : s - 1);
    const auto k1 = static_cast<std::size_t>(s);
    const auto k2 = static_cast<std::size_t>(s + 1);
    const auto k3 = static_cast<std::size_t>(s == count - 1 ? s + 1 : s + 2);
    const float p0x = static_cast<float>(px[k0]);
    const float p1x = static_cast<float>(px[k1]);
    const float p2x = static_cast<float>(px[k2]);
    const float p3x = static_cast<float>(px[k3]);
    const float p0y = static_cast<float>(py[k0]);
    const float p1y = static_cast<float>(py[k1]);
    const float p2y = static_cast<float>(py[k2]);
    const float p3y = static_cast<float>(py[k3]);
    const CurveWeights& w = curveWeights();
    for (int i = 0; i < kSamplesPerSegment; ++i) {
        xs[i] = 0.5f * (w.w1[i] * p1x + w.w0[i] * p0x + w.w2[i] * p2x + w.w3[i] * p3x);
        ys[i] = 0.5f * (w.w1[i] * p1y + w.w0[i] * p0y + w.w2[i] * p2y + w.w3[i] * p3y);
    }
}

// Half-to-even, as everywhere a real number becomes whole, but wide enough for any sample
// (they stay far below 2^51, where adding and removing 1.5 * 2^52 rounds to even).
long long roundEven(float v) {
    constexpr double shifter = 6755399441055744.0;
    return static_cast<long long>((static_cast<double>(v) + shifter) - shifter);
}

// An endpoint coordinate: halves go up, which commutes with adding a whole origin.
long long roundUp(float v) {
    const double shifted = static_cast<double>(v) + 0.5;
    auto whole = static_cast<long long>(shifted); // towards zero
    if (static_cast<double>(whole) > shifted)
        --whole;
    return whole;
}

} // namespace

int penWidth(std::int32_t storedWidth) {
    const auto low = static_cast<std::int16_t>(static_cast<std::uint32_t>(storedWidth) & 0xFFFFu);
    return std::clamp(static_cast<int>(low), 1, kMaxPenWidth);
}

LineRaster rasterizePolyline(const MapLine& line) {
    if (!hasPoints(line))
        return {};
    RasterBuilder builder(penWidth(line.Width));
    const std::vector<std::int32_t>& px = *line.PointX;
    const std::vector<std::int32_t>& py = *line.PointY;
    for (std::size_t j = 1; j + 1 <= static_cast<std::size_t>(line.PointCount); ++j)
        walkSegment(px[j], py[j], px[j + 1], py[j + 1], builder);
    return builder.finish();
}

std::vector<QPointF> curveSamples(const MapLine& line) {
    std::vector<QPointF> samples;
    if (!hasPoints(line))
        return samples;
    samples.reserve(static_cast<std::size_t>(line.PointCount - 1) * kSamplesPerSegment);
    float xs[kSamplesPerSegment];
    float ys[kSamplesPerSegment];
    for (std::int32_t s = 1; s < line.PointCount; ++s) {
        sampleSegment(line, s, xs, ys);
        for (int i = 0; i < kSamplesPerSegment; ++i)
            samples.emplace_back(xs[i], ys[i]);
    }
    return samples;
}

LineRaster rasterizeCurve(const MapLine& line) {
    if (!hasPoints(line))
        return {};
    RasterBuilder builder(penWidth(line.Width));
    bool hasPrevious = false;
    long long prevX = 0;
    long long prevY = 0;
    float xs[kSamplesPerSegment];
    float ys[kSamplesPerSegment];
    for (std::int32_t s = 1; s < line.PointCount; ++s) {
        sampleSegment(line, s, xs, ys);
        for (int i = 0; i < kSamplesPerSegment; ++i) {
            const long long x = roundUp(xs[i]);
            const long long y = roundUp(ys[i]);
            if (hasPrevious) {
                // Nearly every step is to the same or a neighbouring pixel.
                if (std::llabs(x - prevX) <= 1 && std::llabs(y - prevY) <= 1 && insideLimit(x) &&
                    insideLimit(y) && insideLimit(prevX) && insideLimit(prevY)) {
                    builder.addPixel(static_cast<int>(prevX), static_cast<int>(prevY));
                    builder.addPixel(static_cast<int>(x), static_cast<int>(y));
                } else {
                    walkSegment(prevX, prevY, x, y, builder);
                }
            }
            prevX = roundEven(xs[i]);
            prevY = roundEven(ys[i]);
            hasPrevious = true;
        }
    }
    return builder.finish();
}

LineRaster rasterizeLine(const MapLine& line) {
    return line.Smooth != 0 ? rasterizeCurve(line) : rasterizePolyline(line);
}

LineRaster rasterizeSegment(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1,
                            int width) {
    RasterBuilder builder(penWidth(width));
    walkSegment(x0, y0, x1, y1, builder);
    return builder.finish();
}

} // namespace grivendale
