#pragma once
#include <png.h>

// libpng read callback over the ImageStream given as the io pointer
// (png_set_read_fn); a short read is a libpng error, so a decoder never
// reads past the end of its data.
void readPngFromStream(png_structp png, png_bytep data, size_t length);
