#include "kavtool/Json.h"

#include <cwchar>

namespace {
bool IsHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

void AppendEscape(std::wstring& text, wchar_t c)
{
    wchar_t escape[8];
    std::swprintf(escape, 8, L"\\u%04x", static_cast<unsigned>(c));
    text += escape;
}
}  // namespace

void CJsonWriter::Key(const wchar_t* key)
{
    BeginValue();
    AppendQuoted(key);
    m_text += L':';
    m_afterKey = true;
}

void CJsonWriter::String(const std::wstring& text)
{
    BeginValue();
    AppendQuoted(text);
}

void CJsonWriter::Number(std::int64_t value)
{
    BeginValue();
    m_text += std::to_wstring(value);
}

void CJsonWriter::Null()
{
    BeginValue();
    m_text += L"null";
}

void CJsonWriter::BeginValue()
{
    if (m_afterKey) {
        m_afterKey = false;
        return;
    }
    if (m_hasMembers.empty()) return;
    if (m_hasMembers.back()) m_text += L',';
    m_hasMembers.back() = true;
}

void CJsonWriter::Open(wchar_t bracket)
{
    BeginValue();
    m_text += bracket;
    m_hasMembers.push_back(false);
}

void CJsonWriter::Close(wchar_t bracket)
{
    m_text += bracket;
    m_hasMembers.pop_back();
}

void CJsonWriter::AppendQuoted(const std::wstring& text)
{
    m_text += L'"';
    for (std::size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        switch (c) {
        case L'"': m_text += L"\\\""; break;
        case L'\\': m_text += L"\\\\"; break;
        case L'\b': m_text += L"\\b"; break;
        case L'\f': m_text += L"\\f"; break;
        case L'\n': m_text += L"\\n"; break;
        case L'\r': m_text += L"\\r"; break;
        case L'\t': m_text += L"\\t"; break;
        default:
            if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
                m_text += c;
                m_text += text[++i];
            } else if (c < 0x20 || IsHighSurrogate(c) || IsLowSurrogate(c)) {
                AppendEscape(m_text, c);
            } else {
                m_text += c;
            }
        }
    }
    m_text += L'"';
}
