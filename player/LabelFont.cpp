#include "player/LabelFont.h"
#include "ui/SkinSupport.h"
#include <cstddef>

UniqueFont CreateLabelFont(int scale)
{
    // 500 bytes is the record without the padded-border field, which every version accepts.
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = offsetof(NONCLIENTMETRICSW, iPaddedBorderWidth);
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0);
    return UniqueFont(CreateFontW(SkinScaled(12, scale), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                  CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, metrics.lfMessageFont.lfFaceName));
}
