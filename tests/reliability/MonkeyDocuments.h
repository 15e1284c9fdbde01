#pragma once
// The documents the random run hands the player: good ones (the demo, retitled copies of it in
// folders with plain and awkward names, a huge one with 500 pictures, a tiny one without pictures
// and with under a second of voice), damaged ones (cut short, or with a broken header) and missing
// ones. Each good document is also loaded into a private folder, so the run knows its title, its
// length and the items the player's work folder must hold while it is open.

#include "document/PlayerDocument.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

enum class DocumentKind { Good, Damaged, Missing };

struct MonkeyDocument {
    std::wstring label;  // for the action log
    std::wstring path;   // absolute
    DocumentKind kind = DocumentKind::Good;
    // Good documents only: the title the player shows, the voice's length, and the document
    // loaded into a private folder.
    std::wstring title;
    int seconds = 0;
    std::shared_ptr<CPlayerDocument> reference;
};

class CMonkeyDocuments {
public:
    CMonkeyDocuments() = default;
    CMonkeyDocuments(const CMonkeyDocuments&) = delete;
    CMonkeyDocuments& operator=(const CMonkeyDocuments&) = delete;
    // Removes the documents and the private folders.
    ~CMonkeyDocuments();

    // Makes every document under the temporary folder, "kavmonkey\"; the damage depends on
    // `seed`. Checks that each good one loads and each damaged one does not; `error` says what
    // went wrong otherwise.
    bool Prepare(const std::wstring& demoPath, std::uint64_t seed, std::string& error);

    const std::vector<MonkeyDocument>& All() const { return m_documents; }
    // The good document showing `title`; null for none.
    const MonkeyDocument* WithTitle(const std::wstring& title) const;
    // The scratch folder itself, with its trailing backslash.
    const std::wstring& Folder() const { return m_folder; }

private:
    bool AddGood(const std::wstring& label, const std::wstring& path, std::string& error);
    bool AddDamaged(const std::wstring& label, const std::wstring& path, std::string& error);

    std::wstring m_folder;
    std::vector<MonkeyDocument> m_documents;
};
