#pragma once
// A plain window that stands in for the player window in the engine tests: it owns the
// position timer the audio player arms, runs a handler on each of its ticks, and counts the
// mixer's change notifications.

#include "engine/AudioPlayer.h"

#include <windows.h>

#include <chrono>
#include <functional>
#include <thread>

class CEngineTestWindow {
public:
    CEngineTestWindow()
    {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = &CEngineTestWindow::Procedure;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = kClassName;
        RegisterClassW(&windowClass);
        m_hwnd = CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, windowClass.hInstance, this);
    }
    CEngineTestWindow(const CEngineTestWindow&) = delete;
    CEngineTestWindow& operator=(const CEngineTestWindow&) = delete;
    ~CEngineTestWindow() { DestroyWindow(m_hwnd); }

    HWND Get() const { return m_hwnd; }

    // Runs on every position tick, after it is counted; empty: the tick is only counted.
    void OnPositionTick(std::function<void()> handler) { m_onTick = std::move(handler); }
    int PositionTicks() const { return m_ticks; }
    int MixerNotifications() const { return m_mixerNotifications; }
    void ResetCounts() { m_ticks = m_mixerNotifications = 0; }

    // Dispatches this thread's messages until `done` holds or `milliseconds` have passed;
    // tells whether `done` held.
    template <class Condition>
    bool PumpUntil(Condition done, int milliseconds)
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
        while (!done()) {
            if (std::chrono::steady_clock::now() >= end) return false;
            MSG message;
            if (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageW(&message);
            else
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return true;
    }
    void Pump(int milliseconds)
    {
        PumpUntil([] { return false; }, milliseconds);
    }

    // Without a timer of that identifier KillTimer fails, so this is a harmless probe whenever
    // the answer is the expected one.
    bool KillPositionTimer() { return KillTimer(m_hwnd, IDT_POSITION) != FALSE; }

private:
    static constexpr const wchar_t* kClassName = L"KavoraEngineTestWindow";

    static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_NCCREATE) {
            const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        }
        auto* self = reinterpret_cast<CEngineTestWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (self && message == WM_TIMER && wParam == IDT_POSITION) {
            ++self->m_ticks;
            if (self->m_onTick) self->m_onTick();
            return 0;
        }
        if (self && (message == MM_MIXM_LINE_CHANGE || message == MM_MIXM_CONTROL_CHANGE)) {
            ++self->m_mixerNotifications;
            return 0;
        }
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }

    HWND m_hwnd = nullptr;
    std::function<void()> m_onTick;
    int m_ticks = 0;
    int m_mixerNotifications = 0;
};
