#pragma once
// Pictures decoded by the platform's imaging component (WIC) to the size a view shows them at.
// A picture larger than its view is reduced while it is decoded, a strip of rows at a time, so
// what is kept afterwards is never more than the view's pixels, whatever the file's size; a
// smaller picture is kept at its own size and stretched when drawn. Decoding needs COM
// initialised on the thread and touches no window, so it may run on any thread.

#include <windows.h>
#include <memory>
#include <string>
#include <vector>

// Where a picture comes from: an image file named by a path, or a complete image file held in
// memory (shared, so that a picture can be decoded again at another size without a copy).
struct PictureSource {
    std::wstring path;
    std::shared_ptr<const std::vector<BYTE>> bytes;

    bool IsEmpty() const { return path.empty() && !bytes; }
    // The same file by path (case-insensitive, as the file system compares names), or the
    // same bytes in memory.
    bool IsSameAs(const PictureSource& other) const;
};

// A picture's pixels, 32 bits each, top row first, at the size they were decoded for.
class CFittedPicture {
public:
    bool IsEmpty() const { return m_pixels.empty(); }
    // The picture's own size, and the size of the pixels held.
    SIZE FullSize() const { return m_full; }
    SIZE Size() const { return m_size; }
    // Whether these pixels are what a view of `view` shows, one for one: no decode at that
    // view's size would give sharper ones.
    bool Fits(SIZE view) const;
    // Draws the picture into `area` of `dc` as large as fits with its aspect ratio kept,
    // centred, stretching the pixels when they are not that size; the rest of the area is left
    // as it is.
    void Draw(HDC dc, const RECT& area) const;

private:
    friend HRESULT DecodeFittedPicture(const PictureSource& source, SIZE view, CFittedPicture& picture);

    SIZE m_full{};
    SIZE m_size{};
    std::vector<BYTE> m_pixels;
};

// Decodes `source` for a view of `view` pixels. On failure `picture` is empty and the code of
// the failure is returned; it never throws.
HRESULT DecodeFittedPicture(const PictureSource& source, SIZE view, CFittedPicture& picture);
