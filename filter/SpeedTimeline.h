#pragma once
// Which moment of the recording the speed filter's output holds at each moment of its stream
// time. Every delivered piece of output adds a mark: from that stream time on, the recording
// advances `speed` seconds a second. Times are in 100 ns units; recording times are counted from
// the start of the segment the graph's last seek began. Not locked: its owner locks it.

#include <deque>

#include <windows.h>

class CSpeedTimeline {
public:
    void Reset()
    {
        m_marks.clear();
        m_end = 0;
    }
    void AddMark(LONGLONG streamTime, LONGLONG recordingTime, double speed)
    {
        // Marks older than any position asked for again are dropped; a few seconds stay.
        if (m_marks.size() == kKeptMarks) m_marks.pop_front();
        m_marks.push_back({streamTime, recordingTime, speed});
    }
    // The end of the input received so far: no later position is ever reported.
    void SetEnd(LONGLONG recordingTime) { m_end = recordingTime; }

    // The recording time at `streamTime`; before the first mark, the first mark's.
    LONGLONG RecordingAt(LONGLONG streamTime) const
    {
        if (m_marks.empty()) return 0;
        const Mark* mark = &m_marks.front();
        for (const Mark& later : m_marks)
            if (later.stream <= streamTime) mark = &later;
        const LONGLONG elapsed = streamTime > mark->stream ? streamTime - mark->stream : 0;
        const LONGLONG recording = mark->recording + static_cast<LONGLONG>(static_cast<double>(elapsed) * mark->speed);
        return recording < m_end ? recording : m_end;
    }

private:
    struct Mark {
        LONGLONG stream;
        LONGLONG recording;
        double speed;
    };
    static constexpr std::size_t kKeptMarks = 512;

    std::deque<Mark> m_marks;
    LONGLONG m_end = 0;
};
