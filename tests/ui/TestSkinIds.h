// Bitmaps of the test skin module ui_test_skin.dll, whose exact pixels the tests know:
// make-test-art.sh draws them, ui_test_skin.rc.in names them.
#pragma once

// Button 24 x 16: normal red, pressed green, hover blue, disabled grey; the hit-test mask is
// black (clickable) on the left 12 columns only. A second, larger normal image (30 x 20).
#define IDB_TEST_BUTTON_NORMAL    400
#define IDB_TEST_BUTTON_MASK      401
#define IDB_TEST_BUTTON_PRESSED   402
#define IDB_TEST_BUTTON_HOVER     403
#define IDB_TEST_BUTTON_DISABLED  404
#define IDB_TEST_BUTTON_LARGE     405

// Slider: thumb 8 x 17 with a blue left half and a black (transparent) right half, its mask
// black on the left half and white on the right; a yellow disabled thumb of the same shape;
// a track 18 x 17, green on the left half and dark green on the right.
#define IDB_TEST_THUMB            410
#define IDB_TEST_THUMB_MASK       411
#define IDB_TEST_THUMB_DISABLED   412
#define IDB_TEST_TRACK            413

// Seek bar: thumb 9 x 18 blue with an all-black mask, disabled thumb yellow, track 64 x 18
// grey, major tick 2 x 8 red, minor tick 1 x 5 dark green; a mark 12 x 20 that is opaque
// magenta in its middle four columns and transparent elsewhere, with its mask.
#define IDB_TEST_SEEK_THUMB       420
#define IDB_TEST_SEEK_THUMB_MASK  421
#define IDB_TEST_SEEK_DISABLED    422
#define IDB_TEST_SEEK_TRACK       423
#define IDB_TEST_MAJOR_TICK       424
#define IDB_TEST_MINOR_TICK       425
#define IDB_TEST_MARK             426
#define IDB_TEST_MARK_MASK        427

// Pictures for the picture view, 200 x 100 in four quadrants (red, green / blue, white):
// uncompressed 24-bit, the same with a colour table (palette bitmap), and with a header
// larger than 40 bytes.
#define IDB_TEST_PICTURE_24       256
#define IDB_TEST_PICTURE_PALETTE  430
#define IDB_TEST_PICTURE_V5       431
