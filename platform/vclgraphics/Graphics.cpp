#include "Graphics.hpp"

#include "ImgList.hpp"

QColor ColorToQColor(TColor color)
{
    return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
}

QImage MaskColor(const QImage& image, TColor color)
{
    QImage masked = image.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = ColorToQColor(color).rgb() & 0xFFFFFF;
    for (int y = 0; y < masked.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(masked.scanLine(y));
        for (int x = 0; x < masked.width(); ++x)
            if ((line[x] & 0xFFFFFF) == key)
                line[x] = 0;
    }
    return masked;
}

bool TBitmap::LoadFromBytes(const void* data, std::size_t size)
{
    FImage = QImage();
    if (data == nullptr || size == 0)
        return false;
    return FImage.loadFromData(static_cast<const uchar*>(data), static_cast<int>(size));
}

void TBitmap::SetTransparentColor(TColor color)
{
    FTransparentColor = color;
    FTransparent = true;
}

QPixmap TBitmap::Pixmap() const
{
    if (FTransparent && FTransparentColor != clDefault && FTransparentColor != clNone)
        return QPixmap::fromImage(MaskColor(FImage, FTransparentColor));
    return QPixmap::fromImage(FImage);
}

bool TIcon::LoadFromBytes(const void* data, std::size_t size)
{
    FIcon = QIcon();
    FSize = QSize();
    QImage image;
    if (data == nullptr || size == 0 ||
        !image.loadFromData(static_cast<const uchar*>(data), static_cast<int>(size)))
        return false;
    FSize = image.size();
    FIcon = QIcon(QPixmap::fromImage(image));
    return true;
}

int TImageList::AddMasked(const TBitmap* bitmap, TColor maskColor)
{
    if (bitmap == nullptr || bitmap->Empty())
        return -1;
    if (maskColor == clDefault)
        maskColor = bitmap->TransparentColor();
    const bool masked = maskColor != clNone && maskColor != clDefault;
    FImages.push_back(QPixmap::fromImage(masked ? MaskColor(bitmap->Image(), maskColor) : bitmap->Image()));
    return Count() - 1;
}

QPixmap TImageList::Image(int index) const
{
    if (index < 0 || index >= Count())
        return QPixmap();
    return FImages[static_cast<std::size_t>(index)];
}
