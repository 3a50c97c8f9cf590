#include "window_style.h"

using namespace Qt::StringLiterals;

namespace {

constexpr int twipsPerPixel = 15;

} // namespace

QRect fromTwips(int left, int top, int width, int height)
{
    return {left / twipsPerPixel, top / twipsPerPixel, width / twipsPerPixel, height / twipsPerPixel};
}

QSize fromTwips(int width, int height)
{
    return {width / twipsPerPixel, height / twipsPerPixel};
}

QFont windowFont()
{
    QFont font(u"Liberation Sans"_s);
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(8);
    return font;
}
