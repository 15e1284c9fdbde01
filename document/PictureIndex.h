#pragma once
// The picture index: records that tie a picture (or no picture) to a moment of the recording,
// kept in file order.

#include <windows.h>
#include <cstdint>
#include <string>
#include <vector>

struct IndexRecord {
    bool isReference = false;   // kind 'R': takes no part in the picture periods
    bool hasPicture = true;     // the record's no-picture byte is 0
    std::wstring name;          // picture file name, converted from the ANSI code page
    std::uint32_t time = 0;     // milliseconds from the start of the voice track
};

class CPictureIndex {
public:
    CPictureIndex() = default;
    virtual ~CPictureIndex() = default;

    // Reads the index file at `path`. S_OK, E_FAIL for a missing, unreadable or invalid index,
    // E_UNEXPECTED for any other failure. A failure leaves no records.
    HRESULT LoadIndex(const std::wstring& path);
    HRESULT GetRecords(std::vector<IndexRecord>& records) const;

private:
    std::vector<IndexRecord> m_records;
};
