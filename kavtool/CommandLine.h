#pragma once
// What every command shares: its exit statuses, the one-line failure that ends it, and the
// parsing of its arguments into options and positional arguments.

#include <windows.h>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <utility>
#include <vector>

enum ExitStatus : int {
    kExitOk = 0,
    kExitFailure = 1,  // a file is missing, unreadable or invalid, or an operation failed
    kExitUsage = 2,    // the command line itself is wrong
};

// Ends a command: the tool prints the message as one line on standard error and exits with
// the status.
class CommandError {
public:
    CommandError(ExitStatus status, std::wstring message) : m_status(status), m_message(std::move(message)) {}
    ExitStatus Status() const { return m_status; }
    const std::wstring& Message() const { return m_message; }

private:
    ExitStatus m_status;
    std::wstring m_message;
};

// A problem with one file: "kavtool: PATH: PROBLEM".
[[noreturn]] void FailWithFile(const std::wstring& path, const std::wstring& problem);
// The same for a failed platform or library call, with its result code and the system's words.
[[noreturn]] void FailWithFile(const std::wstring& path, const std::wstring& problem, HRESULT code);
// "0x80004005: Unspecified error": the code and what the system says about it.
std::wstring DescribeResult(HRESULT code);
std::wstring FormatResult(HRESULT code);

struct OptionSpec {
    const wchar_t* name;  // "--title"
    bool takesValue;
    bool repeatable;
};

// The arguments of one command. An option's value follows it ("--title Talk") or is joined to
// it with "=" ("--title=Talk"); "--" ends the options. "--help" or "-h" anywhere asks for the
// command's help and suspends every other check.
class CCommandLine {
public:
    CCommandLine(const wchar_t* command, const std::vector<std::wstring>& args, const std::vector<OptionSpec>& options);

    // Prints `help` when the command line asks for it; the command then has nothing else to do.
    bool PrintHelpIfAsked(const wchar_t* help) const;
    // Requires exactly these positional arguments, named for the message when one is missing.
    void ExpectPositionals(std::initializer_list<const wchar_t*> names) const;
    const std::wstring& Positional(std::size_t i) const { return m_positionals[i]; }

    bool Has(const wchar_t* name) const;
    std::optional<std::wstring> Value(const wchar_t* name) const;
    // Every option with its value, in command-line order.
    const std::vector<std::pair<std::wstring, std::wstring>>& Options() const { return m_options; }

    [[noreturn]] void FailUsage(const std::wstring& problem) const;

private:
    std::wstring m_command;
    bool m_wantsHelp = false;
    std::vector<std::wstring> m_positionals;
    std::vector<std::pair<std::wstring, std::wstring>> m_options;
};

// A time in milliseconds: decimal digits only, at most 2^31 - 1 (the index stores it as a
// 32-bit number the player reads as signed).
std::uint32_t ParseMilliseconds(const CCommandLine& line, const std::wstring& option, const std::wstring& text);
