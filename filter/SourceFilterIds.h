#pragma once
// Class identifier of the recorder-format source filter, shared by the filter and the audio
// player that creates it.

#include <guiddef.h>

extern const GUID CLSID_RecorderSourceFilter;
