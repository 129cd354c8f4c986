#pragma once
// The program's pictures, drawn in a 16 x 16 grid so that they stay crisp at
// any size: the nine small pictures (four faces, the two sex signs, refresh,
// clear profiles, about) and the two state pictures (a number seen before, a
// number new since start). The about picture is also the program's icon.

#include <QIcon>
#include <QPixmap>

enum class PictureList { Small, State };

// The picture at size x size pixels, transparent around it.
QPixmap RenderPicture(PictureList list, int index, int size);

// The picture as an icon with renditions at 16, 32 and 48 pixels, so that a
// screen at twice the density gets a sharp picture; each rendition is drawn
// when it is first wanted.
QIcon SmallImage(int index);
QIcon StateImage(int index);

// Small picture 8, with renditions up to 256 pixels for the desktop.
QIcon ProgramIcon();

constexpr int kSmallImageCount = 9;
constexpr int kStateImageCount = 2;
