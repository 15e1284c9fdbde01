#include "engine/MixerVolume.h"

namespace {
// One value for all channels of one control.
template <class Detail>
MIXERCONTROLDETAILS Details(DWORD controlId, Detail& value)
{
    MIXERCONTROLDETAILS details{};
    details.cbStruct = sizeof(details);
    details.dwControlID = controlId;
    details.cChannels = 1;
    details.cMultipleItems = 0;
    details.cbDetails = sizeof(Detail);
    details.paDetails = &value;
    return details;
}

HMIXEROBJ AsObject(HMIXER mixer)
{
    return reinterpret_cast<HMIXEROBJ>(mixer);
}
}

CMixerVolume::~CMixerVolume()
{
    if (m_mixer) mixerClose(m_mixer);
}

HRESULT CMixerVolume::Open(HWND notify, int range)
{
    if (m_mixer || range <= 0) return E_FAIL;
    if (mixerOpen(&m_mixer, 0, reinterpret_cast<DWORD_PTR>(notify), 0, CALLBACK_WINDOW) != MMSYSERR_NOERROR) {
        m_mixer = nullptr;
        return E_FAIL;
    }

    MIXERLINEW line{};
    line.cbStruct = sizeof(line);
    line.dwComponentType = MIXERLINE_COMPONENTTYPE_DST_SPEAKERS;
    if (mixerGetLineInfoW(AsObject(m_mixer), &line, MIXER_OBJECTF_HMIXER | MIXER_GETLINEINFOF_COMPONENTTYPE) != MMSYSERR_NOERROR)
        return E_FAIL;

    MIXERCONTROLW volume{};
    if (FAILED(FindControl(line.dwLineID, MIXERCONTROL_CONTROLTYPE_VOLUME, volume))) return E_FAIL;
    m_volumeId = volume.dwControlID;
    SetScale(volume.Bounds.dwMinimum, volume.Bounds.dwMaximum, range);

    MIXERCONTROLW mute{};
    if (FAILED(FindControl(line.dwLineID, MIXERCONTROL_CONTROLTYPE_MUTE, mute))) return E_FAIL;
    m_muteId = mute.dwControlID;
    return S_OK;
}

HRESULT CMixerVolume::FindControl(DWORD lineId, DWORD type, MIXERCONTROLW& control)
{
    MIXERLINECONTROLSW controls{};
    controls.cbStruct = sizeof(controls);
    controls.dwLineID = lineId;
    controls.dwControlType = type;
    controls.cControls = 1;
    controls.cbmxctrl = sizeof(control);
    controls.pamxctrl = &control;
    control.cbStruct = sizeof(control);
    const MMRESULT result =
        mixerGetLineControlsW(AsObject(m_mixer), &controls, MIXER_OBJECTF_HMIXER | MIXER_GETLINECONTROLSF_ONEBYTYPE);
    return result == MMSYSERR_NOERROR ? S_OK : E_FAIL;
}

void CMixerVolume::SetScale(DWORD minimum, DWORD maximum, int range)
{
    m_maximum = maximum;
    m_range = range;
    m_scale = (static_cast<double>(maximum) - static_cast<double>(minimum) + 1.0) / static_cast<double>(range);
}

DWORD CMixerVolume::ToMixerUnits(int volume) const
{
    if (volume < 0) volume = 0;
    if (volume > m_range) volume = m_range;
    const double raw = static_cast<double>(volume) * m_scale;
    return raw > static_cast<double>(m_maximum) ? m_maximum : static_cast<DWORD>(raw);
}

int CMixerVolume::FromMixerUnits(DWORD raw) const
{
    return m_scale > 0.0 ? static_cast<int>(static_cast<double>(raw) / m_scale + 0.5) : 0;
}

HRESULT CMixerVolume::SetVolume(int volume)
{
    if (!m_mixer) return E_FAIL;
    MIXERCONTROLDETAILS_UNSIGNED value{ToMixerUnits(volume)};
    MIXERCONTROLDETAILS details = Details(m_volumeId, value);
    return mixerSetControlDetails(AsObject(m_mixer), &details, MIXER_OBJECTF_HMIXER | MIXER_SETCONTROLDETAILSF_VALUE) ==
                   MMSYSERR_NOERROR
               ? S_OK
               : E_FAIL;
}

HRESULT CMixerVolume::GetVolume(int& volume)
{
    if (!m_mixer) return E_FAIL;
    MIXERCONTROLDETAILS_UNSIGNED value{};
    MIXERCONTROLDETAILS details = Details(m_volumeId, value);
    // A failed read leaves the caller's value as it was and still counts as success.
    if (mixerGetControlDetailsW(AsObject(m_mixer), &details, MIXER_OBJECTF_HMIXER | MIXER_GETCONTROLDETAILSF_VALUE) !=
        MMSYSERR_NOERROR)
        return S_OK;
    volume = FromMixerUnits(value.dwValue);
    return S_OK;
}

HRESULT CMixerVolume::SetMute(bool mute)
{
    if (!m_mixer) return E_FAIL;
    MIXERCONTROLDETAILS_BOOLEAN value{mute ? 1L : 0L};
    MIXERCONTROLDETAILS details = Details(m_muteId, value);
    return mixerSetControlDetails(AsObject(m_mixer), &details, MIXER_OBJECTF_HMIXER | MIXER_SETCONTROLDETAILSF_VALUE) ==
                   MMSYSERR_NOERROR
               ? S_OK
               : E_FAIL;
}

HRESULT CMixerVolume::GetMute(bool& mute)
{
    if (!m_mixer) return E_FAIL;
    MIXERCONTROLDETAILS_BOOLEAN value{};
    MIXERCONTROLDETAILS details = Details(m_muteId, value);
    if (mixerGetControlDetailsW(AsObject(m_mixer), &details, MIXER_OBJECTF_HMIXER | MIXER_GETCONTROLDETAILSF_VALUE) !=
        MMSYSERR_NOERROR)
        return E_FAIL;
    mute = value.fValue != 0;
    return S_OK;
}
