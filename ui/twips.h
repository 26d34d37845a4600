#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

// Window layouts are measured in twips, 15 to the pixel.
namespace ui {

constexpr int px(int twips)
{
    return (twips + (twips >= 0 ? 7 : -7)) / 15;
}

inline QPoint twipsPoint(int left, int top)
{
    return {px(left), px(top)};
}
inline QSize twipsSize(int width, int height)
{
    return {px(width), px(height)};
}
inline QRect twipsRect(int left, int top, int width, int height)
{
    return {twipsPoint(left, top), twipsSize(width, height)};
}

} // namespace ui
