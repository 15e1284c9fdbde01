#pragma once
// The exported web page's text: its timeline as JSON, and the page made of the template kept in
// kavtool/web/ with the document's title and timeline filled in. Every name from the document is
// escaped for the place it goes to, so none is ever read as markup or as the end of a script.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// One period of the timeline: from its start to the next period's start (the last one to the end
// of the voice), showing `picture` (a file of the exported folder) or, when empty, no picture.
struct WebPeriod {
    std::int64_t startMs = 0;
    std::int64_t endMs = 0;
    std::wstring picture;
};

struct WebTimeline {
    std::wstring title;
    std::int64_t durationMs = 0;
    std::wstring voice;  // the voice file of the exported folder
    std::vector<WebPeriod> periods;
};

// {"title", "duration_ms", "voice", "periods": [{"start_ms", "end_ms", "picture"}]} on one line,
// with "picture" null for a period without one.
std::wstring TimelineJson(const WebTimeline& timeline);

// `text` as HTML character data or attribute value: & < > " ' become references.
std::wstring EscapeHtml(const std::wstring& text);

// The page template with {{title}} and {{timeline}} replaced, as UTF-8. The timeline goes into
// a <script type="application/json"> element, so its '<', '>' and '&' are written as JSON
// escapes: a name holding "</script>" stays inside the string it belongs to.
std::string FillPageTemplate(std::string_view pageTemplate, const std::wstring& title, const std::wstring& timelineJson);
