// The Dravel module front's shared state: the host's tables copied at Start, the two settings and
// the message numbers of Dravel.lvg. Only front*.cpp see it; the portable core knows none of it.
#pragma once

#include "far.hpp"
#include "helpmodule.hpp"
#include "resultview.hpp"
#include "shipped.h"

// Lines of the language file's sections, in order.
enum DravelMessage {
    MsgTitle = 0,         // module title, dialog frame, menu title, notice title
    MsgBuildingIndex = 1, // the notice while the index is built
    MsgDialogLabel = 2,
    MsgModal = 3,    // Modality row 1
    MsgNonModal = 4, // Modality row 0
    MsgEditor = 5,   // Visuality row 0
    MsgViewer = 6,   // Visuality row 1
    // Failures 7 to 12 are numbered by the core (dravel::MessageIndex).
    MsgAccept = 13,
    MsgCancel = 14,
    MsgNoHeadword = 15,    // no headword begins with the keyword
    MsgMoreHeadwords = 16, // the last line of a candidate menu cut at dravel::CandidateLimit
    // Failures 17 to 22 of the dictd and StarDict readers are numbered by the core too.
};

enum { DRAVEL_MSG_SIZE = 128 };

typedef ResultModule DravelFront;

extern DravelFront Front;

// The module's message n in the current language; empty when the file or line is missing.
void GetText(int n, char* dest);

// The whole HM_SHOWHELP: lookup, menu, result file and its window. The keyword is in the
// request's encoding, the dictionary's own. 1 done or nothing to do, 0 failed with errorText
// (128 bytes) holding the reason.
int ShowArticle(const char* dictionary, const char* keyword, const char* encoding, dravel::Format format,
                char* errorText);
