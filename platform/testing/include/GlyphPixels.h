// What a button's glyph shows, pixel by pixel, for the tests of the windows:
// a glyph drawn on the library's fuchsia background must show none of it.
// Header-only, so that only the tests of windows need Qt for it.
#pragma once

#include <QAbstractButton>
#include <QIcon>
#include <QImage>

namespace twstesting {

struct TGlyphPixels {
    int Fuchsia = 0;      // opaque 0xFF00FF: the background left in
    int Transparent = 0;  // fully transparent: the background taken out
    int Drawn = 0;        // the rest: the picture itself
};

// The icon rendered at size as a window would draw it (enabled, off).
inline TGlyphPixels CountGlyphPixels(const QIcon& icon, QSize size = QSize(16, 16))
{
    TGlyphPixels counts;
    const QImage image = icon.pixmap(size).toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            if (qAlpha(pixel) == 0)
                ++counts.Transparent;
            else if ((pixel & 0xFFFFFF) == 0xFF00FF)
                ++counts.Fuchsia;
            else
                ++counts.Drawn;
        }
    return counts;
}

}  // namespace twstesting
