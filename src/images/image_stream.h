#pragma once
// The byte sources moved below the decoders, into the codec glue that the
// texture readers share.
#include "images/codec/image_stream.h"
