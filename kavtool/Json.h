#pragma once
// Builds one line of JSON. Strings are escaped as JSON requires; a UTF-16 code unit that is
// half of no pair (container names may hold any) is written as its \u escape, so the text
// converts to UTF-8 without loss.

#include <cstdint>
#include <string>
#include <vector>

class CJsonWriter {
public:
    void BeginObject() { Open(L'{'); }
    void EndObject() { Close(L'}'); }
    void BeginArray() { Open(L'['); }
    void EndArray() { Close(L']'); }
    // Names the next value of the open object.
    void Key(const wchar_t* key);
    void String(const std::wstring& text);
    void Number(std::int64_t value);
    void Null();

    const std::wstring& Text() const { return m_text; }

private:
    void BeginValue();
    void Open(wchar_t bracket);
    void Close(wchar_t bracket);
    void AppendQuoted(const std::wstring& text);

    std::wstring m_text;
    std::vector<bool> m_hasMembers;  // one per open object or array
    bool m_afterKey = false;
};
