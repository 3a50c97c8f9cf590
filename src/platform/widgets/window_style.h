#pragma once

#include <QFont>
#include <QRect>

// The windows are laid out in twips, 15 to a logical pixel at 96 dpi.
QRect fromTwips(int left, int top, int width, int height);
QSize fromTwips(int width, int height);

// A small sans serif in which every caption of both windows fits its box.
QFont windowFont();
