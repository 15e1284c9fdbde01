#pragma once
// The font of the player's labels and of the about box: the system's message font face at
// height 12 on the 100 percent skin, normal weight; `scale` is the skin's scale in percent.

#include "base/Handles.h"

UniqueFont CreateLabelFont(int scale);
