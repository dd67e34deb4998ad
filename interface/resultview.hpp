// How a help module that writes its answer into a file shows it: the two settings
// "Modality" and "Visuality" under the module's registry key (and settings of the module's own,
// when it has them), the small dialog that changes them, a fresh "LUMV" folder for the file,
// and the editor or viewer window that deletes the file and that folder when it closes.
#pragma once

#include "modulefront.hpp"

#include <stddef.h>

enum {
    RESULT_VIEW_CHOICES = 2,     // settings of a module's own, at most
    RESULT_VIEW_CHOICE_ROWS = 8, // rows of one, at most
};

struct ResultView {
    int Modality;  // 0 non-modal, 1 modal
    int Visuality; // 0 editor, 1 viewer
    // The module's own settings (Kestro's page form and search), in the order of its list of
    // ResultViewChoice; 0 without them.
    int Choices[RESULT_VIEW_CHOICES];
};

// A module's own setting: a value among its rows 0, 1, ..., stored and read like the first two,
// and shown in the dialog with its label on lines of their own below them.
struct ResultViewChoice {
    const char* Name; // its registry value
    int Label;        // message above its list
    const int* Rows;  // messages of its rows, values 0, 1, ...
    int RowCount;     // at most RESULT_VIEW_CHOICE_ROWS
    // Read by its lowest bit, as the first two are (3 is 1, 0x2 is 0): a setting of two values
    // that will stay two. Otherwise a stored value that is no row reads as 0, so that rows can be
    // appended later without changing what a stored value means.
    bool ByLowestBit;
};

// What such a module keeps from Start until it is unloaded.
struct ResultModule : ModuleFront {
    ResultView View;
};

// HM_DESCRIBE's answer for such a module: one help type that asks for the keyword by default, a
// settings dialog, message 0 as the title. The type record is the module's static one, refilled
// on every call, so the host may keep its address.
int DescribeResultModule(const ResultModule& front, HelpTypeInfo* type, const char* name, const char* masks,
                         const char* encoding, HelpModuleInfo* info);

// Tells the user that a lookup found nothing for the keyword (OEM): a box titled with the
// module's message 0 showing its message `text`, the keyword, and its OK button (message `ok`).
void ShowNothingFound(const ResultModule& front, int text, int ok, const char* keyword);

// Message numbers of the module's language file that the settings dialog shows.
struct ResultViewTexts {
    int Title;    // frame
    int Label;    // above the two lists
    int NonModal; // Modality row 0
    int Modal;    // Modality row 1
    int Editor;   // Visuality row 0
    int Viewer;   // Visuality row 1
    int Accept;   // first button
    int Cancel;   // second button
};

// Reads the settings (the module's Started step); a missing or unreadable value counts as 0, a
// number by its lowest bit (3 is 1, 0x2 is 0) or, for a choice that says so, by its row. An empty
// key reads them all as 0. `choices`: the module's own settings (`count` of them).
void ReadResultView(const FarStandardFunctions& fsf, const char* key, ResultView* view,
                    const ResultViewChoice* choices = nullptr, int count = 0);

// The settings dialog, through the host's Dialog. Only the first button changes *view and
// writes every value, even unchanged ones; `choices` are the module's own settings, each on two
// lines of its own below the first two. Returns true when it did.
bool ConfigureResultView(const PluginStartupInfo& info, const ModuleStartupInfo& module, const char* key,
                         const ResultViewTexts& texts, ResultView* view,
                         const ResultViewChoice* choices = nullptr, int count = 0);

// A new empty folder named by the host's MkTemp with the prefix "LUMV" (OEM path, no trailing
// backslash). False when MkTemp finds no name, the folder cannot be made, or it does not fit.
bool MakeResultFolder(const FarStandardFunctions& fsf, char* folder, size_t size);

// Removes what a failed request left in its result folder: the file (when given) and the folder.
void RemoveResultFolder(const char* folder, const char* file);

// The code page a result file's bytes are in: the console's OEM page (Far's DOS table) or the
// ANSI one (its Win table).
enum ResultTable { RESULT_TABLE_OEM, RESULT_TABLE_ANSI };

// Opens the file full-screen with delete-on-close, titled `title`, in the editor (Visuality 0)
// or the viewer. Non-modal for Modality 0, unless the current window is the only one in Far's
// list and is not the panels: then there is nothing to switch back to, and it opens modal.
// Far opens files in the table its user last chose (Win in a fresh Far), so the file must say
// which it needs: the viewer, which a plug-in cannot switch, gets the file rewritten as UTF-16
// with its mark, which Far's viewer always shows right; the editor is switched to `table` by
// the host plug-in while it loads the file (ApplyResultTable). `codePage`, when not 0, is the
// code page the bytes are really in (a help page in another ANSI page than the system's, or in
// UTF-8): the viewer's rewrite reads them in it, which no table of the editor can do.
void OpenResultWindow(const PluginStartupInfo& info, const ResultView& view, const char* path,
                      const char* title, ResultTable table, unsigned codePage = 0);

// The characters of the bytes 0x80..0xFF (128 of them) in a code page of the system's: the
// console's OEM page or the ANSI one, for the modules that write text in them; U+FFFD where the
// page has none.
void SystemUpperHalf(unsigned codePage, char32_t* upper);

// The host plug-in's half, called from its ProcessEditorEvent for EE_READ: when the editor being
// loaded is a result window, sets its table with ECTL_SETPARAM (only when it differs).
void ApplyResultTable(const PluginStartupInfo& info);
