#pragma once
#include "content/slidelist/slide_list.h"

// The presentation, one for the whole run.
extern SlideList slideList;
