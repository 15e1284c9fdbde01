#pragma once
// Class identifiers and names of the filters in KavoraSource.dll, shared by the filters and the
// audio player that creates them: the recorder-format source filter, and the speed filter that
// sits between the decoded voice and the audio renderer.

#include <guiddef.h>

extern const GUID CLSID_RecorderSourceFilter;
extern const wchar_t kRecorderSourceFilterName[];

extern const GUID CLSID_SpeedFilter;
extern const GUID IID_ISpeedControl;
extern const wchar_t kSpeedFilterName[];
