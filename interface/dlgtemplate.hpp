// The compact dialog template: each dialog is a static table of short item
// templates, expanded into Far's 548-byte FarDialogItem records before every call.
#pragma once

#include "far.hpp"

struct DialogTemplateItem {
    unsigned char Type; // DI_*
    unsigned char X1, Y1, X2, Y2;
    DWORD Flags;       // DIF_*
    signed char MsgId; // message number of the item's text, -1 = empty
};

// The text of message id, copied at once into the item; the pointer need only
// stay valid until the next call.
typedef const char* (*DialogTextFn)(int msgId, void* context);

// Copies type, coordinates and flags; Focus, Selected and DefaultButton 0;
// Data = the message text or empty. The caller sets the rest.
void ExpandDialog(const DialogTemplateItem* templates, int count, FarDialogItem* items, DialogTextFn text,
                  void* context);
