#pragma once
// The player window's skin: the header composed from its bitmap, where every control sits at a
// given client size, and the limits on resizing. Kept apart from the window so that the
// geometry can be checked on its own.
//
// Every length is designed at the 100 percent skin and drawn at the skin's scale (`scale`, in
// percent, from SkinScale): at 150 and 200 percent the window is laid out as at 100 percent,
// only larger, and the controls show artwork drawn for that size.

#include <windows.h>
#include <vector>

// At the 100 percent skin.
constexpr int kHeaderHeight = 74;
constexpr int kMinimumWindowWidth = 420;
constexpr int kMinimumWindowHeight = 390;

struct ControlPlacement {
    UINT id;
    RECT rect;       // client coordinates
    bool invalidate; // repaint the control after moving it
};

// Where each child control goes for a client rectangle, in the order they are moved.
std::vector<ControlPlacement> LayoutControls(const RECT& client, int scale);

// Paints the three header zones (the top band, the block under it that holds the transport
// buttons, and the strip at the right edge) from the header bitmap, stretched horizontally,
// leaving the seek bar's and the picture view's areas alone.
void PaintHeader(HDC target, const RECT& client, int scale);

// Applies the size limits to a proposed window rectangle while `edge` (WMSZ_*) is dragged.
// `current` is the window's present rectangle; in strip view the height cannot change.
void ApplySizeLimits(UINT edge, RECT& proposed, const RECT& current, bool stripView, int screenWidth, int scale);
