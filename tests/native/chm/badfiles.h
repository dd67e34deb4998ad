// Test-only builders of CHM files made to cost a reader time or memory out of proportion to
// their size: the bad-input regression files are written from them, and the benchmark builds a
// larger expansion bomb from the same recipe.
#pragma once

#include <stdint.h>

#include "chm_builder.h"

// `section` bytes (a multiple of 64 KB) of 'A' in 64 KB windows that all compress to the same
// bytes: one literal, then repeats of it, 257 bytes a match; a sound reset table. Objects:
// "/first.html" (1000 bytes at 0), "/last.html" (the last 1000), "/whole" (all of it), and the
// four topic tables of 4 KB each in the last 64 KB. With `aliases`, the name list holds that many
// more sections named "MSCompressed" after the first, and the tables lie in them in turn; with
// `untrusted`, the reset table's frame length is not 32 KB.
Bytes ExpansionBomb(uint32_t section, uint32_t aliases = 0, bool untrusted = false);

const uint32_t PlainObjects = 20000, SectionNames = 65535;

// 65,535 section names against a directory of 20,000 records, two of the names with a Content
// record (one of them twice: the later one counts). Most names and records repeat, which keeps
// the file small; a scan of the directory per name costs the same either way.
Bytes NameListAgainstDirectory();

// Small chunks that all list the same twenty entries.
Bytes RepeatedListingEntries();

// About 4 MB of the smallest entries there are: a two-byte name and three one-byte integers.
Bytes TinyEntries();

const uint32_t MatchingTitles = 1000000;

// A million topics titled "Title", all leading to one page, in plain tables.
Bytes MillionMatchingTitles();

// A page behind an E8 header with the given translation size.
Bytes E8SizeWithHighBit(uint32_t size);
