// TImageList: the small pictures a tree, list or tool bar shows by index.
#pragma once

#include <QPixmap>
#include <vector>

#include "Graphics.hpp"

class TImageList {
public:
    // Adds the bitmap with maskColor taken out (clNone: nothing taken out;
    // clDefault: the bitmap's own transparent colour); returns the new
    // image's index, or -1 for an empty bitmap.
    int AddMasked(const TBitmap* bitmap, TColor maskColor);
    int Count() const { return static_cast<int>(FImages.size()); }
    // The image at index; an empty pixmap for an index out of range.
    QPixmap Image(int index) const;
    void Clear() { FImages.clear(); }

private:
    std::vector<QPixmap> FImages;
};
