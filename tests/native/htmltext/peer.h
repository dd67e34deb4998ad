// The pages the text view is compared on and the peer it is compared with: every HTML page of
// the chmcmd fixtures and of the Debian-shipped CHMs (fetched by tests/data/chm/fetch-debian.sh),
// and w3m's dump of each (`w3m -dump -cols 78`, told the code page the page is read in).
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

struct ChmPage {
    std::string Chm;  // the file's name
    std::string Name; // the object's
    std::string Bytes;
    uint32_t Language; // of the help file's /#SYSTEM
};

// Every object of the CHM whose name ends in .htm or .html, in directory order.
std::vector<ChmPage> HtmlPages(const std::string& chmPath);

// Our text of the page in UTF-8, read as the module reads it.
std::string OurText(const ChmPage& page);

// Running w3m is for the native build only.
#ifndef _WIN32
// The CHMs to compare on: the fixtures' paths, then the Debian-shipped ones when they could be
// fetched (else *note says why not).
std::vector<std::string> PeerChms(std::string* note);

bool HaveW3m();

// w3m's dumps of the pages, in order; false when w3m could not be run. The pages are written
// into `folder` (which must exist) and dumped a code page at a time.
bool W3mDumps(const std::vector<const ChmPage*>& pages, const std::string& folder,
              std::vector<std::string>* dumps);

// The same in two steps, for timing w3m alone: the pages written into `folder` once, then w3m
// run over them.
bool WritePages(const std::vector<const ChmPage*>& pages, const std::string& folder);
bool RunW3m(const std::vector<const ChmPage*>& pages, const std::string& folder,
            std::vector<std::string>* dumps);

// The options the dumps are made with.
extern const char W3mOptions[];
#endif
