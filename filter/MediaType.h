#pragma once
// The one media type the output pin offers: a byte stream holding a WAVE file, which the graph
// hands to a WAVE parser.

#include <dshow.h>

AM_MEDIA_TYPE WaveStreamType();
// True for the offered type and for partial types (GUID_NULL fields) that it satisfies.
bool AcceptsWaveStream(const AM_MEDIA_TYPE& type);
// A task-memory copy, as IEnumMediaTypes hands out; null when memory runs out.
AM_MEDIA_TYPE* AllocWaveStreamType();
