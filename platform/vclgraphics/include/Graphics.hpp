// The runtime's pictures over Qt: TColor, TBitmap and TIcon.
//
// A TBitmap holds its image as a QImage, which needs no application object;
// whatever turns it into something shown (a QPixmap, an image list, an
// icon) needs the program's QGuiApplication, as every window does.
#pragma once

#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <cstddef>
#include <cstdint>

// A colour as the runtime writes it: 0x00BBGGRR (red in the low byte).
using TColor = std::int32_t;
constexpr TColor clBlack = 0x000000;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clFuchsia = 0xFF00FF;
// No colour: a mask of clNone masks nothing.
constexpr TColor clNone = 0x1FFFFFFF;
// The colour the receiver would choose itself (a bitmap's own transparent
// colour, for instance).
constexpr TColor clDefault = 0x20000000;

QColor ColorToQColor(TColor color);
// The image with every pixel of colour (alpha aside) fully transparent.
QImage MaskColor(const QImage& image, TColor color);

class TBitmap {
public:
    // Decodes an image file's bytes (PNG, BMP, ...); false, and the bitmap
    // left empty, when they are not an image.
    bool LoadFromBytes(const void* data, std::size_t size);
    // True while the bitmap holds an image.
    bool HandleAllocated() const { return !FImage.isNull(); }
    bool Empty() const { return FImage.isNull(); }
    int Width() const { return FImage.width(); }
    int Height() const { return FImage.height(); }

    // Setting a transparent colour makes the bitmap transparent: the colour
    // then stands for no colour wherever the bitmap is shown.
    void SetTransparentColor(TColor color);
    TColor TransparentColor() const { return FTransparentColor; }
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool transparent) { FTransparent = transparent; }

    // The image as loaded.
    const QImage& Image() const { return FImage; }
    // The image as shown: the transparent colour taken out when the bitmap
    // is transparent.
    QPixmap Pixmap() const;

private:
    QImage FImage;
    TColor FTransparentColor = clDefault;
    bool FTransparent = false;
};

class TIcon {
public:
    // Decodes an image file's bytes into the icon; false, and the icon
    // left empty, when they are not an image.
    bool LoadFromBytes(const void* data, std::size_t size);
    bool HandleAllocated() const { return !FIcon.isNull(); }
    bool Empty() const { return FIcon.isNull(); }
    // The size of the image the icon was made from.
    int Width() const { return FSize.width(); }
    int Height() const { return FSize.height(); }
    const QIcon& Icon() const { return FIcon; }

private:
    QIcon FIcon;
    QSize FSize;
};
