#include "kavtool/CommandLine.h"

#include "kavtool/Console.h"

#include <algorithm>
#include <cstdlib>
#include <cwchar>

namespace {
constexpr std::uint32_t kMaxMilliseconds = 0x7FFFFFFF;

bool IsHelp(const std::wstring& arg)
{
    return arg == L"--help" || arg == L"-h";
}
}  // namespace

void FailWithFile(const std::wstring& path, const std::wstring& problem)
{
    throw CommandError(kExitFailure, L"kavtool: " + path + L": " + problem);
}

void FailWithFile(const std::wstring& path, const std::wstring& problem, HRESULT code)
{
    FailWithFile(path, problem + L" (" + DescribeResult(code) + L")");
}

std::wstring FormatResult(HRESULT code)
{
    wchar_t text[16];
    std::swprintf(text, 16, L"0x%08X", static_cast<unsigned>(code));
    return text;
}

std::wstring DescribeResult(HRESULT code)
{
    wchar_t* buffer = nullptr;
    constexpr DWORD kFlags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    const DWORD length =
        FormatMessageW(kFlags, nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring words(buffer ? buffer : L"", length);
    LocalFree(buffer);
    // The system's text ends with a full stop and a line break; the message goes on after it.
    while (!words.empty() && (words.back() == L'\n' || words.back() == L'\r' || words.back() == L'.' || words.back() == L' '))
        words.pop_back();
    return words.empty() ? FormatResult(code) : FormatResult(code) + L": " + words;
}

CCommandLine::CCommandLine(const wchar_t* command, const std::vector<std::wstring>& args,
                           const std::vector<OptionSpec>& options)
    : m_command(command)
{
    for (const std::wstring& arg : args) {
        if (arg == L"--") break;
        if (IsHelp(arg)) {
            m_wantsHelp = true;
            return;
        }
    }

    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::wstring& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != L'-') {
            m_positionals.push_back(arg);
            continue;
        }
        if (arg == L"--") {
            optionsEnded = true;
            continue;
        }
        const std::size_t equals = arg.find(L'=');
        const std::wstring name = arg.substr(0, equals);
        const auto known =
            std::find_if(options.begin(), options.end(), [&](const OptionSpec& option) { return name == option.name; });
        if (known == options.end()) FailUsage(L"unknown option " + name);
        if (!known->repeatable && Has(known->name)) FailUsage(name + L" given more than once");

        std::wstring value;
        if (equals != std::wstring::npos) {
            if (!known->takesValue) FailUsage(name + L" takes no value");
            value = arg.substr(equals + 1);
        } else if (known->takesValue) {
            if (i + 1 == args.size()) FailUsage(name + L" needs a value");
            value = args[++i];
        }
        m_options.emplace_back(known->name, value);
    }
}

bool CCommandLine::PrintHelpIfAsked(const wchar_t* help) const
{
    if (m_wantsHelp) PrintOut(help);
    return m_wantsHelp;
}

void CCommandLine::ExpectPositionals(std::initializer_list<const wchar_t*> names) const
{
    if (m_positionals.size() < names.size()) FailUsage(L"missing " + std::wstring(names.begin()[m_positionals.size()]));
    if (m_positionals.size() > names.size()) FailUsage(L"unexpected argument \"" + m_positionals[names.size()] + L"\"");
}

bool CCommandLine::Has(const wchar_t* name) const
{
    for (const auto& option : m_options)
        if (option.first == name) return true;
    return false;
}

std::optional<std::wstring> CCommandLine::Value(const wchar_t* name) const
{
    for (const auto& option : m_options)
        if (option.first == name) return option.second;
    return std::nullopt;
}

void CCommandLine::FailUsage(const std::wstring& problem) const
{
    throw CommandError(kExitUsage, L"kavtool " + m_command + L": " + problem + L" (see kavtool " + m_command + L" --help)");
}

std::uint32_t ParseMilliseconds(const CCommandLine& line, const std::wstring& option, const std::wstring& text)
{
    // Ten digits hold every accepted value; more could only overflow the conversion.
    const bool digitsOnly = !text.empty() && text.size() <= 10 && text.find_first_not_of(L"0123456789") == std::wstring::npos;
    const std::uint64_t value = digitsOnly ? std::wcstoull(text.c_str(), nullptr, 10) : 0;
    if (!digitsOnly || value > kMaxMilliseconds)
        line.FailUsage(option + L" needs a time in milliseconds from 0 to 2147483647, not \"" + text + L"\"");
    return static_cast<std::uint32_t>(value);
}
