// Opening documents from the file dialog, a drop on the window and a second start's hand-off;
// the session runs the opens themselves.
#include "framework/Resources.h"
#include "base/Result.h"
#include "framework/WinApp.h"
#include "player/DocumentPath.h"
#include "player/PlayerDlg.h"
#include "resources/ResourceIds.h"
#include <commdlg.h>
#include <shellapi.h>

namespace {
FORMATETC FileListFormat()
{
    return FORMATETC{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
}

// The file list of a drag, released with its medium.
class DroppedFiles {
public:
    explicit DroppedFiles(IDataObject* data)
    {
        FORMATETC format = FileListFormat();
        if (data && SUCCEEDED(data->QueryGetData(&format)) && SUCCEEDED(data->GetData(&format, &m_medium)))
            m_valid = true;
    }
    DroppedFiles(const DroppedFiles&) = delete;
    DroppedFiles& operator=(const DroppedFiles&) = delete;
    ~DroppedFiles()
    {
        if (m_valid) ReleaseStgMedium(&m_medium);
    }

    bool IsValid() const { return m_valid; }
    UINT Count() const { return m_valid ? DragQueryFileW(Drop(), 0xFFFFFFFF, nullptr, 0) : 0; }
    std::wstring First() const
    {
        wchar_t name[MAX_PATH] = {};
        if (!m_valid || !DragQueryFileW(Drop(), 0, name, MAX_PATH)) return std::wstring();
        return name;
    }

private:
    HDROP Drop() const { return static_cast<HDROP>(m_medium.hGlobal); }

    STGMEDIUM m_medium{};
    bool m_valid = false;
};
}

void CPlayerDlg::OnOpenWithDialog()
{
    std::wstring file(32768, L'\0');
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = m_hWnd;
    dialog.lpstrFilter = L"Kavora File (*.kav)\0*.kav\0";
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.lpstrDefExt = L"kav";
    dialog.Flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
    if (!GetOpenFileNameW(&dialog)) return;
    file.resize(wcslen(file.c_str()));
    m_session.RequestOpen(file, OpenSource::FileDialog);
}

// A second start hands its path over. The path is copied and the message answered at once, so
// the second start never waits on this window's message boxes; the open runs after it.
void CPlayerDlg::OnCopyData(const COPYDATASTRUCT* data)
{
    if (const std::optional<std::wstring> path = PathFromCopyData(data))
        m_session.RequestOpen(*path, OpenSource::HandOff);
}

bool CPlayerDlg::AcceptsDrag(IDataObject* data) const
{
    DroppedFiles files(data);
    if (files.Count() != 1) return false;
    const std::wstring name = files.First();
    return !name.empty() && HasDocumentExtension(name);
}

HRESULT CPlayerDlg::DropFiles(IDataObject* data, DWORD* effect)
{
    std::wstring name;
    {
        DroppedFiles files(data);
        const UINT count = files.Count();
        if (!files.IsValid() || count != 1) {
            AppMessageBox(LoadResourceString(IDS_PLAYBACK_FAILED), MB_OK);
            return E_FAIL;
        }
        name = files.First();
    }
    if (effect) *effect = DROPEFFECT_COPY;
    return m_session.RequestOpen(name, OpenSource::Drop);
}

// ---------------------------------------------------------------------------------------------
// IDropTarget

HRESULT STDMETHODCALLTYPE CPlayerDlg::CDropTarget::QueryInterface(REFIID iid, void** object)
{
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDropTarget) {
        *object = static_cast<IDropTarget*>(this);
        return S_OK;
    }
    return E_NOINTERFACE;
}

HRESULT STDMETHODCALLTYPE CPlayerDlg::CDropTarget::DragEnter(IDataObject* data, DWORD, POINTL, DWORD* effect)
{
    m_owner.m_dragData = ComPtr<IDataObject>(data);
    if (effect) *effect = DROPEFFECT_NONE;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CPlayerDlg::CDropTarget::DragOver(DWORD, POINTL, DWORD* effect)
{
    if (effect) *effect = DROPEFFECT_NONE;
    if (!m_owner.AcceptsDrag(m_owner.m_dragData.Get())) return E_FAIL;
    if (effect) *effect = DROPEFFECT_COPY;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CPlayerDlg::CDropTarget::Drop(IDataObject* data, DWORD, POINTL, DWORD* effect)
{
    m_owner.m_dragData.Reset();
    return m_owner.DropFiles(data, effect);
}

HRESULT STDMETHODCALLTYPE CPlayerDlg::CDropTarget::DragLeave()
{
    m_owner.m_dragData.Reset(); // the object is the drag source's; never keep it past the drag
    return S_OK;
}
