#include "filter/MediaType.h"

AM_MEDIA_TYPE WaveStreamType()
{
    AM_MEDIA_TYPE type{};
    type.majortype = MEDIATYPE_Stream;
    type.subtype = MEDIASUBTYPE_WAVE;
    type.bFixedSizeSamples = TRUE;
    type.bTemporalCompression = FALSE;
    type.lSampleSize = 1;
    type.formattype = GUID_NULL;
    return type;
}

bool AcceptsWaveStream(const AM_MEDIA_TYPE& type)
{
    const bool major = IsEqualGUID(type.majortype, GUID_NULL) || IsEqualGUID(type.majortype, MEDIATYPE_Stream);
    const bool sub = IsEqualGUID(type.subtype, GUID_NULL) || IsEqualGUID(type.subtype, MEDIASUBTYPE_WAVE);
    return major && sub;
}

AM_MEDIA_TYPE* AllocWaveStreamType()
{
    auto* type = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
    if (type) *type = WaveStreamType();
    return type;
}
