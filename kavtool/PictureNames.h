#pragma once
// Entry names for a document's pictures. The picture index stores a name in 12 bytes of the
// reader's ANSI code page, and the player extracts every picture under its name next to
// ZEL.PIN and ZEL.TMV; so a picture keeps its own file name only when that is a short 8.3 name
// in plain ASCII (the same bytes in every code page) and unique as the file system compares
// names. Any other picture gets a derived name, P0001.JPG, P0002.PNG, ...

#include <string>
#include <vector>

// The entry names for pictures whose files are called `fileNames`, in the same order. Names
// that can stay are kept first, so a derived name never takes a picture's own name from it.
std::vector<std::wstring> ChoosePictureNames(const std::vector<std::wstring>& fileNames);

// A name of one to eight characters, optionally a dot and one to three more, all of them
// ASCII letters, digits or the punctuation 8.3 names allow.
bool IsShortAsciiName(const std::wstring& name);
