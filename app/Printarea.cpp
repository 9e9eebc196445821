#include "app/Printarea.h"

#include <cmath>

QRect PrintTargetRect(QSize picture, int left, int top, int right, int bottom) {
    if (picture.width() <= 0 || picture.height() <= 0 || right <= left || bottom <= top) {
        return {};
    }
    const double pictureRatio = static_cast<double>(picture.height()) / picture.width();
    const double pageRatio = static_cast<double>(bottom - top) / (right - left);
    if (pictureRatio < pageRatio) {
        bottom = static_cast<int>(std::trunc(top + (right - left) * pictureRatio));
    } else {
        right = static_cast<int>(
            std::trunc(left + static_cast<double>(bottom - top) * picture.width() / picture.height()));
    }
    return {QPoint(left, top), QPoint(right - 1, bottom - 1)};
}
