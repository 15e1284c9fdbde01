#include "tests/kavtool/JsonReader.h"

#include <cwchar>
#include <cwctype>
#include <stdexcept>

namespace {
const JsonValue kMissing;
}

class CJsonParser {
public:
    explicit CJsonParser(const std::wstring& text) : m_text(text) {}

    JsonValue ParseDocument()
    {
        JsonValue value = ParseValue();
        SkipSpace();
        if (m_at != m_text.size()) Fail();
        return value;
    }

private:
    [[noreturn]] static void Fail() { throw std::runtime_error("invalid JSON"); }

    void SkipSpace()
    {
        while (m_at < m_text.size() && std::wcschr(L" \t\r\n", m_text[m_at]) && m_text[m_at]) ++m_at;
    }
    wchar_t Next()
    {
        if (m_at == m_text.size()) Fail();
        return m_text[m_at++];
    }
    void Expect(const wchar_t* word)
    {
        for (; *word; ++word)
            if (Next() != *word) Fail();
    }

    JsonValue ParseValue()
    {
        SkipSpace();
        JsonValue value;
        const wchar_t c = m_at < m_text.size() ? m_text[m_at] : L'\0';
        if (c == L'{') return ParseObject();
        if (c == L'[') return ParseArray();
        if (c == L'"') {
            value.m_kind = JsonValue::Kind::String;
            value.m_text = ParseString();
        } else if (c == L'n') {
            Expect(L"null");
            value.m_kind = JsonValue::Kind::Null;
        } else if (c == L't' || c == L'f') {
            Expect(c == L't' ? L"true" : L"false");
            value.m_kind = JsonValue::Kind::Boolean;
            value.m_boolean = c == L't';
        } else if (c == L'-' || std::iswdigit(c)) {
            const std::size_t start = m_at;
            while (m_at < m_text.size() && std::wcschr(L"+-.eE0123456789", m_text[m_at]) && m_text[m_at]) ++m_at;
            value.m_kind = JsonValue::Kind::Number;
            value.m_number = std::wcstod(m_text.substr(start, m_at - start).c_str(), nullptr);
        } else {
            Fail();
        }
        return value;
    }

    JsonValue ParseArray()
    {
        JsonValue value;
        value.m_kind = JsonValue::Kind::Array;
        Expect(L"[");
        SkipSpace();
        if (m_at < m_text.size() && m_text[m_at] == L']') {
            ++m_at;
            return value;
        }
        for (;;) {
            value.m_items.push_back(ParseValue());
            SkipSpace();
            const wchar_t c = Next();
            if (c == L']') return value;
            if (c != L',') Fail();
        }
    }

    JsonValue ParseObject()
    {
        JsonValue value;
        value.m_kind = JsonValue::Kind::Object;
        Expect(L"{");
        SkipSpace();
        if (m_at < m_text.size() && m_text[m_at] == L'}') {
            ++m_at;
            return value;
        }
        for (;;) {
            SkipSpace();
            if (m_at == m_text.size() || m_text[m_at] != L'"') Fail();
            value.m_keys.push_back(ParseString());
            SkipSpace();
            Expect(L":");
            value.m_items.push_back(ParseValue());
            SkipSpace();
            const wchar_t c = Next();
            if (c == L'}') return value;
            if (c != L',') Fail();
        }
    }

    std::wstring ParseString()
    {
        Expect(L"\"");
        std::wstring text;
        for (;;) {
            const wchar_t c = Next();
            if (c == L'"') return text;
            if (c < 0x20) Fail();
            if (c != L'\\') {
                text += c;
                continue;
            }
            const wchar_t escape = Next();
            switch (escape) {
            case L'"': case L'\\': case L'/': text += escape; break;
            case L'b': text += L'\b'; break;
            case L'f': text += L'\f'; break;
            case L'n': text += L'\n'; break;
            case L'r': text += L'\r'; break;
            case L't': text += L'\t'; break;
            case L'u': {
                std::wstring digits;
                for (int i = 0; i < 4; ++i) {
                    digits += Next();
                    if (!std::iswxdigit(digits.back())) Fail();
                }
                text += static_cast<wchar_t>(std::wcstoul(digits.c_str(), nullptr, 16));
                break;
            }
            default: Fail();
            }
        }
    }

    const std::wstring& m_text;
    std::size_t m_at = 0;
};

JsonValue JsonValue::Parse(const std::wstring& text)
{
    try {
        return CJsonParser(text).ParseDocument();
    } catch (const std::runtime_error&) {
        return JsonValue();
    }
}

const JsonValue& JsonValue::At(std::size_t index) const
{
    return m_kind == Kind::Array && index < m_items.size() ? m_items[index] : kMissing;
}

const JsonValue& JsonValue::operator[](const wchar_t* key) const
{
    for (std::size_t i = 0; i < m_keys.size(); ++i)
        if (m_keys[i] == key) return m_items[i];
    return kMissing;
}

bool JsonValue::Has(const wchar_t* key) const
{
    return &(*this)[key] != &kMissing;
}
