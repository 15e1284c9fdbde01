#pragma once
// The system's master playback volume and mute, through the audio mixer's speakers line, on a
// user scale of 0 to a fixed range. The mixer notifies the window given to Open of every change
// (MM_MIXM_LINE_CHANGE, MM_MIXM_CONTROL_CHANGE).

#include <windows.h>
#include <mmsystem.h>

class CMixerVolume {
public:
    CMixerVolume() = default;
    CMixerVolume(const CMixerVolume&) = delete;
    CMixerVolume& operator=(const CMixerVolume&) = delete;
    virtual ~CMixerVolume();

    HRESULT Open(HWND notify, int range);
    HRESULT GetVolume(int& volume);
    HRESULT SetVolume(int volume);
    HRESULT GetMute(bool& mute);
    HRESULT SetMute(bool mute);

    // Mixer units for a user value, and the user value read back from mixer units.
    DWORD ToMixerUnits(int volume) const;
    int FromMixerUnits(DWORD raw) const;
    // Sets the bounds and range as Open would, without a mixer; for checking the conversions.
    void SetScale(DWORD minimum, DWORD maximum, int range);

private:
    HRESULT FindControl(DWORD lineId, DWORD type, MIXERCONTROLW& control);

    int m_range = 0;
    DWORD m_volumeId = 0;
    DWORD m_maximum = 0;
    double m_scale = 0.0;
    DWORD m_muteId = 0;
    HMIXER m_mixer = nullptr;
};
