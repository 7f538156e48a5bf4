#pragma once
#include <QPixmap>

// The program's logo: a radio mast sending to a small mesh of network nodes.
QPixmap PaintSplashLogo(int size);
