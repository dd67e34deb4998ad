// Article layout: one dictionary line turned into the short text of the result file "Dravel.txt",
// broken at the dictionary's markers (Roman " _I ", numbered "1." and "1>", sub-sense "a>") and
// wrapped at 76 characters, lines ending in CR LF.
#pragma once

#include <stddef.h>

#include <string>

#include "core.h"

namespace dravel {

// Headword length of a line: the position of its first two spaces, 2 when they stand at
// position 0 or 1, 0 when the line has none.
size_t HeadwordLength(const char* line, size_t length);

// Appends the laid-out article to out. NUL bytes of the line are laid out as spaces.
void LayoutArticle(const char* line, size_t length, std::string* out);

// Writes bytes into "Dravel.txt" in folder (which must exist) and gives its path. CreateResult
// when the path would exceed PathLimit or the file cannot be created or written (a partly written
// file is removed; the folder is left to its maker).
Error WriteResultBytes(const char* folder, const std::string& bytes, std::string* path);

// Writes the laid-out article into "Dravel.txt" in folder (which must exist) and gives its path.
// CreateResult when the path would exceed PathLimit or the file cannot be created or written
// (a partly written file is removed; the folder is left to its maker).
Error WriteResultFile(const char* folder, const char* line, size_t length, std::string* path);

} // namespace dravel
