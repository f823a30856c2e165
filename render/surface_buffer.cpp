#include "render/surface_buffer.h"

#include <cstdlib>
#include <cstring>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace grivendale {

namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;
// Below this a huge page would waste more than it saves.
constexpr std::size_t kSmallest = 4 * kHugePage;

void release(void* buffer) {
    std::free(buffer);
}

} // namespace

QImage newSurface(QSize size) {
    const qsizetype stride = qsizetype{size.width()} * 4;
    const auto bytes = static_cast<std::size_t>(stride) * static_cast<std::size_t>(size.height());
    if (size.isEmpty() || bytes < kSmallest)
        return QImage(size, QImage::Format_RGB32);
    const std::size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
    void* const buffer = std::aligned_alloc(kHugePage, rounded);
    if (!buffer)
        return QImage(size, QImage::Format_RGB32);
#if defined(MADV_HUGEPAGE)
    madvise(buffer, rounded, MADV_HUGEPAGE); // a hint: without it the pages are only smaller
#endif
    // The image owns the buffer from here and frees it through release().
    return QImage(static_cast<uchar*>(buffer), size.width(), size.height(), stride,
                  QImage::Format_RGB32, release, buffer);
}

QImage copyToNewSurface(const QImage& source) {
    QImage copy = newSurface(source.size());
    if (copy.bytesPerLine() == source.bytesPerLine()) {
        std::memcpy(copy.bits(), source.constBits(),
                    static_cast<std::size_t>(source.sizeInBytes()));
    } else {
        for (int y = 0; y < source.height(); ++y)
            std::memcpy(copy.scanLine(y), source.constScanLine(y),
                        static_cast<std::size_t>(copy.bytesPerLine()));
    }
    copy.setDotsPerMeterX(source.dotsPerMeterX());
    copy.setDotsPerMeterY(source.dotsPerMeterY());
    return copy;
}

void ownPixels(QImage& image) {
    if (!image.isNull() && !image.isDetached())
        image = copyToNewSurface(image);
}

} // namespace grivendale
