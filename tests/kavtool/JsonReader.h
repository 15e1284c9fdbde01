#pragma once
// A strict reader of JSON text, enough to check what kavtool inspect --json prints: a text
// that is not exactly one valid JSON value reads as invalid.

#include <string>
#include <utility>
#include <vector>

class JsonValue {
public:
    enum class Kind { Invalid, Null, Boolean, Number, String, Array, Object };

    static JsonValue Parse(const std::wstring& text);

    Kind GetKind() const { return m_kind; }
    bool IsNull() const { return m_kind == Kind::Null; }
    double Number() const { return m_number; }
    const std::wstring& String() const { return m_text; }
    std::size_t Size() const { return m_items.size(); }
    // An element or member; an Invalid value when there is none.
    const JsonValue& At(std::size_t index) const;
    const JsonValue& operator[](const wchar_t* key) const;
    bool Has(const wchar_t* key) const;

private:
    friend class CJsonParser;
    Kind m_kind = Kind::Invalid;
    bool m_boolean = false;
    double m_number = 0;
    std::wstring m_text;
    std::vector<JsonValue> m_items;
    std::vector<std::wstring> m_keys;  // for an object, one per item
};
