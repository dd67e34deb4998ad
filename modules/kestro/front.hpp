// The Kestro module front's shared state: the host's tables copied at Start, the four
// settings and the message numbers of Kestro.lvg. Only front*.cpp see it; the portable core
// (container, topics, lookup) knows none of it.
#pragma once

#include "far.hpp"
#include "helpmodule.hpp"
#include "resultview.hpp"

// Lines of the language file's sections, in order.
enum KestroMessage {
    MsgTitle = 0,   // module title, dialog frame, topic menu title
    MsgNoTopic = 1, // no title begins with the keyword
    MsgDialogLabel = 2,
    MsgModal = 3,    // Modality row 1
    MsgNonModal = 4, // Modality row 0
    MsgEditor = 5,   // Visuality row 0
    MsgViewer = 6,   // Visuality row 1
    MsgFileUnopened = 7,
    MsgTablesUnreadable = 8,
    MsgPageUnreadable = 9,
    MsgResultUnwritable = 10,
    MsgAccept = 11,
    MsgCancel = 12,
    MsgPageFormLabel = 13,
    MsgPageSource = 14, // PageForm row 0
    MsgPageText = 15,   // PageForm row 1
    MsgMoreTitles = 16, // the last line of a topic menu cut at TopicCandidateLimit
    MsgSearchLabel = 17,
    MsgSearchTitles = 18,   // Search row 0
    MsgSearchIndex = 19,    // Search row 1
    MsgNoMatch = 20,        // nothing in the index or the titles matches the keyword
    MsgSearchText = 21,     // Search row 2
    MsgNoMatchNorText = 22, // nor does the pages' text hold it
};

// The module's own settings, in Front.View.Choices.
enum KestroChoice {
    ChoicePageForm = 0, // how a page goes into the result file: KestroPageForm
    ChoiceSearch = 1,   // where a lookup looks: the core's TopicSearch
    KestroChoices
};
enum KestroPageForm { PageAsSource = 0, PageAsText = 1 };

enum { KESTRO_MSG_SIZE = 128 };

typedef ResultModule KestroFront;

extern KestroFront Front;

// The module's message n in the current language; empty when the file or line is missing.
void GetText(int n, char* dest);

// The whole HM_SHOWHELP after the keyword is back in OEM (`keyword`; `requestKeyword` is the
// request's own, in `encoding`): lookup, menu, result file and its window. 1 done or nothing to
// do, 0 failed with errorText (128 bytes) holding the reason (empty when memory ran out, so that
// the host shows its own text).
int LookupTopic(const char* helpFile, const char* keyword, const char* requestKeyword, const char* encoding,
                char* errorText);
