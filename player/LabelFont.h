#pragma once
// The font of the player's labels and of the about box: the system's message font face at
// height 12, normal weight.

#include "framework/Handles.h"

UniqueFont CreateLabelFont();
