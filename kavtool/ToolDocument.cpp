#include "kavtool/ToolDocument.h"

#include "document/WorkFolder.h"
#include "kavtool/CommandLine.h"

std::wstring PrivateWorkFolder(const std::wstring& documentPath)
{
    const std::wstring temp = GetTempFolder();
    if (temp.empty()) FailWithFile(documentPath, L"cannot be read: the system names no usable temporary folder");
    return temp + L"kavtool-" + std::to_wstring(GetCurrentProcessId()) + L"\\";
}

std::wstring DescribeLoadFailure(const std::wstring& documentPath, HRESULT result)
{
    const std::wstring problem = result == E_INVALIDARG ? L"no such file" : L"the player cannot open this document";
    return L"kavtool: " + documentPath + L": " + problem + L" (" + DescribeResult(result) + L")";
}

void FailToOpen(const std::wstring& documentPath, HRESULT result)
{
    throw CommandError(kExitFailure, DescribeLoadFailure(documentPath, result));
}
