#include "kavtool/WebPage.h"

#include "kavtool/Console.h"
#include "kavtool/Json.h"

namespace {
constexpr std::string_view kOpen = "{{";
constexpr std::string_view kClose = "}}";

// JSON allows these three anywhere as \u escapes; inside a string they are the only way the
// HTML parser could see a tag or a reference.
std::wstring EscapeForScriptElement(const std::wstring& json)
{
    std::wstring escaped;
    escaped.reserve(json.size());
    for (const wchar_t c : json) {
        switch (c) {
        case L'<': escaped += L"\\u003c"; break;
        case L'>': escaped += L"\\u003e"; break;
        case L'&': escaped += L"\\u0026"; break;
        default: escaped += c;
        }
    }
    return escaped;
}
}  // namespace

std::wstring TimelineJson(const WebTimeline& timeline)
{
    CJsonWriter json;
    json.BeginObject();
    json.Key(L"title");
    json.String(timeline.title);
    json.Key(L"duration_ms");
    json.Number(timeline.durationMs);
    json.Key(L"voice");
    json.String(timeline.voice);
    json.Key(L"periods");
    json.BeginArray();
    for (const WebPeriod& period : timeline.periods) {
        json.BeginObject();
        json.Key(L"start_ms");
        json.Number(period.startMs);
        json.Key(L"end_ms");
        json.Number(period.endMs);
        json.Key(L"picture");
        if (period.picture.empty()) json.Null();
        else json.String(period.picture);
        json.EndObject();
    }
    json.EndArray();
    json.EndObject();
    return json.Text();
}

std::wstring EscapeHtml(const std::wstring& text)
{
    std::wstring escaped;
    escaped.reserve(text.size());
    for (const wchar_t c : text) {
        switch (c) {
        case L'&': escaped += L"&amp;"; break;
        case L'<': escaped += L"&lt;"; break;
        case L'>': escaped += L"&gt;"; break;
        case L'"': escaped += L"&quot;"; break;
        case L'\'': escaped += L"&#39;"; break;
        default: escaped += c;
        }
    }
    return escaped;
}

std::string FillPageTemplate(std::string_view pageTemplate, const std::wstring& title, const std::wstring& timelineJson)
{
    const std::string titleText = ToUtf8(EscapeHtml(title));
    const std::string timelineText = ToUtf8(EscapeForScriptElement(timelineJson));
    // One pass over the template: a value is never searched for further placeholders.
    std::string page;
    std::size_t at = 0;
    for (;;) {
        const std::size_t open = pageTemplate.find(kOpen, at);
        const std::size_t close = open == std::string_view::npos ? open : pageTemplate.find(kClose, open);
        if (close == std::string_view::npos) break;
        page += pageTemplate.substr(at, open - at);
        const std::string_view name = pageTemplate.substr(open + kOpen.size(), close - open - kOpen.size());
        if (name == "title") page += titleText;
        else if (name == "timeline") page += timelineText;
        else page += pageTemplate.substr(open, close + kClose.size() - open);
        at = close + kClose.size();
    }
    page += pageTemplate.substr(at);
    return page;
}
