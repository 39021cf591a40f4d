#pragma once

class RasterImage;

// Turns and mirrors a decoded picture so that it stands as an EXIF
// orientation says: 1 as stored, 2 mirrored left to right, 3 turned half
// way, 4 mirrored top to bottom, 5 mirrored along the main diagonal, 6 turned
// a quarter clockwise, 7 mirrored along the other diagonal, 8 turned a
// quarter anticlockwise. Other values, and pictures of fewer than 8 bits a
// pixel, stay as they are. False when the turned copy cannot be allocated.
bool applyOrientation(RasterImage& picture, int orientation);
