#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

// Window layouts are measured in twips, 15 to the pixel.
namespace ui {

constexpr int Px(int twips)
{
    return (twips + (twips >= 0 ? 7 : -7)) / 15;
}

inline QPoint TwipsPoint(int left, int top)
{
    return {Px(left), Px(top)};
}
inline QSize TwipsSize(int width, int height)
{
    return {Px(width), Px(height)};
}
inline QRect TwipsRect(int left, int top, int width, int height)
{
    return {TwipsPoint(left, top), TwipsSize(width, height)};
}

} // namespace ui
